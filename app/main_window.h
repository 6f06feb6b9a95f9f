#pragma once
// The main window: six pages, the menu tree, the status bar, the first-show dialogue, the page
// change rules and the close sequence. It owns everything that lives for the whole run: the
// session with the units (the settings records, the flags, the serial port, the link).

#include <QHash>
#include <QSet>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

#include "app/com_port_choice.h"
#include "app/config_files.h"
#include "app/secondary_windows.h"
#include "app/status_bar_display.h"
#include "app/status_operator.h"
#include "app/unit_operations.h"
#include "app/window_fit.h"
#include "operations/session.h"
#include "platform/recent_files.h"
#include "platform/serial_devices.h"
#include "platform/serial_port.h"
#include "operations/bulk_send.h"
#include "settings/main_flags.h"
#include "settings/records.h"

class QAction;
class QFileDialog;
class QLabel;
class QTabWidget;
class QTimer;

namespace kalvora {


class DisplaySetupPage;
class DisplaySetupHost;
class InfoPage;
class NumericFields;
class TrafficWindow;
class PlanningPage;
class PlanningHost;
class ProjectorSetupPage;
class ProjectorSetupHost;
class SeamRemovalPage;
class SourceSetupPage;
class UnitOperationHost;

class TKalvoraForm : public QMainWindow,
                     public ConfigFilePages,
                     private ReadBackView,
                     private ConnectionView,
                     private WindowPages {
    Q_OBJECT
    friend class WindowUnitOperationHost;  // holds the pages disabled during a unit procedure

public:
    static constexpr int kClientWidth = 908;
    static constexpr int kClientHeight = 594;  // below the menu bar, status bar included: the least
    static constexpr int kCloseWaitMs = 1000;

    // op answers every question and shows every message (message boxes in the program,
    // a script in the tests).
    explicit TKalvoraForm(Operator& op, QWidget* parent = nullptr);
    ~TKalvoraForm() override;

    // The windows start-up creates after this one; the Help menu and long operations use them.
    void setSecondaryWindows(TInfoForm* info, TConnectionHelpForm* help);
    // The devices COM1 and COM2 stand for (named in the "COM Port" menu and on the
    // Information page).
    void setComDevices(const QString& com1, const QString& com2) { comPorts_->setDevices(com1, com2); }
    // The operator's choice of devices by stable name, remembered in `file` (a QSettings INI
    // file; empty: not remembered) when the "COM Port" menu changes it.
    void setComChoice(const ComChoice& choice, const QString& file) { comPorts_->setChoice(choice, file); }
    ComChoice comChoice() const { return comPorts_->choice(); }
    // The "COM Port" menu's choice of devices.
    ComPortChoice& comPorts() { return *comPorts_; }

    // ---- what the other parts of the program reach ----
    Operator& op() { return statusOp_; }
    Session& session() { return session_; }
    Settings& settings() { return session_.settings(); }
    MainFlags& flags() { return session_.flags(); }
    SerialPort& port() { return session_.port(); }
    Link& link() { return session_.link(); }
    CommandSet& commands() { return session_.commands(); }
    LinkController& linkController() { return session_.linkController(); }
    PlanningPage* planningPage() const { return planning_; }
    InfoPage* infoPage() const { return info_; }
    DisplaySetupPage* displayPage() const { return display_; }
    ProjectorSetupPage* projectorPage() const { return projector_; }
    // The numeric fields of the editor pages (one mechanism for all of them).
    NumericFields& numericFields() { return *fields_; }
    SourceSetupPage* sourcePage() const { return source_; }
    SeamRemovalPage* seamPage() const { return seam_; }
    QTabWidget* pages() const { return pages_; }
    QAction* menuItem(const QString& name) const { return menu_.value(name); }
    QString statusText() const;
    bool LinkEstablished() const { return session_.linkUp(); }
    // The size the window's contents ask at the desktop's font (menu and status bars included),
    // at least kClientWidth x kClientHeight below the menu bar.
    QSize contentsSize() const;
    // Fixes the window at contentsSize() cut to the screen (the pages scroll where it cuts) and
    // keeps a shown window on the screen. Runs again whenever a page's contents change size.
    void fitToContents();

    // The value the operator is typing into a numeric field (or left there while a menu, a
    // message box or another window had the keyboard) commits, as leaving the field would.
    // Everything that leaves the field behind runs this first: closing, the File and Serial Port
    // items, a page change. False: the entry was refused with its message, and the focus is back
    // in the field; the action stops there.
    bool CommitPendingField() override;

    // ---- handlers ----
    void FormShow();
    void PhasePageControlChange();
    bool FormCloseQuery();
    void FormClose();
    void Exit1Click() { close(); }
    void About1Click();
    void HelpwithKalvoraSerialconnection1Click();
    void SaveConfigurationtoFile1Click() { files_->SaveConfigurationtoFile1Click(); }
    void OpenConfigurationFile1Click() { files_->OpenConfigurationFile1Click(); }
    // "Traffic View...": the window of every byte exchanged with the units.
    void TrafficView1Click();
    TrafficTrace& trace() { return session_.trace(); }
    TrafficWindow* trafficWindow();
    // Loads `name` as "Open Configuration File" does once the file is chosen: the same
    // messages, the pages refilled, nothing sent.
    void OpenConfigurationFile(const QString& name) { files_->OpenConfigurationFile(name); }
    // A configuration file named on the command line (kalvora FILE.tnc, as a file manager
    // starts it): loaded at the first show, once the plan is initialised and before the
    // search is offered. `name` is the path's bytes as the system gives them; one that cannot
    // be opened by exactly that name is refused there with one message (kMsgFileNameNotText).
    void setStartupFileName(const QByteArray& name) { files_->setStartupFileName(name); }
    void setStartupFile(const QString& name);
    // A configuration file another start of the program was given, by its path's bytes: opened
    // as "Open Configuration File" opens one (or refused as above), once no operation runs and
    // no dialogue is open.
    void OpenRequestedFileName(const QByteArray& name) { files_->OpenRequestedFileName(name); }
    void OpenRequestedFile(const QString& name);

    // The configuration files: open, save, recent files, the title with the modified mark.
    ConfigFiles& configFiles() { return *files_; }
    // The program's settings file (kalvora.conf; empty: nothing kept): "Open Recent" and the
    // folder the file dialogs start in are read from it now and kept there.
    void setRecentFilesFile(const QString& file) { files_->setRecentFilesFile(file); }
    const RecentFiles& recentFiles() const { return files_->recentFiles(); }
    // The configuration file last opened or saved (empty: none); the title names it and marks
    // it modified while the records differ from what the file holds.
    QString currentFile() const { return files_->currentFile(); }

    // Page fills of the Source Setup and Seam Removal pages, run by the page change and the
    // refills; tests count them.
    std::function<void()> FillSourcePage = [this] { fillSourcePage(); };
    std::function<void()> FillSeamPage = [this] { fillSeamPage(); };
    // After a read from the units or a configuration file load, with FormFilling set: the
    // Information page, the Planning page from the records (with its warnings), the Source
    // Setup, Display Setup and Seam Removal pages, the overlap width check (the drawings and
    // image positions of the wall read) and the page change.
    void RefillFromRecords() override;
    // "Send Current Settings to Tornel(s)": every setting the pages show, to the units.
    BulkOutcome SendCurrentSettingstoTornels1Click() { return unitOps_->SendCurrentSettings(); }
    // The Information page's buttons (each guards itself with EditorBusy).
    void ResetButtonClick() { unitOps_->ResetUnits(); }
    void SystemSaveButtonClick() { unitOps_->SystemSaveUnits(); }
    // Ends the program at once with `status` (Cancel in the direct-mode recovery dialog): the
    // port is closed and the process exits without unwinding the operation that asked.
    // Tests replace it.
    std::function<void(int status)> ExitProgram;
    // The stay-on-top note for long unit operations (nullptr until start-up hands it over).
    TInfoForm* infoForm() const { return infoForm_; }

signals:
    // The close sequence has finished (window hidden, port closed): the program may end.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The builders' read-backs, shown on the pages (window_page_wiring.cpp).
    void showOutputs() override;
    void showInputs() override;
    void showInputColours(int channel) override;
    int shownInputChannel() const override;
    void showSeams() override;
    // The connection steps' questions and findings (window_page_wiring.cpp).
    int plannedProjectors() const override;
    int workingProjectors() const override;
    void unitCountKnown(int count) override;
    void showUnitsRead() override;
    void linkDropped() override;

    void buildPages();
    void wrapPagesInScrollArea();
    void wireLink();
    void wireLinkController();
    void showLinkControllerState();
    void updatePageControlEnabling();
    // Menu item `name` runs `handler` once the checks every item passes allow it.
    void onMenuItem(const QString& name, std::function<void()> handler);
    // The checks every menu item passes: not while an operation waits (items that talk to the
    // units), and the field being edited commits first.
    bool menuItemMayRun(const QString& name);
    // A click, wheel turn or Ctrl+Tab that is about to change page (or a page's inner page)
    // commits the field being edited first; true when its entry was refused (the event is then
    // dropped).
    bool pageChangeRefused(QObject* watched, QEvent* event);
    // What the bulk send's values need from the pages (window_page_wiring.cpp).
    void fillSourcePage() override;
    void fillSeamPage() override;
    void fillDisplayPage() override;
    bool commitField(const FieldKey& key) override;
    int overlapWidthMax() override;

    StatusOperator statusOp_;
    Session session_;

    // What the pages reach outside themselves; they outlive the pages.
    std::unique_ptr<PlanningHost> planningHost_;
    std::unique_ptr<DisplaySetupHost> displayHost_;
    std::unique_ptr<ProjectorSetupHost> projectorHost_;
    std::unique_ptr<UnitOperationHost> unitOperationHost_;
    QTabWidget* pages_ = nullptr;
    FitWatch fitWatch_;
    PlanningPage* planning_ = nullptr;
    InfoPage* info_ = nullptr;
    NumericFields* fields_ = nullptr;
    DisplaySetupPage* display_ = nullptr;
    ProjectorSetupPage* projector_ = nullptr;
    SourceSetupPage* source_ = nullptr;
    SeamRemovalPage* seam_ = nullptr;
    StatusBarDisplay* status_ = nullptr;
    QHash<QString, QAction*> menu_;
    QSet<QString> handledItems_;
    QPointer<TInfoForm> infoForm_;
    QPointer<TConnectionHelpForm> helpForm_;
    QPointer<TrafficWindow> trafficWindow_;

    ConfigFiles* files_ = nullptr;
    UnitOperations* unitOps_ = nullptr;
    ComPortChoice* comPorts_ = nullptr;
    bool pageControlHeld_ = false;  // a unit procedure keeps the pages disabled
    bool shown_ = false;
    bool closing_ = false;
    bool closed_ = false;
};

}  // namespace kalvora
