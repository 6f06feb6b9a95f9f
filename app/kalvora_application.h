#pragma once
// The application object. An exception that escapes an event handler is shown to the operator
// and the event loop goes on, instead of ending the program with the units half configured.

#include <QApplication>
#include <functional>

namespace kalvora {

class KalvoraApplication : public QApplication {
    Q_OBJECT
public:
    KalvoraApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // How an escaped exception is shown; by default a critical message box with the
    // application title. Tests record it instead.
    std::function<void(const QString& text)> showException;
};

// The text shown for an exception that escaped a handler.
QString ExceptionText(const std::exception_ptr& error);

}  // namespace kalvora
