#pragma once
// The terminal view of the Information page (AdTerminal1): shows what the units send and sends
// what the operator types, as a serial console does.

#include <QByteArray>
#include <QPlainTextEdit>
#include <QStringList>
#include <functional>

namespace kalvora {

// The bytes a key press sends to the port. Backspace becomes backspace, space, backspace (so a
// unit's console erases the character on screen); nothing is sent while the port is closed.
QByteArray TerminalKeyBytes(int key, const QString& text, bool portOpen);

class TerminalView : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int kRows = 12;  // no scroll-back: only what fits is kept
    static constexpr int kMaxColumns = 256;

    explicit TerminalView(QWidget* parent = nullptr);

    std::function<bool()> portOpen;               // whether the serial port is open
    std::function<void(const QByteArray&)> send;  // writes to the serial port

    // Shows received bytes: printable characters, line ends, backspace.
    void receive(const QByteArray& bytes);
    // Empties the screen.
    void clearScreen();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStringList lines_;  // what is shown; the last one is the line being received
};

}  // namespace kalvora
