// The operations on whole units: the read from the units with the refill of every page, the bulk
// send of the current settings, and the Information page's factory reset and system save.

#include <QApplication>
#include <QLabel>
#include <QMenu>

#include "settings/flag_protocol.h"
#include "app/info_page.h"
#include "app/main_window.h"
#include "app/window_values.h"
#include "editors/display_setup_page.h"
#include "editors/numeric_fields.h"
#include "editors/planning_page.h"
#include "platform/gui/named_widget.h"
#include "operations/bulk_send.h"

namespace kalvora {

void TKalvoraForm::wireUnitOperations()
{
    LinkController& c = session_.linkController();
    c.UnitCountKnown = [this](int count) {
        if (auto* l = FindNamed<QLabel>(this, QStringLiteral("NumOfTornelDetectedLabel")))
            l->setText(QString::number(count));
    };
    c.FillAfterRead = [this] { RefillFromRecords(); };
    setMenuHandler(QStringLiteral("SendCurrentSettingstoTornels1"), [this] { SendCurrentSettingstoTornels1Click(); });
    ResetButtonClick = [this] { ResetTornels(); };
    SystemSaveButtonClick = [this] { SystemSaveTornels(); };
}

BulkOutcome TKalvoraForm::SendCurrentSettingstoTornels1Click()
{
    WindowValueHooks hooks;
    hooks.fillSourcePage = [this] { FillSourcePage(); };
    hooks.fillSeamPage = [this] { FillSeamPage(); };
    hooks.fillDisplayPage = [this] { display_->FillDisplayPage(); };
    hooks.commitField = [this](const QString& name) { return fields_->Commit(name); };
    hooks.overlapWidthMax = [this] { return planning_->overlapWidthMax(); };
    WindowValues values(this, session_.commands(), session_.link(), hooks);
    BulkSend send(session_.commands(), session_.link(), session_.settings(), values);
    send.Progress = [this](const BulkProgress& p) {
        status_->showBulkStep(QStringLiteral("Sending ") + BulkStepText(p));
        if (BulkSendProgress) BulkSendProgress(p);
    };
    const BulkOutcome outcome = send.Run();
    status_->showBulkStep(QString());
    // A send that ended partway, or left commands out, says so: the units are not what the
    // pages show.
    const BulkProgress& last = send.LastCommand();
    if (outcome == BulkOutcome::LinkFailed && last.k > 0) {
        const QString how = session_.port().isOpen() ? QStringLiteral("the Tornel(s) stopped accepting commands at")
                                           : QStringLiteral("the serial port failed after");
        statusOp_.showMessage(QStringLiteral("Sending stopped: %1 command %2 of %3 (Tornel %4: %5). The Tornel(s) are "
                                             "partly configured; send the settings again once the connection is back.")
                                  .arg(how)
                                  .arg(last.k)
                                  .arg(last.n)
                                  .arg(last.unit)
                                  .arg(last.what));
    } else if (outcome == BulkOutcome::Done && !send.CommandsSkipped().isEmpty()) {
        QStringList skipped;
        for (const BulkProgress& p : send.CommandsSkipped()) skipped << BulkStepText(p);
        statusOp_.showMessage(QStringLiteral("Not sent, their values are out of range:\n") + skipped.join(QLatin1Char('\n')));
    }
    return outcome;
}

void TKalvoraForm::setUnitMenusEnabled(bool enabled)
{
    for (const char* name : {"File1", "Search1"})
        if (QAction* menu = menu_.value(QString::fromLatin1(name))) menu->setEnabled(enabled);
}

void TKalvoraForm::ResetTornels()
{
    EditorBusyGuard busy(session_.flags());
    if (!busy) return;
    setUnitMenusEnabled(false);
    if (MaySend(session_.flags(), LinkEstablished()) && statusOp_.askYesNo(kTitleFactoryReset, kQuestionFactoryReset)) {
        if (infoForm_) infoForm_->showInfo(kInfoResetInProgress);
        if (session_.commands().SendReset(1, 'F') && session_.flags().UnitCount > 1) session_.commands().SendReset(2, 'F');
        if (infoForm_) infoForm_->hideInfo();
    }
    setUnitMenusEnabled(true);
}

void TKalvoraForm::SystemSaveTornels()
{
    EditorBusyGuard busy(session_.flags());
    if (!busy || !MaySend(session_.flags(), LinkEstablished())) return;
    if (session_.commands().SendSystemSave(1) && session_.flags().UnitCount > 1) session_.commands().SendSystemSave(2);
}

}  // namespace kalvora
