#include "widgets/Shape.h"

#include <QApplication>
#include <QPainter>

TShape::TShape(const QColor& Brush, const QColor& Pen, QWidget* Parent)
    : QWidget(Parent), FBrush(Brush), FPen(Pen) {
    setMinimumSize(16, 16);
    ClaimLiveStateAccessible(this);
}

bool TShape::Lit() const {
    return FBrush != NeutralColour() && FBrush != QColor(Qt::white);
}

void TShape::SetBrushColor(const QColor& Colour) {
    if (Colour == FBrush) return; // called every second: no repaint when nothing changed
    const bool wasLit = Lit();
    FBrush = Colour;
    update();
    if (Lit() != wasLit) AnnounceLiveState(this);
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(FPen, 1));
    p.setBrush(FBrush);
    const int d = qMin(width(), height()) - 2;
    p.drawEllipse(QRectF((width() - d) / 2.0, (height() - d) / 2.0, d, d));
}

QColor NeutralColour() {
    return QApplication::palette().color(QPalette::Button);
}
