#include "widgets/VaTerminal.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextCursor>

namespace {
const QColor kReceived(160, 160, 160);
constexpr int kRows = 27;
constexpr int kKeptLines = 5000; // older lines scroll away for good
} // namespace

TVaTerminal::TVaTerminal(QWidget* Parent) : QPlainTextEdit(Parent) {
    setReadOnly(true); // typed keys go to the port, never into the text
    setUndoRedoEnabled(false);
    setMaximumBlockCount(kKeptLines);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    setFont(font);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, kReceived);
    setPalette(p);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumHeight(fontMetrics().lineSpacing() * kRows / 3);
    setAccessibleName("Trace terminal");
}

void TVaTerminal::Append(const QString& Text, const QColor& Color) {
    if (Text.isEmpty()) return;
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(Color);
    cursor.insertText(Text, format);
    if (atEnd) bar->setValue(bar->maximum());
}

void TVaTerminal::AddControlText(const std::string& Text, const QColor& Color) {
    QString shown;
    if (!FAtLineStart) shown += '\n';
    for (unsigned char c : Text) {
        if (c == '\n')
            shown += '\n';
        else if (c >= 32 || c == '\t')
            shown += QChar(c);
    }
    FAtLineStart = shown.endsWith('\n');
    Append(shown, Color);
}

void TVaTerminal::HandleCommData(PVaData Data, int Count) {
    QString shown;
    shown.reserve(Count);
    for (int i = 0; i < Count; ++i) {
        const unsigned char c = Data[i];
        if (c == '\n') {
            shown += '\n';
        } else if (c >= 32 || c == '\t') {
            shown += QChar(c); // bytes shown as Latin-1, one character each
        }
        // CR and other control bytes move nothing in this pane
    }
    if (!shown.isEmpty()) FAtLineStart = shown.endsWith('\n');
    Append(shown, kReceived);
}

void TVaTerminal::keyPressEvent(QKeyEvent* Event) {
    if (Comm() == nullptr) {
        QPlainTextEdit::keyPressEvent(Event);
        return;
    }
    if (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) {
        Dispatcher().WriteText("\r\n");
        return;
    }
    const QString text = Event->text();
    if (text.size() == 1 && text[0].unicode() < 256) {
        Dispatcher().WriteChar(static_cast<char>(text[0].unicode()));
        return;
    }
    QPlainTextEdit::keyPressEvent(Event); // navigation keys still scroll the pane
}
