#include "control/CablingDiagram.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

const QColor kLine(30, 52, 84); // the outlines and words of the vessel diagram

// A device: its name in bold over what to plug into, in a rounded box that the diagram draws.
QLabel* Device(QWidget* Parent, const QString& Name, const QString& Port, const QColor& Fill) {
    auto* l = new QLabel("<b>" + Name + "</b><br>" + Port, Parent);
    l->setTextFormat(Qt::RichText);
    l->setAlignment(Qt::AlignCenter);
    l->setContentsMargins(10, 3, 10, 3);
    // dark words on the box's light fill under any colour scheme
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, kLine);
    l->setPalette(p);
    l->setProperty("fill", Fill);
    return l;
}

} // namespace

TCablingDiagram::TCablingDiagram(QWidget* Parent) : QWidget(Parent) {
    FTransponder = Device(this, "Corvane", "data port", QColor(225, 236, 250));
    auto* cable = new QLabel("RS232 cable", this);
    auto* line = new QLabel("38400 bit/s, 8N1", this);
    FPc = Device(this, "PC", "COM port", QColor(232, 244, 232));
    auto* then = new QLabel("Then press Connect: the tool finds the port by itself.", this);
    cable->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    line->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    then->setAlignment(Qt::AlignCenter);

    // the cable runs between the two words in the middle
    auto* middle = new QVBoxLayout;
    middle->setSpacing(0);
    middle->addWidget(cable);
    middle->addSpacing(10);
    middle->addWidget(line);
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addStretch(1);
    row->addWidget(FTransponder, 0, Qt::AlignVCenter);
    row->addLayout(middle, 0);
    row->addWidget(FPc, 0, Qt::AlignVCenter);
    row->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addLayout(row);
    layout->addWidget(then);
}

void TCablingDiagram::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF a = QRectF(FTransponder->geometry()).adjusted(0.75, 0.75, -0.75, -0.75);
    const QRectF b = QRectF(FPc->geometry()).adjusted(0.75, 0.75, -0.75, -0.75);
    QPainterPath cable;
    cable.moveTo(a.right(), a.center().y());
    const double third = (b.left() - a.right()) / 3;
    cable.cubicTo(a.right() + third, a.center().y() - 3, b.left() - third, b.center().y() + 3,
                  b.left(), b.center().y());
    p.setPen(QPen(QColor(60, 60, 60), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cable);
    p.setPen(QPen(kLine, 1.5));
    for (const QLabel* box : {FTransponder, FPc}) {
        p.setBrush(box->property("fill").value<QColor>());
        p.drawRoundedRect(box == FTransponder ? a : b, 6, 6);
    }
}
