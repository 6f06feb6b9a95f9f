#pragma once
// The configuration files of the window: "Save Configuration to File" and "Open Configuration
// File" (the tables of both units to and from a .tnc file; loading refills the pages and sends
// nothing to the units), "Open Recent" and the folder the file dialogs start in (both kept in the
// program's settings file), a file named on the command line or by another start, and the current
// file in the window's title with the modified mark while the records differ from what the file
// holds.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "platform/recent_files.h"

class QAction;
class QFileDialog;
class QMainWindow;
class QTimer;

namespace kalvora {

class Operator;
class Session;

// A file named on the command line or by another start whose name is not valid text: opened by
// a name Qt can hold, it would be another file. %1: the name, other bytes as \xHH.
inline const QString kMsgFileNameNotText = QStringLiteral(
    "Error! Unable to open Configuration file. Its name is not valid UTF-8 text, so Kalvora cannot open it by "
    "that name:\n%1\nRename the file and open it again.");
inline const QString kTitleSaveEmpty = QStringLiteral("Vorn - Kalvora :Save Configuration");
inline const QString kSaveEmptyQuestion = QStringLiteral(
    "Warning. No settings have been read from the Tornel(s) or loaded from a file yet, so the file will hold "
    "empty settings. Save it anyway?");

// What a file operation needs of the pages.
class ConfigFilePages {
public:
    // A loaded file's records shown on every page.
    virtual void RefillFromRecords() = 0;
    // The value being typed commits before a file is opened; false: refused, nothing opens.
    virtual bool CommitPendingField() = 0;

protected:
    ~ConfigFilePages() = default;
};

class ConfigFiles : public QObject {
    Q_OBJECT
public:
    // `window` carries the title and parents the dialogs; `openRecent` is the "Open Recent" item.
    ConfigFiles(QMainWindow& window, ConfigFilePages& pages, Session& session, Operator& op, QAction* openRecent);

    void SaveConfigurationtoFile1Click();
    void OpenConfigurationFile1Click();
    // Loads `name` as "Open Configuration File" does once the file is chosen: the same
    // messages, the pages refilled, nothing sent.
    void OpenConfigurationFile(const QString& name);
    // "Open Recent" > a file: opened as "Open Configuration File" opens it.
    void OpenRecentFile(const QString& path);

    // The file dialogs of the two File menu items: the chosen path, or empty when the operator
    // cancels. Tests put a path here instead of a dialog.
    std::function<QString()> SaveDialog1;
    std::function<QString()> OpenDialog1;
    // Those dialogs as the menu items set them up (filters, the folder they start in).
    std::unique_ptr<QFileDialog> MakeConfigFileDialog(bool save);

    // The program's settings file (kalvora.conf; empty: nothing kept): "Open Recent" and the
    // folder the file dialogs start in are read from it now and kept there.
    void setRecentFilesFile(const QString& file);
    const RecentFiles& recentFiles() const { return recent_; }
    // The configuration file last opened or saved (empty: none).
    QString currentFile() const { return currentFile_; }
    void updateModifiedMark();

    // A configuration file named on the command line, by the path's bytes as the system gives
    // them: opened by openStartupFile(); one that cannot be opened by exactly that name is
    // refused there with one message (kMsgFileNameNotText).
    void setStartupFileName(const QByteArray& name) { startupFile_ = name; }
    void openStartupFile();
    // A configuration file another start of the program was given: opened as "Open
    // Configuration File" opens one (or refused as above), once no operation runs and no
    // dialogue is open. Before the window was first shown it becomes the startup file.
    void OpenRequestedFileName(const QByteArray& name);
    void windowShown() { shown_ = true; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fileUsed(const QString& path, const QByteArray& image);  // a successful open or save of `image`
    void keepRecentFiles();  // into the settings file, and the menu shows them
    void showRecentFiles();
    void showFileTitle();
    void openRequestedFileWhenFree();
    void OpenNamedFile(const QByteArray& name);

    QMainWindow& window_;
    ConfigFilePages& pages_;
    Session& session_;
    Operator& op_;
    QAction* openRecent_;

    RecentFiles recent_;
    QString recentFilesFile_;
    QString currentFile_;
    QByteArray fileImage_;  // what the current file holds
    QTimer* modifiedCheck_ = nullptr;

    QByteArray startupFile_;
    QByteArray requestedFile_;  // waiting for the running operation or dialogue to end
    QTimer* requestRetry_ = nullptr;
    static constexpr int kRequestRetryMs = 500;
    bool shown_ = false;
};

}  // namespace kalvora
