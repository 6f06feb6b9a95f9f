// "Save Configuration to File" and "Open Configuration File": the tables of both units to and
// from a .tnc file. Loading refills the pages and sends nothing to the units.

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <utility>

#include "settings/flag_protocol.h"
#include "app/info_page.h"
#include "app/main_window.h"
#include "editors/planning_page.h"
#include "settings/config_file.h"

namespace kalvora {

void TKalvoraForm::wireConfigFileMenu()
{
    SaveDialog1 = [this] {
        QFileDialog dialog(this);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(QStringLiteral("Tornel Config Files (*.tnc)"));
        dialog.setDefaultSuffix(QStringLiteral("tnc"));
        // The file is replaced only once the new one is complete, so no overwrite question.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                       : QString();
    };
    OpenDialog1 = [this] {
        QFileDialog dialog(this);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({QStringLiteral("Tornel Config Files (*.tnc)"), QStringLiteral("Any file (*)")});
        dialog.setOption(QFileDialog::ReadOnly);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                       : QString();
    };
    setMenuHandler(QStringLiteral("SaveConfigurationtoFile1"), [this] { SaveConfigurationtoFile1Click(); });
    setMenuHandler(QStringLiteral("OpenConfigurationFile1"), [this] { OpenConfigurationFile1Click(); });
}

void TKalvoraForm::SaveConfigurationtoFile1Click()
{
    const QString name = SaveDialog1 ? SaveDialog1() : QString();
    if (name.isEmpty()) return;
    statusOp_.setBusy(true);
    WriteConfigFile(settings_, name, statusOp_);
    statusOp_.setBusy(false);
}

void TKalvoraForm::OpenConfigurationFile1Click()
{
    const QString name = OpenDialog1 ? OpenDialog1() : QString();
    if (name.isEmpty()) return;
    OpenConfigurationFile(name);
}

void TKalvoraForm::OpenRequestedFile(const QString& name)
{
    if (!shown_) {
        startupFile_ = name;  // the first show opens it
        return;
    }
    requestedFile_ = name;  // a later request replaces one not yet opened
    openRequestedFileWhenFree();
}

void TKalvoraForm::openRequestedFileWhenFree()
{
    if (requestedFile_.isEmpty()) return;
    // Opening refills every page: not under an operation that waits for the units, a page
    // being filled, or a dialogue that expects the window as it left it. Look again later.
    if (!link_->MayStart() || flags_.EditorBusy || flags_.FormFilling || QApplication::activeModalWidget()) {
        if (!requestRetry_) {
            requestRetry_ = new QTimer(this);
            requestRetry_->setSingleShot(true);
            connect(requestRetry_, &QTimer::timeout, this, &TKalvoraForm::openRequestedFileWhenFree);
        }
        requestRetry_->start(kRequestRetryMs);
        return;
    }
    OpenConfigurationFile(std::exchange(requestedFile_, QString()));
}

void TKalvoraForm::OpenConfigurationFile(const QString& name)
{
    statusOp_.setBusy(true);
    if (ReadConfigFile(settings_, name, statusOp_)) {
        settings_.FileLoadedAvailable = true;
        RefillFromRecords();
        statusOp_.showMessage(kMsgFileOpenSuccessful);
    }
    statusOp_.setBusy(false);
}

}  // namespace kalvora
