#pragma once
#include <QPointer>
#include <QStatusBar>
#include <QWidget>

#include "platform/operator.h"


namespace kalvora {

// The operator interface of the desktop program: modal message boxes, the main window's
// status bar and the wait cursor.
class MessageBoxOperator : public Operator {
public:
    explicit MessageBoxOperator(QWidget* parent = nullptr, QStatusBar* statusBar = nullptr);
    void setParent(QWidget* parent) { parent_ = parent; }
    void setStatusBar(QStatusBar* bar) { statusBar_ = bar; }

    void showMessage(const QString& text, const QString& title = kApplicationTitle) override;
    bool askYesNo(const QString& title, const QString& text) override;
    bool askOkCancel(const QString& title, const QString& text) override;
    bool askRetryCancel(const QString& title, const QString& text) override;
    void setStatus(const QString& text) override;
    void setBusy(bool busy) override;

private:
    QPointer<QWidget> parent_;
    QPointer<QStatusBar> statusBar_;
    int busyDepth_ = 0;
};

}  // namespace kalvora
