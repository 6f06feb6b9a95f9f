#include "app/kalvora_application.h"
#include "app/program_icon.h"

#include <QMessageBox>
#include <exception>

#include "platform/operator.h"

namespace kalvora {

QString ExceptionText(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error.");
    }
}

KalvoraApplication::KalvoraApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(kApplicationTitle);
    // Desktops find the menu entry (name, icon) of the running window by this name.
    setDesktopFileName(QStringLiteral("kalvora"));
    // Message boxes and any window without one of its own take the program's icon.
    setWindowIcon(ProgramIcon());
    showException = [](const QString& text) { QMessageBox::critical(activeWindow(), kApplicationTitle, text); };
}

bool KalvoraApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        const QString text = ExceptionText(std::current_exception());
        if (showException) showException(text);
        return false;
    }
}

}  // namespace kalvora
