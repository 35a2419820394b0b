#pragma once
// A circle with a run-time fill colour: the status lights and lamps.

#include <QColor>
#include <QWidget>

class TShape : public QWidget {
    Q_OBJECT
public:
    TShape(const QColor& Brush, const QColor& Pen, QWidget* Parent = nullptr);

    QColor BrushColor() const { return FBrush; }
    void SetBrushColor(const QColor& Colour);
    QSize sizeHint() const override { return {22, 22}; }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    QColor FBrush;
    QColor FPen;
};

// The neutral button-face colour of the window.
QColor NeutralColour();
