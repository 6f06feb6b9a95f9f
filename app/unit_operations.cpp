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
    setMenuHandler(QStringLiteral("SendCurrentSettingstoTornels1"), [this] { SendCurrentSettingstoTornels1Click(); });
    ResetButtonClick = [this] { ResetTornels(); };
    SystemSaveButtonClick = [this] { SystemSaveTornels(); };
}

void TKalvoraForm::unitCountKnown(int count)
{
    if (auto* l = FindNamed<QLabel>(this, QStringLiteral("NumOfTornelDetectedLabel")))
        l->setText(QString::number(count));
}

void TKalvoraForm::showUnitsRead() { RefillFromRecords(); }

BulkOutcome TKalvoraForm::SendCurrentSettingstoTornels1Click()
{
    struct Pages final : WindowPages {
        TKalvoraForm& w;
        explicit Pages(TKalvoraForm& form) : w(form) {}
        void fillSourcePage() override { w.FillSourcePage(); }
        void fillSeamPage() override { w.FillSeamPage(); }
        void fillDisplayPage() override { w.display_->FillDisplayPage(); }
        bool commitField(const FieldKey& key) override { return w.fields_->Commit(key); }
        int overlapWidthMax() override { return w.planning_->overlapWidthMax(); }
    } pages(*this);
    WindowValues values(this, *link_, pages);
    BulkSend send(*commands_, *link_, settings_, values);
    struct Watch final : BulkObserver {
        TKalvoraForm& w;
        explicit Watch(TKalvoraForm& form) : w(form) {}
        void Progress(const BulkProgress& p) override
        {
            w.bulkStep_ = QStringLiteral("Sending ") + BulkStepText(p);
            w.progressLabel_->setText(w.bulkStep_);
            if (w.BulkSendProgress) w.BulkSendProgress(p);
        }
        bool ShouldStop() override { return false; }  // the window's send runs to its end
    } watch(*this);
    const BulkOutcome outcome = send.Run(watch);
    bulkStep_.clear();
    progressLabel_->clear();
    // A send that ended partway, or left commands out, says so: the units are not what the
    // pages show.
    const BulkProgress& last = send.LastCommand();
    if (outcome == BulkOutcome::LinkFailed && last.k > 0) {
        const QString how = port_.isOpen() ? QStringLiteral("the Tornel(s) stopped accepting commands at")
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
    EditorBusyGuard busy(flags_);
    if (!busy) return;
    setUnitMenusEnabled(false);
    if (MaySend(flags_, LinkEstablished()) && statusOp_.askYesNo(kTitleFactoryReset, kQuestionFactoryReset)) {
        if (infoForm_) infoForm_->showInfo(kInfoResetInProgress);
        if (commands_->SendReset(1, 'F') && flags_.UnitCount > 1) commands_->SendReset(2, 'F');
        if (infoForm_) infoForm_->hideInfo();
    }
    setUnitMenusEnabled(true);
}

void TKalvoraForm::SystemSaveTornels()
{
    EditorBusyGuard busy(flags_);
    if (!busy || !MaySend(flags_, LinkEstablished())) return;
    if (commands_->SendSystemSave(1) && flags_.UnitCount > 1) commands_->SendSystemSave(2);
}

}  // namespace kalvora
