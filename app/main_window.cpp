#include "app/main_window.h"

#include <QWindow>
#include <algorithm>
#include <QScrollArea>
#include <QApplication>
#include <QFile>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMenu>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>
#include <QPushButton>
#include <QSet>
#include <cstdio>
#include <cstdlib>
#include <QStatusBar>
#include <QTabWidget>

#include "settings/flag_protocol.h"
#include "app/info_page.h"
#include "app/window_field_host.h"
#include "app/com_port_menu.h"
#include "app/menu_tree.h"
#include "app/secondary_windows.h"
#include "app/terminal_view.h"
#include "app/traffic_window.h"
#include "app/window_display_setup_host.h"
#include "app/window_planning_host.h"
#include "app/window_projector_setup_host.h"
#include "app/window_unit_operation_host.h"
#include "editors/display_setup_page.h"
#include "editors/editor_visibility.h"
#include "editors/numeric_fields.h"
#include "editors/projector_setup_page.h"
#include "editors/radio_group.h"
#include "editors/seam_removal_page.h"
#include "editors/source_setup_page.h"
#include "link/queries.h"
#include "editors/planning_page.h"
#include "app/program_icon.h"
#include "platform/gui/mnemonics.h"
#include "platform/gui/named_widget.h"
#include "platform/gui/window_keys.h"

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
      statusOp_(op,
                [this](const QString& text) {
                    if (status_) status_->showStatus(text);
                }),
      session_(statusOp_, static_cast<ReadBackView&>(*this), static_cast<ConnectionView&>(*this), Session::Traffic::Recorded)
{
    setObjectName(QStringLiteral("TKalvoraForm"));
    setWindowTitle(QStringLiteral("Quennel - Kalvora"));

    menu_ = BuildMenuTree(menuBar());
    buildPages();
    status_ = new StatusBarDisplay(statusBar(), session_);
    wireLink();
    wireLinkController();
    files_ = new ConfigFiles(*this, *this, session_, statusOp_, menu_.value(QStringLiteral("OpenRecent1")));
    qApp->installEventFilter(this);  // a page change waits for the field being edited
    onMenuItem(QStringLiteral("SaveConfigurationtoFile1"), [this] { files_->SaveConfigurationtoFile1Click(); });
    onMenuItem(QStringLiteral("OpenConfigurationFile1"), [this] { files_->OpenConfigurationFile1Click(); });
    unitOps_ = new UnitOperations(*this, session_, statusOp_, *status_, static_cast<WindowPages&>(*this),
                                  {menu_.value(QStringLiteral("File1")), menu_.value(QStringLiteral("Search1"))});
    onMenuItem(QStringLiteral("SendCurrentSettingstoTornels1"), [this] { SendCurrentSettingstoTornels1Click(); });
    onMenuItem(QStringLiteral("Exit1"), [this] { Exit1Click(); });
    onMenuItem(QStringLiteral("About1"), [this] { About1Click(); });
    onMenuItem(QStringLiteral("TrafficView1"), [this] { TrafficView1Click(); });
    onMenuItem(QStringLiteral("HelpwithKalvoraSerialconnection1"), [this] { HelpwithKalvoraSerialconnection1Click(); });
    // The items without an operation of their own (the submenus) still commit the field.
    for (auto it = menu_.cbegin(); it != menu_.cend(); ++it) {
        if (handledItems_.contains(it.key())) continue;
        const QString name = it.key();
        connect(it.value(), &QAction::triggered, this, [this, name] { menuItemMayRun(name); });
    }
    comPorts_ = new ComPortChoice(session_.port(), statusOp_, menu_.value(QStringLiteral("COMPort1"))->menu(), this);
    connect(comPorts_, &ComPortChoice::deviceShown, info_, &InfoPage::setComDevice);
    setComDevices(session_.port().device(1), session_.port().device(2));

    setWindowIcon(ProgramIcon());
    // Alt+letter for the buttons of each page, none taken by the menu bar's letters.
    QSet<QChar> menuLetters;
    for (QAction* a : menuBar()->actions()) menuLetters.insert(MnemonicOf(a->text()));
    for (int i = 0; i < pages_->count(); ++i) AssignMnemonics(PushButtonsOf(pages_->widget(i)), menuLetters);
    // The wall overview stays above this window, as the traffic view does.
    if (QWidget* overview = info_->wallOverviewWindow()) {
        overview->setParent(this, Qt::Tool);
        overview->setWindowIcon(ProgramIcon());
        CloseOnEscape(overview);
    }

    // The window is as large as its pages ask at the desktop's font (the classic size at least),
    // within the screen.
    fitToContents();
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
    planningHost_ = std::make_unique<WindowPlanningHost>(*this);
    displayHost_ = std::make_unique<WindowDisplaySetupHost>(*this);
    projectorHost_ = std::make_unique<WindowProjectorSetupHost>(*this);
    unitOperationHost_ = std::make_unique<WindowUnitOperationHost>(*this);
    pages_ = MakeNamed<QTabWidget>(this, QStringLiteral("PhasePageControl"));
    planning_ = new PlanningPage(session_.settings(), session_.flags(), statusOp_, *planningHost_, pages_);
    planning_->setObjectName(QStringLiteral("PlanningTabSheet"));
    info_ = new InfoPage(session_.settings(), [this] { return planning_->workingCount(); }, pages_);
    fields_ = new NumericFields(this, *new WindowFieldHost(*this), session_.flags(), statusOp_, session_.commands(), this);
    projector_ = new ProjectorSetupPage(session_.flags(), session_.commands(), *projectorHost_, pages_);
    display_ = new DisplaySetupPage(session_.settings(), session_.flags(), statusOp_, session_.commands(), *fields_,
                                    *displayHost_, pages_);
    pages_->addTab(planning_, QStringLiteral("Planning"));
    pages_->addTab(projector_, QStringLiteral("Projector Setup"));
    source_ = new SourceSetupPage(session_.settings(), session_.flags(), statusOp_, session_.commands(),
                                  *unitOperationHost_, pages_);
    pages_->addTab(source_, QStringLiteral("Source Setup"));
    pages_->addTab(display_, QStringLiteral("Display Setup"));
    seam_ = new SeamRemovalPage(session_.settings(), session_.flags(), statusOp_, session_.commands(),
                                *unitOperationHost_, pages_);
    pages_->addTab(seam_, QStringLiteral("Seam Removal"));
    pages_->addTab(info_, QStringLiteral("Information"));
    wrapPagesInScrollArea();
    connect(pages_, &QTabWidget::currentChanged, this, [this] { PhasePageControlChange(); });
}

void TKalvoraForm::setSecondaryWindows(TInfoForm* info, TConnectionHelpForm* help)
{
    infoForm_ = info;
    unitOps_->setInfoForm(info);
    helpForm_ = help;
    for (QWidget* w : {static_cast<QWidget*>(info), static_cast<QWidget*>(help)})
        if (w) w->setWindowIcon(ProgramIcon());
    if (help) CloseOnEscape(help);
}

void TKalvoraForm::onMenuItem(const QString& name, std::function<void()> handler)
{
    QAction* item = menu_.value(name);
    Q_ASSERT_X(item, "onMenuItem", qPrintable(name));
    handledItems_.insert(name);
    connect(item, &QAction::triggered, this, [this, name, handler = std::move(handler)] {
        if (menuItemMayRun(name)) handler();
    });
}

bool TKalvoraForm::menuItemMayRun(const QString& name)
{
    // The items that talk to the units (or drop the link under a waiting operation) do nothing
    // while an operation waits: they would overwrite the command and reply buffers under it.
    static const QSet<QString> kUnitItems = {
        QStringLiteral("SearchAll"),        QStringLiteral("TornelconnectedthruController1"),
        QStringLiteral("TornelconnectedtoSerialPortdirectly1"), QStringLiteral("ReadfromTornels1"),
        QStringLiteral("SendCurrentSettingstoTornels1"), QStringLiteral("DisconnectSerialCo1"),
        QStringLiteral("OpenConfigurationFile1"),
    };
    if (kUnitItems.contains(name) && !session_.mayStart()) return false;
    // Only the items that open a window of their own leave the field being edited as it is.
    static const QSet<QString> kWindowItems = {
        QStringLiteral("About1"), QStringLiteral("HelpwithKalvoraSerialconnection1"), QStringLiteral("TrafficView1")};
    return kWindowItems.contains(name) || CommitPendingField();
}

bool TKalvoraForm::pageChangeRefused(QObject* watched, QEvent* event)
{
    // The pages and the inner pages of a page (the Display Setup screens) alike.
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::Wheel && type != QEvent::KeyPress) return false;
    if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this) return false;
    bool changes = false;
    switch (type) {
    case QEvent::MouseButtonPress:
        if (auto* bar = qobject_cast<QTabBar*>(watched)) {
            const auto* press = static_cast<QMouseEvent*>(event);
            const int tab = bar->tabAt(press->position().toPoint());
            changes = press->button() == Qt::LeftButton && tab >= 0 && tab != bar->currentIndex();
        }
        break;
    case QEvent::Wheel: changes = qobject_cast<QTabBar*>(watched) != nullptr; break;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        changes = qobject_cast<QTabWidget*>(watched) && (key->modifiers() & Qt::ControlModifier) &&
                  (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab);
        break;
    }
    default: break;
    }
    return changes && !CommitPendingField();
}

void TKalvoraForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    files_->windowShown();
    // Moved to a screen of another size or scale: the window fits that one.
    if (QWindow* handle = windowHandle())
        connect(handle, &QWindow::screenChanged, this, [this] { fitToContents(); });
    CentreOnScreen(this);
    KeepOnScreen(this);
    // The first show's dialogue runs once the window is on the screen.
    QMetaObject::invokeMethod(this, &TKalvoraForm::FormShow, Qt::QueuedConnection);
}

void TKalvoraForm::FormShow()
{
    {
        FillingGuard filling(session_.flags());
        planning_->InitialisePlan();
        if (auto* baud = FindNamed<QComboBox>(this, QStringLiteral("BaudComboBox"))) baud->setCurrentIndex(0);
        info_->screenInfoComboBox()->setCurrentIndex(0);
    }
    files_->openStartupFile();
    if (!statusOp_.askYesNo(kTitleSearchQuestion, kSearchQuestion))
        statusOp_.showMessage(kSearchLaterNote);
    else if (menuItemMayRun(QStringLiteral("SearchAll")))
        session_.linkController().searchAll();
}

void TKalvoraForm::PhasePageControlChange()
{
    if (!LinkEstablished()) statusOp_.setStatus(kNoLinkNote);
    const bool ready = LinkEstablished() && !session_.flags().EditorBusy;
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

bool TKalvoraForm::CommitPendingField()
{
    for (NumericFields* f : {fields_, source_ ? &source_->fields() : nullptr, seam_ ? &seam_->fields() : nullptr})
        if (f && !f->CommitPending()) return false;
    return true;
}

bool TKalvoraForm::FormCloseQuery() { return statusOp_.askYesNo(kTitleConfirmExit, kConfirmExit); }

void TKalvoraForm::FormClose()
{
    hide();
    if (infoForm_) infoForm_->hide();
    if (helpForm_) helpForm_->hide();
    if (trafficWindow_) trafficWindow_->hide();
    // Give the units time to finish what they were sent before the port goes.
    session_.link().WaitMs(kCloseWaitMs);
    session_.port().close();
    closed_ = true;
    emit closed();
}

void TKalvoraForm::closeEvent(QCloseEvent* event)
{
    if (closed_) {
        event->accept();
        return;
    }
    if (closing_) {
        event->ignore();
        return;
    }
    // The value being typed goes to the units before the question, while the window can still
    // show what the link has to say; a refused one keeps the window open with its message.
    closing_ = true;
    if (!CommitPendingField() || !FormCloseQuery()) {
        closing_ = false;
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TKalvoraForm::setStartupFile(const QString& name) { files_->setStartupFileName(QFile::encodeName(name)); }

void TKalvoraForm::OpenRequestedFile(const QString& name) { files_->OpenRequestedFileName(QFile::encodeName(name)); }

bool TKalvoraForm::eventFilter(QObject* watched, QEvent* event)
{
    if (pageChangeRefused(watched, event)) return true;
    return QMainWindow::eventFilter(watched, event);
}

void TKalvoraForm::About1Click()
{
    AboutBox box(kVersionText, this);
    box.setWindowIcon(ProgramIcon());
    box.exec();
}

TrafficWindow* TKalvoraForm::trafficWindow()
{
    if (!trafficWindow_) {
        trafficWindow_ = new TrafficWindow(session_.trace(), statusOp_, this);
        trafficWindow_->setWindowIcon(ProgramIcon());
    }
    return trafficWindow_;
}

void TKalvoraForm::TrafficView1Click()
{
    TrafficWindow* w = trafficWindow();
    if (!w->isVisible()) PlaceBeside(w, this);
    w->show();
    w->raise();
    w->activateWindow();
}

void TKalvoraForm::HelpwithKalvoraSerialconnection1Click()
{
    if (!helpForm_) helpForm_ = new TConnectionHelpForm(this);
    helpForm_->setWindowIcon(ProgramIcon());
    helpForm_->showHelp();
}

QSize TKalvoraForm::contentsSize() const
{
    // Every page whole (the widest and tallest of them) with the menu and status bars; never less
    // than the window's classic size.
    const QSize pages = pages_->minimumSizeHint();
    const int status = statusBar()->sizeHint().height();
    const int menu = menuBar()->sizeHint().height();
    return {std::max(kClientWidth, pages.width()), std::max(kClientHeight, pages.height() + status) + menu};
}

void TKalvoraForm::fitToContents()
{
    // Fixed at what the contents ask, within the screen; what the screen cannot show scrolls.
    const QSize size = ClampToScreen(this, contentsSize());
    if (size != minimumSize() || size != maximumSize()) setFixedSize(size);
    if (isVisible()) KeepOnScreen(this);
}

void TKalvoraForm::wrapPagesInScrollArea()
{
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("PageScrollArea"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(pages_);
    setCentralWidget(scroll);
    // A page that grows (more screens, advanced feathering) grows the window with it.
    for (QWidget* w : {static_cast<QWidget*>(pages_), static_cast<QWidget*>(statusBar()), static_cast<QWidget*>(menuBar())})
        w->installEventFilter(&fitWatch_);
    connect(&fitWatch_, &FitWatch::contentsChanged, this, [this] { fitToContents(); });
}

}  // namespace kalvora
