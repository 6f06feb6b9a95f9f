#include "app/config_files.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <utility>

#include "operations/session.h"
#include "platform/file_name.h"
#include "platform/operator.h"
#include "settings/config_file.h"

namespace kalvora {
namespace {

const QString kCaption = QStringLiteral("Quennel - Kalvora");

// A path as a menu shows it: "&3 /home/op/walls/hall.tnc" (an ampersand in it shown as one).
QString RecentItemText(int number, const QString& path)
{
    QString shown = path;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(number).arg(shown);
}

}  // namespace

ConfigFiles::ConfigFiles(QMainWindow& window, ConfigFilePages& pages, Session& session, Operator& op,
                         QAction* openRecent)
    : QObject(&window), window_(window), pages_(pages), session_(session), op_(op), openRecent_(openRecent)
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
    // Records change through commands (each leaves a row in the trace), reads, loads, and edits
    // made without a link; the mark is brought up to date after each of them, once the events
    // of the moment have run.
    modifiedCheck_ = new QTimer(this);
    modifiedCheck_->setSingleShot(true);
    modifiedCheck_->setInterval(0);
    connect(modifiedCheck_, &QTimer::timeout, this, &ConfigFiles::updateModifiedMark);
    connect(&session_, &Session::trafficChanged, modifiedCheck_, qOverload<>(&QTimer::start));
    qApp->installEventFilter(this);
    showRecentFiles();
    showFileTitle();
}

bool ConfigFiles::eventFilter(QObject* watched, QEvent* event)
{
    // The operator's keys and clicks in the window may have changed a record.
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyRelease || type == QEvent::MouseButtonRelease) && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == &window_)
        modifiedCheck_->start();
    return QObject::eventFilter(watched, event);
}

std::unique_ptr<QFileDialog> ConfigFiles::MakeConfigFileDialog(bool save)
{
    auto dialog = std::make_unique<QFileDialog>(&window_);
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

void ConfigFiles::SaveConfigurationtoFile1Click()
{
    // Before anything was read or loaded the tables hold nothing the units have: a file of them
    // would overwrite a good one with empty settings.
    if (!session_.settings().SettingsAvailable() && !op_.askYesNo(kTitleSaveEmpty, kSaveEmptyQuestion)) return;
    const QString name = SaveDialog1 ? SaveDialog1() : QString();
    if (name.isEmpty()) return;
    op_.setBusy(true);
    const QByteArray image = ConfigImage(session_.settings());
    const bool saved = WriteConfigFile(session_.settings(), name, op_);
    op_.setBusy(false);
    if (saved) fileUsed(name, image);
}

void ConfigFiles::OpenConfigurationFile1Click()
{
    const QString name = OpenDialog1 ? OpenDialog1() : QString();
    if (name.isEmpty()) return;
    OpenConfigurationFile(name);
}

void ConfigFiles::openStartupFile()
{
    if (!startupFile_.isEmpty()) OpenNamedFile(startupFile_);
}

void ConfigFiles::OpenRequestedFileName(const QByteArray& name)
{
    if (!shown_) {
        startupFile_ = name;  // the first show opens it
        return;
    }
    requestedFile_ = name;  // a later request replaces one not yet opened
    openRequestedFileWhenFree();
}

void ConfigFiles::openRequestedFileWhenFree()
{
    if (requestedFile_.isEmpty()) return;
    // Opening refills every page: not under an operation that waits for the units, a page
    // being filled, or a dialogue that expects the window as it left it. Look again later.
    const MainFlags& flags = session_.flags();
    if (!session_.mayStart() || flags.EditorBusy || flags.FormFilling || QApplication::activeModalWidget()) {
        if (!requestRetry_) {
            requestRetry_ = new QTimer(this);
            requestRetry_->setSingleShot(true);
            connect(requestRetry_, &QTimer::timeout, this, &ConfigFiles::openRequestedFileWhenFree);
        }
        requestRetry_->start(kRequestRetryMs);
        return;
    }
    OpenNamedFile(std::exchange(requestedFile_, QByteArray()));
}

void ConfigFiles::OpenNamedFile(const QByteArray& name)
{
    if (const std::optional<QString> file = ExactFileName(name))
        OpenConfigurationFile(*file);
    else
        op_.showMessage(kMsgFileNameNotText.arg(ShownFileName(name)));
}

void ConfigFiles::OpenConfigurationFile(const QString& name)
{
    op_.setBusy(true);
    if (ReadConfigFile(session_.settings(), name, op_)) {
        session_.settings().FileLoadedAvailable = true;
        const QByteArray image = ConfigImage(session_.settings());  // before the refill's checks may change a record
        pages_.RefillFromRecords();
        fileUsed(name, image);
        op_.showMessage(kMsgFileOpenSuccessful);
    } else if (!QFileInfo::exists(name) && recent_.files.contains(QFileInfo(name).absoluteFilePath())) {
        // A file gone since: "Open Recent" no longer offers it.
        recent_.remove(name);
        keepRecentFiles();
    }
    op_.setBusy(false);
}

void ConfigFiles::setRecentFilesFile(const QString& file)
{
    recentFilesFile_ = file;
    recent_ = file.isEmpty() ? RecentFiles{} : LoadRecentFiles(file);
    showRecentFiles();
}

void ConfigFiles::fileUsed(const QString& path, const QByteArray& image)
{
    currentFile_ = QFileInfo(path).absoluteFilePath();
    fileImage_ = image;
    recent_.use(path);
    keepRecentFiles();
    showFileTitle();
}

void ConfigFiles::keepRecentFiles()
{
    if (!recentFilesFile_.isEmpty()) {
        QString reason;
        if (!SaveRecentFiles(recentFilesFile_, recent_, &reason))
            op_.setStatus(QStringLiteral("Note: the list of recent files could not be saved in %1 (%2).")
                              .arg(recentFilesFile_, reason));
    }
    showRecentFiles();
}

void ConfigFiles::showRecentFiles()
{
    QMenu* menu = openRecent_ ? openRecent_->menu() : nullptr;
    if (!menu) return;
    menu->clear();
    int number = 0;
    for (const QString& path : recent_.files) {
        QAction* a = menu->addAction(RecentItemText(++number, path));
        a->setObjectName(QStringLiteral("OpenRecentFile%1").arg(number));
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] { OpenRecentFile(path); });
    }
    if (!recent_.files.isEmpty()) {
        menu->addSeparator();
        QAction* clear = menu->addAction(QStringLiteral("&Clear List"));
        clear->setObjectName(QStringLiteral("OpenRecentClear"));
        // Queued: the menu that holds the item is rebuilt by it.
        connect(clear, &QAction::triggered, this, [this] {
            recent_.files.clear();
            keepRecentFiles();
        }, Qt::QueuedConnection);
    }
    openRecent_->setEnabled(!recent_.files.isEmpty());
}

void ConfigFiles::OpenRecentFile(const QString& path)
{
    // As "Open Configuration File": not while an operation waits for the units.
    if (!session_.mayStart() || !pages_.CommitPendingField()) return;
    OpenConfigurationFile(path);
}

void ConfigFiles::showFileTitle()
{
    window_.setWindowFilePath(currentFile_);
    if (currentFile_.isEmpty()) {
        window_.setWindowTitle(kCaption);
        window_.setWindowModified(false);
        return;
    }
    // "[*]" is where the mark goes; one in the file's name is doubled to show as written.
    QString name = QFileInfo(currentFile_).fileName();
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    window_.setWindowTitle(name + QStringLiteral("[*] - ") + kCaption);
    updateModifiedMark();
}

void ConfigFiles::updateModifiedMark()
{
    window_.setWindowModified(!currentFile_.isEmpty() && ConfigImage(session_.settings()) != fileImage_);
}

}  // namespace kalvora
