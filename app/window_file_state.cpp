// What the window remembers of configuration files: "Open Recent", the folder the file dialogs
// start in (both kept in the program's settings file), and the current file in the title with
// the modified mark while the records differ from what the file holds.

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>

#include "app/main_window.h"
#include "link/traffic_trace.h"
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

void TKalvoraForm::wireFileState()
{
    // Records change through commands (each leaves a row in the trace), reads, loads, and edits
    // made without a link; the mark is brought up to date after each of them, once the events
    // of the moment have run.
    modifiedCheck_ = new QTimer(this);
    modifiedCheck_->setSingleShot(true);
    modifiedCheck_->setInterval(0);
    connect(modifiedCheck_, &QTimer::timeout, this, &TKalvoraForm::updateModifiedMark);
    connect(&session_, &Session::trafficChanged, modifiedCheck_, qOverload<>(&QTimer::start));
    qApp->installEventFilter(this);
    showRecentFiles();
    showFileTitle();
}

bool TKalvoraForm::eventFilter(QObject* watched, QEvent* event)
{
    if (pageChangeRefused(watched, event)) return true;
    // The operator's keys and clicks in this window may have changed a record.
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyRelease || type == QEvent::MouseButtonRelease) && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this && modifiedCheck_)
        modifiedCheck_->start();
    return QMainWindow::eventFilter(watched, event);
}

void TKalvoraForm::setRecentFilesFile(const QString& file)
{
    recentFilesFile_ = file;
    recent_ = file.isEmpty() ? RecentFiles{} : LoadRecentFiles(file);
    showRecentFiles();
}

void TKalvoraForm::fileUsed(const QString& path, const QByteArray& image)
{
    currentFile_ = QFileInfo(path).absoluteFilePath();
    fileImage_ = image;
    recent_.use(path);
    keepRecentFiles();
    showFileTitle();
}

void TKalvoraForm::keepRecentFiles()
{
    if (!recentFilesFile_.isEmpty()) {
        QString reason;
        if (!SaveRecentFiles(recentFilesFile_, recent_, &reason))
            statusOp_.setStatus(QStringLiteral("Note: the list of recent files could not be saved in %1 (%2).")
                                    .arg(recentFilesFile_, reason));
    }
    showRecentFiles();
}

void TKalvoraForm::showRecentFiles()
{
    QAction* item = menu_.value(QStringLiteral("OpenRecent1"));
    QMenu* menu = item ? item->menu() : nullptr;
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
    item->setEnabled(!recent_.files.isEmpty());
}

void TKalvoraForm::OpenRecentFile(const QString& path)
{
    // As "Open Configuration File": not while an operation waits for the units.
    if (!session_.mayStart() || !CommitPendingField()) return;
    OpenConfigurationFile(path);
}

void TKalvoraForm::showFileTitle()
{
    setWindowFilePath(currentFile_);
    if (currentFile_.isEmpty()) {
        setWindowTitle(kCaption);
        setWindowModified(false);
        return;
    }
    // "[*]" is where the mark goes; one in the file's name is doubled to show as written.
    QString name = QFileInfo(currentFile_).fileName();
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(name + QStringLiteral("[*] - ") + kCaption);
    updateModifiedMark();
}

void TKalvoraForm::updateModifiedMark()
{
    setWindowModified(!currentFile_.isEmpty() && ConfigImage(session_.settings()) != fileImage_);
}

}  // namespace kalvora
