#include "app/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <cstdio>
#include <cstdlib>
#include <QStatusBar>
#include <QTabWidget>

#include "settings/flag_protocol.h"
#include "app/info_page.h"
#include "app/com_port_menu.h"
#include "app/menu_tree.h"
#include "app/secondary_windows.h"
#include "app/terminal_view.h"
#include "app/traffic_window.h"
#include "editors/display_setup_page.h"
#include "editors/editor_visibility.h"
#include "editors/numeric_fields.h"
#include "editors/projector_setup_page.h"
#include "editors/radio_group.h"
#include "editors/seam_removal_page.h"
#include "editors/source_setup_page.h"
#include "link/queries.h"
#include "editors/planning_page.h"
#include "platform/gui/named_widget.h"

namespace kalvora {
namespace {

const QString kTitleSearchQuestion = QStringLiteral("Vorn - Kalvora :Establish COM port communication with Tornel(s)");
const QString kSearchQuestion = QStringLiteral(
    "Kalvora requires connection to Tornel(s) to function. Do you currently have Tornel(s) connected to the "
    "PC/laptop? Click Yes and Kalvora will search for Tornel(s).");
const QString kSearchLaterNote = QStringLiteral(
    "When Tornel(s) are connected, go to 'Serial Port->Search for Tornel(s)->Search' menu item for the Kalvora to "
    "search for Tornel(s).\nPlease refer to Tornel manual for help with Kalvora serial connection.");
const QString kTitleConfirmExit = QStringLiteral("Vorn - Kalvora :Confirm Exit");
const QString kConfirmExit = QStringLiteral("Are you sure you want to exit this application?");
const QString kNoLinkNote = QStringLiteral("Note: No Tornel communication established yet.");

// The pages whose controls need a link: what the page change does first when the link is ready,
// and the controls it enables (ready) or disables (not ready).
enum class OnReady { FillSourcePage, FillSeamPage, FocusTerminal };
struct LinkPage {
    const char* page;
    OnReady onReady;
    std::initializer_list<const char*> controls;
};
const LinkPage kLinkPages[] = {
    {"SourceSetupTabSheet",
     OnReady::FillSourcePage,
     {"SourceScreenSelectRadioGroup", "InputAlignmentGroupBox", "OverallColorGroupBox"}},
    {"SeamRemovalTabSheet",
     OnReady::FillSeamPage,
     {"SeamScreenSelectRadioGroup", "SeamGroupBox", "SeamBridgeAllConfigCheckBox", "SeamAutoAllConfigButton"}},
    {"InfoTabSheet", OnReady::FocusTerminal, {"ResetButton", "SystemSaveButton"}},
};

}  // namespace

TKalvoraForm::TKalvoraForm(Operator& op, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      statusOp_(op, [this](const QString& text) {
          if (statusLabel_) statusLabel_->setText(text);
          // The operation's step goes with the operation's text; a bulk send's count stays
          // for the whole send, across the transactions of each of its commands.
          if (text.isEmpty() && progressLabel_) progressLabel_->setText(bulkStep_);
      })
{
    setObjectName(QStringLiteral("TKalvoraForm"));
    setWindowTitle(QStringLiteral("Quennel - Kalvora"));
    link_ = std::make_unique<Link>(port_, statusOp_, flags_);
    trace_.attach(port_);
    link_->setTrace(&trace_);
    commands_ = std::make_unique<CommandSet>(*link_, settings_);
    controller_ = std::make_unique<LinkController>(*link_, settings_);

    menu_ = BuildMenuTree(menuBar());
    buildPages();
    buildStatusBar();
    wirePlanningPage();
    wireEditorPages();
    wireLink();
    wireLinkController();
    wireConfigFileMenu();
    wireSourceAndSeamPages();
    wireUnitOperations();
    for (auto it = menu_.cbegin(); it != menu_.cend(); ++it) {
        const QString name = it.key();
        connect(it.value(), &QAction::triggered, this, [this, name] { runMenuItem(name); });
    }
    setMenuHandler(QStringLiteral("Exit1"), [this] { Exit1Click(); });
    setMenuHandler(QStringLiteral("About1"), [this] { About1Click(); });
    setMenuHandler(QStringLiteral("TrafficView1"), [this] { TrafficView1Click(); });
    setMenuHandler(QStringLiteral("HelpwithKalvoraSerialconnection1"), [this] { HelpwithKalvoraSerialconnection1Click(); });
    setComDevices(port_.device(1), port_.device(2));
    // The devices are looked up afresh whenever the "COM Port" menu opens (adapters come and go).
    if (QMenu* comPort = menu_.value(QStringLiteral("COMPort1"))->menu()) {
        connect(comPort, &QMenu::aboutToShow, this, [this] {
            serialDevices_ = ListSerialDevices ? ListSerialDevices() : QList<SerialDeviceInfo>{};
            showComDevices();
        });
    }

    // The client area is fixed; the menu bar sits above it.
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    pages_->setCurrentIndex(0);  // "Planning"
}

TKalvoraForm::~TKalvoraForm()
{
    // The field mechanism goes first: a focused field destroyed with the pages must not commit.
    delete fields_;
    fields_ = nullptr;
    // The pages' hooks point into this window; drop the link last.
    delete pages_;
    pages_ = nullptr;
}

void TKalvoraForm::buildPages()
{
    pages_ = MakeNamed<QTabWidget>(this, QStringLiteral("PhasePageControl"));
    planning_ = new PlanningPage(settings_, flags_, statusOp_, pages_);
    planning_->setObjectName(QStringLiteral("PlanningTabSheet"));
    info_ = new InfoPage(settings_, pages_);
    fields_ = new NumericFields(this, flags_, statusOp_, *commands_, this);
    projector_ = new ProjectorSetupPage(flags_, *commands_, pages_);
    display_ = new DisplaySetupPage(settings_, flags_, statusOp_, *commands_, *fields_, pages_);
    pages_->addTab(planning_, QStringLiteral("Planning"));
    pages_->addTab(projector_, QStringLiteral("Projector Setup"));
    source_ = new SourceSetupPage(settings_, flags_, statusOp_, *commands_, pages_);
    pages_->addTab(source_, QStringLiteral("Source Setup"));
    pages_->addTab(display_, QStringLiteral("Display Setup"));
    seam_ = new SeamRemovalPage(settings_, flags_, statusOp_, *commands_, pages_);
    pages_->addTab(seam_, QStringLiteral("Seam Removal"));
    pages_->addTab(info_, QStringLiteral("Information"));
    info_->plannedProjectors = [this] { return planning_->workingCount(); };
    setCentralWidget(pages_);
    connect(pages_, &QTabWidget::currentChanged, this, [this] { PhasePageControlChange(); });
}

void TKalvoraForm::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("MainStatusBar"));
    bar->setSizeGripEnabled(false);
    // One permanent text: menu hints must not wipe the progress and notes written here.
    statusLabel_ = MakeNamed<QLabel>(bar, QStringLiteral("MainStatusBarText"));
    bar->addWidget(statusLabel_, 1);
    // Beside it, the step a unit operation is at: the unit and the query or command now on
    // the line, taken from the traffic trace.
    progressLabel_ = MakeNamed<QLabel>(bar, QStringLiteral("ProgressLabel"));
    bar->addPermanentWidget(progressLabel_);
    auto showStep = [this] {
        if (trace_.rows().empty()) return;
        const TraceRow& row = trace_.rows().back();
        if (!bulkStep_.isEmpty()) return;
        if (!row.open || (row.kind != TraceRow::Kind::Query && row.kind != TraceRow::Kind::Command)) return;
        progressLabel_->setText(OperationStepText(row));
    };
    connect(&trace_, &TrafficTrace::rowAdded, this, showStep);
    connect(&trace_, &TrafficTrace::lastRowChanged, this, showStep);
}

QString OperationStepText(const TraceRow& row)
{
    // "TNQUERY *2OINFOTN 3!\r" or "OINFOTN 3\r" -> "OINFOTN 3"; "PASS *2BLKGN 2 30!C4\r\r" -> "BLKGN 2 30".
    QByteArray text = row.sent;
    for (const char* prefix : {"PASS ", "TNQUERY "})
        if (text.startsWith(prefix)) text = text.mid(int(qstrlen(prefix)));
    if (text.startsWith('*')) {
        int i = 1;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        text = text.mid(i);
    }
    const int end = text.indexOf('!');
    if (end >= 0) text.truncate(end);
    text = text.trimmed();
    if (text.isEmpty()) return QString();
    const QString what = QString::fromLatin1(text).left(40);
    const QString unit = row.unit == 1 || row.unit == 2 ? QStringLiteral("unit %1").arg(row.unit) : QStringLiteral("controller");
    return row.kind == TraceRow::Kind::Query ? QStringLiteral("Reading %1: %2").arg(unit, what)
                                             : QStringLiteral("Sending to %1: %2").arg(unit, what);
}

QString TKalvoraForm::statusText() const { return statusLabel_ ? statusLabel_->text() : QString(); }

void TKalvoraForm::wirePlanningPage()
{
    PlanningHooks& h = planning_->hooks();
    h.linkEstablished = [this] { return LinkEstablished(); };
    h.linkBusy = [this] { return !link_->MayStart(); };
    h.controllerMode = [this] { return link_->RS485CheckBox; };
    h.queryUnitCount = [this] { return QueryUnitCount(*link_); };
    h.queryUnit = [this](int unit) { return QueryUnit(*link_, settings_, unit); };
    h.twoUnitCheck = [this](int, int) { return controller_->TwoUnitCheck(); };
    h.sendProjectorCount = [this](int unit, int count) { return commands_->SendProjectorCount(unit, count); };
    h.sendDisplayLayout = [this](int unit, int alignment, int width) {
        return commands_->SendDisplayLayout(unit, alignment, width);
    };
    auto* overlap = FindNamed<QLineEdit>(this, QStringLiteral("OWidthEdit"));
    h.overlapWidthText = [overlap] { return overlap->text(); };
    h.setOverlapWidthText = [overlap](const QString& text) { overlap->setText(text); };
    h.setImagePositions = [this](const std::array<QString, 8>& start, const std::array<QString, 8>& end) {
        for (int k = 0; k < 8; ++k) info_->setImagePosition(k + 1, start[k], end[k]);
    };
    h.showEditorsFor = [this](int n) { ShowEditorsFor(this, n); };
    h.setFeatheringControlsVisible = [this](bool visible) { SetFeatheringControlsVisible(this, visible); };
    h.runAdvancedModeHandler = [this] { display_->AdvanceModeCheckBoxClick(); };
    h.enableAfterCalculate = [this] { EnableAfterCalculate(this); };
}

void TKalvoraForm::wireEditorPages()
{
    const auto selected = [this](const char* selector) {
        auto* group = FindNamed<RadioGroup>(this, QString::fromLatin1(selector));
        return group && group->itemIndex() >= 0 ? group->itemIndex() + 1 : 1;
    };
    NumericFieldHooks& f = fields_->hooks();
    f.linkEstablished = [this] { return LinkEstablished(); };
    f.selectedSourceChannel = [selected] { return selected("SourceScreenSelectRadioGroup"); };
    f.selectedSeamChannel = [selected] { return selected("SeamScreenSelectRadioGroup"); };
    f.fillBlackLevel = [this](int n) { display_->FillBlackLevel(n); };
    f.fillSourcePage = [this] { FillSourcePage(); };
    f.fillSeamPage = [this] { FillSeamPage(); };
    f.sendEdgeFeathering = [this](int screen, int side) {
        if (side == 0)
            display_->SendLeftEdgeFeathering(screen);
        else
            display_->SendRightEdgeFeathering(screen);
    };

    DisplaySetupHooks& d = display_->hooks();
    d.linkEstablished = [this] { return LinkEstablished(); };
    d.clearProjectorTests = [this] { projector_->ClearSelections(); };
    d.overlapWidthMax = [this] { return planning_->plan().OverlapWidthMax; };
    d.projOverlap = [this] { return planning_->plan().ProjOverlap; };
    d.alignment = [this] { return planning_->alignment(); };
    d.drawProjectorLayout = [this] { planning_->DrawProjectorLayout(); };
    d.updateAspectFromImage = [this] { planning_->UpdateAspectFromImage(); };
    d.setOverlapText = [this](const QString& text) { planning_->setOverlapText(text); };

    projector_->FillTestPattern = [this](int n) { display_->FillTestPattern(n); };
    commands_->FillDisplayPage = [this] {
        display_->FillDisplayPage();
        info_->refreshWallOverview();
    };
}

void TKalvoraForm::RefillFromRecords()
{
    FillingGuard filling(flags_);
    info_->ScreenInfoComboBoxChange();
    planning_->SyncPlanningFromRecords(isVisible());
    FillSourcePage();
    display_->FillDisplayPage();
    FillSeamPage();
    display_->OWidthEditExit();
    PhasePageControlChange();
    info_->refreshWallOverview();  // after the planning sync: the planned count may have changed
}

void TKalvoraForm::wireLink()
{
    TerminalView* terminal = info_->terminal();
    terminal->portOpen = [this] { return port_.isOpen(); };
    terminal->send = [this](const QByteArray& bytes) { port_.putString(bytes); };
    // The terminal shows every byte taken from the line, whoever takes it.
    connect(&port_, &SerialPort::bytesRead, info_->terminal(), &TerminalView::receive);
    // While the operator works in the terminal (Information page shown, no unit operation or
    // search running) nobody else reads the port, so the terminal takes what the units send
    // then. At any other time the bytes stay queued for the link, whose waits rely on them.
    connect(&port_, &SerialPort::triggerAvail, this, [this](int count) {
        const bool terminalTime = pages_->currentWidget() == info_ && pages_->isEnabled() && !flags_.EditorBusy &&
                                  !link_->AwaitingReply && !controller_->Searching();
        if (!terminalTime || count <= 0) return;
        QByteArray bytes(count, '\0');
        port_.getBlock(bytes.data(), count);  // shown through bytesRead
    });

    // No operation on the units starts inside another one's wait or pause.
    connect(info_->resetButton(), &QPushButton::clicked, this, [this] {
        if (link_->MayStart()) ResetButtonClick();
    });
    connect(info_->systemSaveButton(), &QPushButton::clicked, this, [this] {
        if (link_->MayStart()) SystemSaveButtonClick();
    });
    connect(link_.get(), &Link::phasePageControlEnabledChanged, this, [this] { updatePageControlEnabling(); });
    connect(link_.get(), &Link::version1LabelChanged, this, [this](const QString& text) {
        if (auto* l = FindNamed<QLabel>(this, QStringLiteral("Version1Label"))) l->setText(text);
    });
    connect(link_.get(), &Link::unitIdsChanged, this, [this] {
        const QString ids[] = {link_->TornelID1Edit, link_->TornelID2Edit};
        const bool visible[] = {link_->TornelID1Visible, link_->TornelID2Visible};
        for (int u = 0; u < 2; ++u) {
            if (auto* e = FindNamed<QLineEdit>(this, QStringLiteral("TornelID%1Edit").arg(u + 1))) {
                e->setText(ids[u]);
                e->setVisible(visible[u]);
            }
            if (auto* c = FindNamed<QWidget>(this, QStringLiteral("TornelID%1Caption").arg(u + 1)))
                c->setVisible(visible[u]);
        }
    });
    connect(link_.get(), &Link::lineStateChanged, this, [this](const SerialPort::LineState& s) {
        info_->setLight(InfoPage::Light::Cts, s.cts);
        info_->setLight(InfoPage::Light::Dcd, s.dcd);
        info_->setLight(InfoPage::Light::Rxd, s.rxd);
        info_->setLight(InfoPage::Light::Txd, s.txd);
    });
    connect(link_.get(), &Link::linkEstablishedChanged, this, [this](bool up) {
        if (up) return;
        for (auto light : {InfoPage::Light::Txd, InfoPage::Light::Rxd, InfoPage::Light::Dcd, InfoPage::Light::Cts})
            info_->setLight(light, false);  // the lights show the line only while the link is up
    });
    ExitProgram = [this](int status) {
        port_.close();
        std::fflush(nullptr);
        std::_Exit(status & 0xFF);
    };
    connect(link_.get(), &Link::exitRequested, this, [this](int status) {
        // Cancel in the recovery dialog ends the program with the link's status, at once.
        if (ExitProgram) ExitProgram(status);
    });
}

void TKalvoraForm::wireLinkController()
{
    LinkController& c = *controller_;
    c.NumOfProjectors = [this] {
        // The stored count may exceed the list after the minimum-count message; it only
        // decides one or two units here.
        const double n = planning_->plan().NumOfProjectors;
        return n > 1000 ? 1000 : static_cast<int>(n);
    };
    c.WorkingProjectorCount = [this] { return planning_->workingCount(); };
    c.PhasePageControlChange = [this] { PhasePageControlChange(); };

    // The menu items of the link, each calling the controller's operation of the same name.
    const std::pair<const char*, void (LinkController::*)()> items[] = {
        {"SearchAll", &LinkController::SearchAllClick},
        {"TornelconnectedthruController1", &LinkController::TornelconnectedthruController1Click},
        {"TornelconnectedtoSerialPortdirectly1", &LinkController::TornelconnectedtoSerialPortdirectly1Click},
        {"DisconnectSerialCo1", &LinkController::DisconnectSerialCo1Click},
        {"Defaultvalues1", &LinkController::Defaultvalues1Click},
        {"N9600", &LinkController::N9600Click},
        {"N19200", &LinkController::N19200Click},
        {"N38400", &LinkController::N38400Click},
        {"N57600", &LinkController::N57600Click},
        {"ParityNone", &LinkController::ParityNoneClick},
        {"ParityOdd", &LinkController::ParityOddClick},
        {"ParityEven", &LinkController::ParityEvenClick},
        {"ParityMark", &LinkController::ParityMarkClick},
        {"ParitySpace", &LinkController::ParitySpaceClick},
    };
    for (const auto& [name, op] : items)
        setMenuHandler(QString::fromLatin1(name), [this, op] { (controller_.get()->*op)(); });
    setMenuHandler(QStringLiteral("ReadfromTornels1"), [this] { controller_->ReadfromTornels1Click(); });

    connect(&c, &LinkController::stateChanged, this, [this] { showLinkControllerState(); });
    connect(&c, &LinkController::searchingChanged, this, [this] { updatePageControlEnabling(); });
    showLinkControllerState();
}

void TKalvoraForm::updatePageControlEnabling()
{
    // Disabled while the link waits for a unit and for the whole of a port search.
    pages_->setEnabled(link_->PhasePageControlEnabled() && !controller_->Searching() && !pageControlHeld_);
}

void TKalvoraForm::wireSourceAndSeamPages()
{
    FillSourcePage = [this] { source_->FillSourcePage(); };
    FillSeamPage = [this] { seam_->FillSeamPage(); };
    commands_->FillSourcePage = [this] { source_->FillSourcePage(); };
    commands_->FillSourceColour = [this](int n) { source_->FillSourceColour(n); };
    commands_->FillSeamPage = [this] { seam_->FillSeamPage(); };
    commands_->SelectedSourceChannel = [this] { return source_->SelectedChannel(); };
    for (UnitOperationHooks* h : {&source_->hooks(), &seam_->hooks()}) {
        h->linkEstablished = [this] { return LinkEstablished(); };
        h->phasePageControlChange = [this] { PhasePageControlChange(); };
        h->holdPageControl = [this](bool held) {
            pageControlHeld_ = held;
            updatePageControlEnabling();
        };
        h->showProgress = [this](const QString& text) {
            if (!infoForm_) return;
            infoForm_->showInfo(text);
            // The window is painted before the long operation takes the thread into its waits.
            QCoreApplication::processEvents();
            infoForm_->repaint();
            QCoreApplication::processEvents();
        };
        h->progressUnit = [this](int unit, int units) {
            if (infoForm_) infoForm_->setUnit(unit, units);
        };
        h->hideProgress = [this] {
            if (infoForm_) infoForm_->hideInfo();
        };
        h->busyCursor = [this](bool busy) { link_->SetCursorBusy(busy); };
    }
}

void TKalvoraForm::showLinkControllerState()
{
    const LinkController& c = *controller_;
    menu_.value(QStringLiteral("ReadfromTornels1"))->setEnabled(c.ReadfromTornels1Enabled());
    menu_.value(QStringLiteral("SendCurrentSettingstoTornels1"))->setEnabled(c.SendCurrentSettingstoTornels1Enabled());
    static const char* const kBaudItems[] = {"Defaultvalues1", "N9600", "N19200", "N38400", "N57600"};
    menu_.value(QString::fromLatin1(kBaudItems[static_cast<int>(c.CheckedBaud())]))->setChecked(true);
    static const char* const kParityItems[] = {"ParityNone", "ParityOdd", "ParityEven", "ParityMark", "ParitySpace"};
    menu_.value(QString::fromLatin1(kParityItems[static_cast<int>(c.CheckedParity())]))->setChecked(true);
    if (auto* l = FindNamed<QLabel>(this, QStringLiteral("ComNumberLabel"))) l->setText(c.ComNumberLabel());
    if (auto* baud = FindNamed<QComboBox>(this, QStringLiteral("BaudComboBox"))) baud->setCurrentIndex(c.BaudComboBoxIndex());
    if (auto* mode = FindNamed<QCheckBox>(this, QStringLiteral("RS485CheckBox"))) mode->setChecked(c.ControllerMode());
}

void TKalvoraForm::setSecondaryWindows(TInfoForm* info, TConnectionHelpForm* help)
{
    infoForm_ = info;
    helpForm_ = help;
}

void TKalvoraForm::setComDevices(const QString& com1, const QString& com2)
{
    port_.setDevice(1, com1);
    port_.setDevice(2, com2);
    serialDevices_ = ListSerialDevices ? ListSerialDevices() : QList<SerialDeviceInfo>{};
    showComDevices();
}

void TKalvoraForm::setComChoice(const ComChoice& choice, const QString& file)
{
    comChoice_ = choice;
    comChoiceFile_ = file;
    showComDevices();
}

void TKalvoraForm::chooseComDevice(int n, const QString& name)
{
    if (n != 1 && n != 2) return;
    (n == 1 ? comChoice_.com1 : comChoice_.com2) = name;
    serialDevices_ = ListSerialDevices ? ListSerialDevices() : QList<SerialDeviceInfo>{};
    const int other = 3 - n;
    // The other port keeps its device; resolving with it given finds this one's.
    PortOptions fixed;
    (other == 1 ? fixed.com1 : fixed.com2) = port_.device(other);
    QString com[3];
    ResolveComDevices(fixed, comChoice_, serialDevices_, com[1], com[2]);
    // An automatic other port that now names the same device moves on to a free one.
    const QString otherChoice = other == 1 ? comChoice_.com1 : comChoice_.com2;
    const SerialDeviceInfo* mine = FindSerialDevice(serialDevices_, com[n]);
    const SerialDeviceInfo* theirs = FindSerialDevice(serialDevices_, com[other]);
    if (otherChoice.isEmpty() && mine && mine == theirs) {
        PortOptions keep;
        (n == 1 ? keep.com1 : keep.com2) = com[n];
        ComChoice automatic = comChoice_;
        (other == 1 ? automatic.com1 : automatic.com2).clear();
        ResolveComDevices(keep, automatic, serialDevices_, com[1], com[2]);
    }
    port_.setDevice(1, com[1]);
    port_.setDevice(2, com[2]);
    if (!comChoiceFile_.isEmpty()) {
        QSettings store(comChoiceFile_, QSettings::IniFormat);
        SaveComChoice(store, comChoice_);
        if (store.status() != QSettings::NoError)
            statusOp_.setStatus(QStringLiteral("Note: the choice of serial device could not be saved in %1.").arg(comChoiceFile_));
    }
    // The menu item that ran this is still in use: the menu is rebuilt once it returns.
    QMetaObject::invokeMethod(this, &TKalvoraForm::showComDevices, Qt::QueuedConnection);
}

void TKalvoraForm::showComDevices()
{
    ComPortMenuState state{serialDevices_, {port_.device(1), port_.device(2)}, comChoice_};
    QAction* comPort = menu_.value(QStringLiteral("COMPort1"));
    ShowComPortMenu(comPort ? comPort->menu() : nullptr, state,
                    [this](int n, const QString& name) { chooseComDevice(n, name); });
    for (int n = 1; n <= 2; ++n) {
        const SerialDeviceInfo* d = FindSerialDevice(serialDevices_, port_.device(n));
        info_->setComDevice(n, ComDeviceText(port_.device(n), serialDevices_), d ? d->details() : port_.device(n));
    }
}

void TKalvoraForm::setMenuHandler(const QString& itemName, std::function<void()> handler)
{
    menuHandlers_.insert(itemName, std::move(handler));
}

void TKalvoraForm::runMenuItem(const QString& name)
{
    // The items that talk to the units (or drop the link under a waiting operation) do nothing
    // while an operation waits: they would overwrite the command and reply buffers under it.
    static const QSet<QString> kUnitItems = {
        QStringLiteral("SearchAll"),        QStringLiteral("TornelconnectedthruController1"),
        QStringLiteral("TornelconnectedtoSerialPortdirectly1"), QStringLiteral("ReadfromTornels1"),
        QStringLiteral("SendCurrentSettingstoTornels1"), QStringLiteral("DisconnectSerialCo1"),
        QStringLiteral("OpenConfigurationFile1"),
    };
    if (kUnitItems.contains(name) && !link_->MayStart()) return;
    const auto it = menuHandlers_.constFind(name);
    if (it != menuHandlers_.cend() && *it) (*it)();
}

void TKalvoraForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    CentreOnScreen(this);
    // The first show's dialogue runs once the window is on the screen.
    QMetaObject::invokeMethod(this, &TKalvoraForm::FormShow, Qt::QueuedConnection);
}

void TKalvoraForm::FormShow()
{
    {
        FillingGuard filling(flags_);
        planning_->InitialisePlan();
        if (auto* baud = FindNamed<QComboBox>(this, QStringLiteral("BaudComboBox"))) baud->setCurrentIndex(0);
        info_->screenInfoComboBox()->setCurrentIndex(0);
    }
    if (!startupFile_.isEmpty()) OpenConfigurationFile(startupFile_);
    if (statusOp_.askYesNo(kTitleSearchQuestion, kSearchQuestion))
        runMenuItem(QStringLiteral("SearchAll"));
    else
        statusOp_.showMessage(kSearchLaterNote);
}

void TKalvoraForm::PhasePageControlChange()
{
    if (!LinkEstablished()) statusOp_.setStatus(kNoLinkNote);
    const bool ready = LinkEstablished() && !flags_.EditorBusy;
    const QWidget* current = pages_->currentWidget();
    if (!current) return;
    for (const LinkPage& p : kLinkPages) {
        if (current->objectName() != QLatin1String(p.page)) continue;
        if (ready) {
            switch (p.onReady) {
            case OnReady::FillSourcePage: FillSourcePage(); break;
            case OnReady::FillSeamPage: FillSeamPage(); break;
            case OnReady::FocusTerminal: info_->terminal()->setFocus(); break;
            }
        }
        for (const char* name : p.controls)
            if (QWidget* w = FindNamed(this, QString::fromLatin1(name))) w->setEnabled(ready);
    }
}

bool TKalvoraForm::FormCloseQuery() { return statusOp_.askYesNo(kTitleConfirmExit, kConfirmExit); }

void TKalvoraForm::FormClose()
{
    hide();
    if (infoForm_) infoForm_->hide();
    if (helpForm_) helpForm_->hide();
    if (trafficWindow_) trafficWindow_->hide();
    // Give the units time to finish what they were sent before the port goes.
    Link::WaitMs(kCloseWaitMs);
    port_.close();
    closed_ = true;
    emit closed();
}

void TKalvoraForm::closeEvent(QCloseEvent* event)
{
    if (closed_) {
        event->accept();
        return;
    }
    if (closing_ || !FormCloseQuery()) {
        event->ignore();
        return;
    }
    closing_ = true;
    FormClose();
    event->accept();
}

void TKalvoraForm::About1Click()
{
    AboutBox box(kVersionText, this);
    box.exec();
}

TrafficWindow* TKalvoraForm::trafficWindow()
{
    if (!trafficWindow_) trafficWindow_ = new TrafficWindow(trace_, statusOp_, this);
    return trafficWindow_;
}

void TKalvoraForm::TrafficView1Click()
{
    TrafficWindow* w = trafficWindow();
    w->show();
    w->raise();
    w->activateWindow();
}

void TKalvoraForm::HelpwithKalvoraSerialconnection1Click()
{
    if (!helpForm_) helpForm_ = new TConnectionHelpForm(this);
    helpForm_->showHelp();
}

}  // namespace kalvora
