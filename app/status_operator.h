#pragma once
// The operator the window hands to the link and the pages: everything goes to the outer
// operator (message boxes in the program, a script in the tests), and the status text is also
// written into the window's status bar, so both always agree.

#include <QPointer>
#include <functional>

#include "platform/operator.h"

namespace kalvora {

class StatusOperator : public Operator {
public:
    StatusOperator(Operator& outer, std::function<void(const QString&)> showStatus)
        : outer_(outer), showStatus_(std::move(showStatus))
    {
    }
    void showMessage(const QString& text, const QString& title = kApplicationTitle) override
    {
        outer_.showMessage(text, title);
    }
    bool askYesNo(const QString& title, const QString& text) override { return outer_.askYesNo(title, text); }
    bool askOkCancel(const QString& title, const QString& text) override { return outer_.askOkCancel(title, text); }
    bool askRetryCancel(const QString& title, const QString& text) override
    {
        return outer_.askRetryCancel(title, text);
    }
    void setStatus(const QString& text) override
    {
        if (showStatus_) showStatus_(text);
        outer_.setStatus(text);
    }
    void setBusy(bool busy) override { outer_.setBusy(busy); }

private:
    Operator& outer_;
    std::function<void(const QString&)> showStatus_;
};

}  // namespace kalvora
