#pragma once
// "How to connect": the transponder, the RS232 cable and the PC, drawn by the window with its
// words as real text in the window's font. A picture with the words drawn in had to be shrunk
// into the tab's corner until they could no longer be read, and a screen reader could not
// read them at all.

#include <QWidget>

class QLabel;

class TCablingDiagram : public QWidget {
    Q_OBJECT
public:
    explicit TCablingDiagram(QWidget* Parent = nullptr);

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    QLabel* FTransponder;
    QLabel* FPc;
};
