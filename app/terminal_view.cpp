#include "app/terminal_view.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>

namespace kalvora {

QByteArray TerminalKeyBytes(int key, const QString& text, bool portOpen)
{
    if (!portOpen) return {};
    if (key == Qt::Key_Backspace) return QByteArrayLiteral("\b \b");
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return QByteArrayLiteral("\r");
    QByteArray out;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x100) out.append(static_cast<char>(u));  // a serial console speaks bytes
    }
    return out;
}

TerminalView::TerminalView(QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("AdTerminal1"));
    setReadOnly(false);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setMaximumBlockCount(kRows);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setContextMenuPolicy(Qt::NoContextMenu);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    setStyleSheet(QStringLiteral("QPlainTextEdit { background: black; color: #c0c0c0; }"));
}

void TerminalView::keyPressEvent(QKeyEvent* event)
{
    // The view never edits its own text: what appears comes back from the port.
    const QByteArray bytes = TerminalKeyBytes(event->key(), event->text(), portOpen && portOpen());
    if (!bytes.isEmpty() && send) send(bytes);
    event->accept();
}

void TerminalView::clearScreen()
{
    lines_.clear();
    clear();
}

void TerminalView::receive(const QByteArray& bytes)
{
    if (lines_.isEmpty()) lines_.append(QString());
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        QString& line = lines_.last();
        if (c == '\n') {
            lines_.append(QString());
            while (lines_.size() > kRows) lines_.removeFirst();
        } else if (c == '\b') {
            if (!line.isEmpty()) line.chop(1);
        } else if (c >= 0x20 && c < 0x7f) {
            line.append(QChar(c));
            if (line.size() > kMaxColumns) line.remove(0, line.size() - kMaxColumns);  // a line without end
        }
        // CR and other control or binary bytes (status replies) are not shown.
    }
    setPlainText(lines_.join(QLatin1Char('\n')));
    QTextCursor end = textCursor();
    end.movePosition(QTextCursor::End);
    setTextCursor(end);
}

}  // namespace kalvora
