#include "platform/gui/message_box_operator.h"

#include <QApplication>
#include <QMessageBox>
#include <QStatusBar>

namespace kalvora {

MessageBoxOperator::MessageBoxOperator(QWidget* parent, QStatusBar* statusBar)
    : parent_(parent), statusBar_(statusBar)
{
}

void MessageBoxOperator::showMessage(const QString& text, const QString& title)
{
    QMessageBox::information(parent_, title, text);
}

bool MessageBoxOperator::askYesNo(const QString& title, const QString& text)
{
    return QMessageBox::question(parent_, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

bool MessageBoxOperator::askOkCancel(const QString& title, const QString& text)
{
    return QMessageBox::question(parent_, title, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
           QMessageBox::Ok;
}

bool MessageBoxOperator::askRetryCancel(const QString& title, const QString& text)
{
    return QMessageBox::warning(parent_, title, text, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry) ==
           QMessageBox::Retry;
}

void MessageBoxOperator::setStatus(const QString& text)
{
    if (statusBar_) statusBar_->showMessage(text);
}

void MessageBoxOperator::setBusy(bool busy)
{
    if (busy) {
        if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busyDepth_ > 0) {
        if (--busyDepth_ == 0) QApplication::restoreOverrideCursor();
    }
}

}  // namespace kalvora
