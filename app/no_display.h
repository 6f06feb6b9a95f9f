#pragma once
// Without a display Qt's platform plugin ends the program with abort() and a message that
// suggests reinstalling. While a NoDisplayGuard lives (around the creation of the application
// object), that ending is replaced by one line that says there is no display, and exit status 1.

#include <QString>

namespace kalvora {

class NoDisplayGuard {
public:
    NoDisplayGuard();
    ~NoDisplayGuard();  // hands the messages held meanwhile on to the usual output
    NoDisplayGuard(const NoDisplayGuard&) = delete;
    NoDisplayGuard& operator=(const NoDisplayGuard&) = delete;
};

// The line said when no window can be opened; `cause` is what the window system reported.
QString NoDisplayLine(const QString& display, const QString& waylandDisplay, const QString& cause);

}  // namespace kalvora
