// Draws the two pictures of the "Static data" tab and writes them as JPEG files:
//   corvane-pictures OUTPUT_DIR   ->  OUTPUT_DIR/vessel.jpg, cabling.jpg and the icon corvane.png

#include "control/PictureLayout.h"
#include "widgets/JpegImage.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

using namespace PictureLayout;

namespace {

const QColor kSea(222, 236, 246);
const QColor kHull(250, 250, 247);
const QColor kLine(30, 52, 84);
const QColor kArrow(196, 40, 40);

void Arrow(QPainter& p, QPointF from, QPointF to) {
    p.setPen(QPen(kArrow, 1.6));
    p.drawLine(from, to);
    const QLineF line(to, from);
    for (QPointF end : {from, to}) {
        QLineF a(end, end == to ? from : to);
        a.setLength(7);
        QLineF l = a, r = a;
        l.setAngle(a.angle() + 25);
        r.setAngle(a.angle() - 25);
        QPainterPath head;
        head.moveTo(end);
        head.lineTo(l.p2());
        head.lineTo(r.p2());
        head.closeSubpath();
        p.fillPath(head, kArrow);
    }
}

void Letter(QPainter& p, QPointF at, const QString& text) {
    QFont f("DejaVu Sans", 12, QFont::Bold);
    p.setFont(f);
    p.setPen(kArrow);
    p.drawText(QRectF(at.x() - 10, at.y() - 10, 20, 20), Qt::AlignCenter, text);
}

QImage Vessel() {
    QImage img(kVesselWidth, kVesselHeight, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sea(0, 0, 0, kVesselHeight);
    sea.setColorAt(0, kSea.lighter(104));
    sea.setColorAt(1, kSea.darker(104));
    p.fillRect(img.rect(), sea);

    // Hull seen from above, bow to the right.
    const double mid = (kHullTop + kHullBottom) / 2.0;
    QPainterPath hull;
    hull.moveTo(kStern, kHullTop + 6);
    hull.lineTo(kBow - 110, kHullTop);
    hull.cubicTo(kBow - 40, kHullTop, kBow - 8, mid - 18, kBow, mid);
    hull.cubicTo(kBow - 8, mid + 18, kBow - 40, kHullBottom, kBow - 110, kHullBottom);
    hull.lineTo(kStern, kHullBottom - 6);
    hull.closeSubpath();
    p.setPen(QPen(kLine, 2));
    p.setBrush(kHull);
    p.drawPath(hull);
    // deck house and centre line
    p.setPen(QPen(kLine.lighter(220), 1, Qt::DashLine));
    p.drawLine(QPointF(kStern + 4, mid), QPointF(kBow - 6, mid));
    p.setPen(QPen(kLine, 1.2));
    p.setBrush(QColor(214, 223, 233));
    p.drawRoundedRect(QRectF(kStern + 40, mid - 20, 80, 40), 6, 6);

    // GPS antenna
    p.setBrush(QColor(38, 110, 62));
    p.setPen(QPen(Qt::white, 1.5));
    p.drawEllipse(QPointF(kAntenna), 7, 7);
    p.setFont(QFont("DejaVu Sans", 7, QFont::Bold));
    p.setPen(kLine);
    p.drawText(QRectF(kAntenna.x() - 40, kAntenna.y() - 22, 30, 12), Qt::AlignRight, "GPS");

    const double ay = kAntenna.y();
    Arrow(p, QPointF(kAntenna.x() + 9, ay), QPointF(kBow - 22, ay));
    Arrow(p, QPointF(kStern + 2, ay), QPointF(kAntenna.x() - 9, ay));
    Arrow(p, QPointF(kAntenna.x() + 26, kHullTop + 1), QPointF(kAntenna.x() + 26, ay - 2));
    Arrow(p, QPointF(kAntenna.x() + 26, ay + 2), QPointF(kAntenna.x() + 26, kHullBottom - 1));
    p.setPen(QPen(kArrow, 1, Qt::DotLine));
    p.drawLine(QPointF(kAntenna.x() + 9, ay), QPointF(kAntenna.x() + 26, ay));

    Letter(p, QPointF(kEditA.left() - 12, kEditA.center().y() + 1), "A");
    Letter(p, QPointF(kEditB.left() - 12, kEditB.center().y() + 1), "B");
    Letter(p, QPointF(kEditC.left() - 12, kEditC.center().y() + 1), "C");
    Letter(p, QPointF(kEditD.left() - 12, kEditD.center().y() + 1), "D");

    // white frames where the edits are laid over the picture
    p.setPen(QPen(kLine.lighter(160), 1));
    p.setBrush(Qt::white);
    for (QRect r : {kEditA, kEditB, kEditC, kEditD}) p.drawRect(r.adjusted(-1, -1, 0, 0));

    p.setFont(QFont("DejaVu Sans", 8));
    p.setPen(kLine);
    p.drawText(QRectF(6, 3, 60, 14), Qt::AlignLeft, "Stern");
    p.drawText(QRectF(kVesselWidth - 66, 3, 60, 14), Qt::AlignRight, "Bow");
    p.drawText(QRectF(120, 3, 140, 14), Qt::AlignCenter, "Port side");
    p.drawText(QRectF(120, kVesselHeight - 17, 140, 14), Qt::AlignCenter, "Starboard side");
    p.setFont(QFont("DejaVu Sans", 7));
    p.drawText(QRectF(6, kVesselHeight - 16, 110, 14), Qt::AlignLeft, "distances in metres");
    return img;
}

void Box(QPainter& p, QRectF r, const QColor& fill, const QString& title, const QString& sub) {
    p.setPen(QPen(kLine, 1.5));
    p.setBrush(fill);
    p.drawRoundedRect(r, 8, 8);
    p.setPen(kLine);
    p.setFont(QFont("DejaVu Sans", 10, QFont::Bold));
    p.drawText(r.adjusted(4, 8, -4, -r.height() / 2), Qt::AlignHCenter | Qt::AlignTop, title);
    p.setFont(QFont("DejaVu Sans", 7));
    p.drawText(r.adjusted(4, r.height() / 2, -4, -4), Qt::AlignHCenter | Qt::AlignTop, sub);
}

QImage Cabling() {
    QImage img(kCablingWidth, kCablingHeight, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(img.rect(), QColor(246, 247, 249));

    const QRectF corvane(14, 22, 120, 70), pc(286, 22, 120, 70);
    // antennas on the transponder
    p.setPen(QPen(kLine, 2));
    p.drawLine(QPointF(40, 22), QPointF(40, 6));
    p.drawLine(QPointF(108, 22), QPointF(108, 6));
    p.setFont(QFont("DejaVu Sans", 6));
    p.drawText(QRectF(14, 0, 22, 10), Qt::AlignRight, "VHF");
    p.drawText(QRectF(112, 0, 30, 10), Qt::AlignLeft, "GPS");
    Box(p, corvane, QColor(225, 236, 250), "Corvane", "AIS Class B\ntransponder");
    Box(p, pc, QColor(232, 244, 232), "PC", "serial port\nCOM n");
    // the RS232 cable
    QPainterPath cable;
    cable.moveTo(corvane.right(), 57);
    cable.cubicTo(190, 40, 230, 80, pc.left(), 57);
    p.setPen(QPen(QColor(60, 60, 60), 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(cable);
    p.setPen(kLine);
    p.setFont(QFont("DejaVu Sans", 9, QFont::Bold));
    p.drawText(QRectF(140, 24, 140, 16), Qt::AlignCenter, "RS232");
    p.setFont(QFont("DejaVu Sans", 7));
    p.drawText(QRectF(140, 74, 140, 30), Qt::AlignCenter, "38400 bit/s, 8N1\nno flow control");
    p.drawText(QRectF(10, 98, 400, 16), Qt::AlignCenter,
               "Connect, then press \"Connect\": the tool finds the port by itself.");
    return img;
}

// The program's icon: the hull seen from above on a blue disc, with the antenna.
QImage Icon() {
    QImage img(128, 128, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient disc(64, 52, 80);
    disc.setColorAt(0, QColor(70, 140, 205));
    disc.setColorAt(1, QColor(24, 70, 128));
    p.setBrush(disc);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(4, 4, 120, 120));
    QPainterPath hull;
    hull.moveTo(22, 50);
    hull.lineTo(74, 46);
    hull.cubicTo(96, 46, 106, 58, 110, 64);
    hull.cubicTo(106, 70, 96, 82, 74, 82);
    hull.lineTo(22, 78);
    hull.closeSubpath();
    p.setBrush(kHull);
    p.setPen(QPen(kLine, 3));
    p.drawPath(hull);
    p.setBrush(QColor(38, 160, 72));
    p.setPen(QPen(Qt::white, 2));
    p.drawEllipse(QPointF(70, 64), 7, 7);
    return img;
}

bool Write(const QString& path, const QImage& img) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(EncodeJpeg(img, 92)) > 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane-pictures OUTPUT_DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    if (!Write(dir + "/vessel.jpg", Vessel()) || !Write(dir + "/cabling.jpg", Cabling()) ||
        !Icon().save(dir + "/corvane.png")) {
        std::fprintf(stderr, "corvane-pictures: cannot write to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
