#include "app/unit_operations.h"

#include <QAction>

#include "app/secondary_windows.h"
#include "app/status_bar_display.h"
#include "operations/session.h"
#include "platform/operator.h"
#include "settings/flag_protocol.h"

namespace kalvora {

UnitOperations::UnitOperations(QWidget& window, Session& session, Operator& op, StatusBarDisplay& status,
                               WindowPages& pages, QList<QAction*> unitMenus)
    : QObject(&window),
      window_(window),
      session_(session),
      op_(op),
      status_(status),
      pages_(pages),
      unitMenus_(std::move(unitMenus))
{
}

BulkOutcome UnitOperations::SendCurrentSettings()
{
    WindowValues values(&window_, session_.link(), pages_);
    BulkSend send(session_.commands(), session_.link(), session_.settings(), values);
    struct Watch final : BulkObserver {
        StatusBarDisplay& status;
        explicit Watch(StatusBarDisplay& s) : status(s) {}
        void Progress(const BulkProgress& p) override { status.showBulkStep(QStringLiteral("Sending ") + BulkStepText(p)); }
        bool ShouldStop() override { return false; }  // the window's send runs to its end
    } watch(status_);
    const BulkOutcome outcome = send.Run(watch);
    status_.showBulkStep(QString());
    // A send that ended partway, or left commands out, says so: the units are not what the
    // pages show.
    const BulkProgress& last = send.LastCommand();
    if (outcome == BulkOutcome::LinkFailed && last.k > 0) {
        const QString how = session_.port().isOpen() ? QStringLiteral("the Tornel(s) stopped accepting commands at")
                                                     : QStringLiteral("the serial port failed after");
        op_.showMessage(QStringLiteral("Sending stopped: %1 command %2 of %3 (Tornel %4: %5). The Tornel(s) are "
                                       "partly configured; send the settings again once the connection is back.")
                            .arg(how)
                            .arg(last.k)
                            .arg(last.n)
                            .arg(last.unit)
                            .arg(last.what));
    } else if (outcome == BulkOutcome::Done && !send.CommandsSkipped().isEmpty()) {
        QStringList skipped;
        for (const BulkProgress& p : send.CommandsSkipped()) skipped << BulkStepText(p);
        op_.showMessage(QStringLiteral("Not sent, their values are out of range:\n") + skipped.join(QLatin1Char('\n')));
    }
    return outcome;
}

void UnitOperations::setUnitMenusEnabled(bool enabled)
{
    for (QAction* menu : unitMenus_)
        if (menu) menu->setEnabled(enabled);
}

void UnitOperations::ResetUnits()
{
    MainFlags& flags = session_.flags();
    EditorBusyGuard busy(flags);
    if (!busy) return;
    setUnitMenusEnabled(false);
    if (MaySend(flags, session_.linkUp()) && op_.askYesNo(kTitleFactoryReset, kQuestionFactoryReset)) {
        if (infoForm_) infoForm_->showInfo(kInfoResetInProgress);
        if (session_.commands().SendReset(1, 'F') && flags.UnitCount > 1) session_.commands().SendReset(2, 'F');
        if (infoForm_) infoForm_->hideInfo();
    }
    setUnitMenusEnabled(true);
}

void UnitOperations::SystemSaveUnits()
{
    MainFlags& flags = session_.flags();
    EditorBusyGuard busy(flags);
    if (!busy || !MaySend(flags, session_.linkUp())) return;
    if (session_.commands().SendSystemSave(1) && flags.UnitCount > 1) session_.commands().SendSystemSave(2);
}

}  // namespace kalvora
