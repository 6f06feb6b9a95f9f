// "Save Configuration to File" and "Open Configuration File": the tables of both units to and
// from a .tnc file. Loading refills the pages and sends nothing to the units.

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>
#include <utility>

#include "settings/flag_protocol.h"
#include "app/info_page.h"
#include "app/main_window.h"
#include "editors/planning_page.h"
#include "platform/file_name.h"
#include "settings/config_file.h"

namespace kalvora {

void TKalvoraForm::wireConfigFileMenu()
{
    SaveDialog1 = [this] {
        const std::unique_ptr<QFileDialog> dialog = MakeConfigFileDialog(true);
        return dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty() ? dialog->selectedFiles().first()
                                                                                         : QString();
    };
    OpenDialog1 = [this] {
        const std::unique_ptr<QFileDialog> dialog = MakeConfigFileDialog(false);
        return dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty() ? dialog->selectedFiles().first()
                                                                                         : QString();
    };
    setMenuHandler(QStringLiteral("SaveConfigurationtoFile1"), [this] { SaveConfigurationtoFile1Click(); });
    setMenuHandler(QStringLiteral("OpenConfigurationFile1"), [this] { OpenConfigurationFile1Click(); });
}

std::unique_ptr<QFileDialog> TKalvoraForm::MakeConfigFileDialog(bool save)
{
    auto dialog = std::make_unique<QFileDialog>(this);
    if (save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setNameFilter(QStringLiteral("Tornel Config Files (*.tnc)"));
        dialog->setDefaultSuffix(QStringLiteral("tnc"));
        // Choosing a file that exists asks before it is replaced (the dialog's own question).
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setNameFilters({QStringLiteral("Tornel Config Files (*.tnc)"), QStringLiteral("Any file (*)")});
        dialog->setOption(QFileDialog::ReadOnly);
    }
    if (!recent_.folder.isEmpty()) dialog->setDirectory(recent_.folder);
    return dialog;
}

void TKalvoraForm::SaveConfigurationtoFile1Click()
{
    // Before anything was read or loaded the tables hold nothing the units have: a file of them
    // would overwrite a good one with empty settings.
    if (!session_.settings().SettingsAvailable() && !statusOp_.askYesNo(kTitleSaveEmpty, kSaveEmptyQuestion)) return;
    const QString name = SaveDialog1 ? SaveDialog1() : QString();
    if (name.isEmpty()) return;
    statusOp_.setBusy(true);
    const QByteArray image = ConfigImage(session_.settings());
    const bool saved = WriteConfigFile(session_.settings(), name, statusOp_);
    statusOp_.setBusy(false);
    if (saved) fileUsed(name, image);
}

void TKalvoraForm::OpenConfigurationFile1Click()
{
    const QString name = OpenDialog1 ? OpenDialog1() : QString();
    if (name.isEmpty()) return;
    OpenConfigurationFile(name);
}

void TKalvoraForm::setStartupFile(const QString& name) { startupFile_ = QFile::encodeName(name); }

void TKalvoraForm::OpenRequestedFile(const QString& name) { OpenRequestedFileName(QFile::encodeName(name)); }

void TKalvoraForm::OpenRequestedFileName(const QByteArray& name)
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
    if (!session_.mayStart() || session_.flags().EditorBusy || session_.flags().FormFilling || QApplication::activeModalWidget()) {
        if (!requestRetry_) {
            requestRetry_ = new QTimer(this);
            requestRetry_->setSingleShot(true);
            connect(requestRetry_, &QTimer::timeout, this, &TKalvoraForm::openRequestedFileWhenFree);
        }
        requestRetry_->start(kRequestRetryMs);
        return;
    }
    OpenNamedFile(std::exchange(requestedFile_, QByteArray()));
}

void TKalvoraForm::OpenNamedFile(const QByteArray& name)
{
    if (const std::optional<QString> file = ExactFileName(name))
        OpenConfigurationFile(*file);
    else
        statusOp_.showMessage(kMsgFileNameNotText.arg(ShownFileName(name)));
}

void TKalvoraForm::OpenConfigurationFile(const QString& name)
{
    statusOp_.setBusy(true);
    if (ReadConfigFile(session_.settings(), name, statusOp_)) {
        session_.settings().FileLoadedAvailable = true;
        const QByteArray image = ConfigImage(session_.settings());  // before the refill's checks may change a record
        RefillFromRecords();
        fileUsed(name, image);
        statusOp_.showMessage(kMsgFileOpenSuccessful);
    } else if (!QFileInfo::exists(name) && recent_.files.contains(QFileInfo(name).absoluteFilePath())) {
        // A file gone since: "Open Recent" no longer offers it.
        recent_.remove(name);
        keepRecentFiles();
    }
    statusOp_.setBusy(false);
}

}  // namespace kalvora
