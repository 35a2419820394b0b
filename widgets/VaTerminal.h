#pragma once
// The trace view's terminal pane: shows every byte received on the port it is attached to,
// appends coloured control lines, and sends typed keys to the port.

#include "serial/VaClient.h"

#include <QColor>
#include <QPlainTextEdit>

class TVaTerminal : public QPlainTextEdit, public TVaCommComponent {
    Q_OBJECT
public:
    explicit TVaTerminal(QWidget* Parent = nullptr);

    // Appends Text (8-bit, one character per byte) in Color on the black background.
    void AddControlText(const std::string& Text, const QColor& Color);
    void Clear() { clear(); }

    void HandleCommData(PVaData Data, int Count) override;

protected:
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void Append(const QString& Text, const QColor& Color);
    bool FAtLineStart = true;
};
