#pragma once
// A circle with a run-time fill colour: the status lights and lamps. Screen readers hear it as
// "<accessible name>: on" or "off".

#include "widgets/LiveState.h"

#include <QColor>
#include <QWidget>

class TShape : public QWidget, public TLiveState {
    Q_OBJECT
public:
    TShape(const QColor& Brush, const QColor& Pen, QWidget* Parent = nullptr);

    QColor BrushColor() const { return FBrush; }
    void SetBrushColor(const QColor& Colour);
    // Unlit is the window's neutral colour, or white as the lights are drawn at start.
    bool Lit() const;
    QString StateText() const override { return Lit() ? "on" : "off"; }
    QSize sizeHint() const override { return {22, 22}; }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    QColor FBrush;
    QColor FPen;
};

// The neutral button-face colour of the window.
QColor NeutralColour();
