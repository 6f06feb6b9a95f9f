// The main window built: its pages wired to the session, the records, the commands and each
// other; the menu items to the connection steps; the link's state shown on the pages.
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
#include <cstdio>
#include <cstdlib>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

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
#include "link/frame.h"
#include "link/queries.h"
#include "editors/planning_page.h"
#include "platform/gui/named_widget.h"

namespace kalvora {

void TKalvoraForm::showOutputs()
{
    display_->FillDisplayPage();
    info_->refreshWallOverview();
}

void TKalvoraForm::showInputs() { source_->FillSourcePage(); }
void TKalvoraForm::showInputColours(int channel) { source_->FillSourceColour(channel); }
int TKalvoraForm::shownInputChannel() const { return source_->SelectedChannel(); }
void TKalvoraForm::showSeams() { seam_->FillSeamPage(); }

void TKalvoraForm::RefillFromRecords()
{
    FillingGuard filling(session_.flags());
    // A test pattern chosen for a group of screens no longer says what the units show.
    projector_->ClearSelections();
    info_->ScreenInfoComboBoxChange();
    planning_->SyncPlanningFromRecords(isVisible());
    FillSourcePage();
    display_->FillDisplayPage();
    FillSeamPage();
    display_->OWidthEditExit();
    PhasePageControlChange();
    info_->refreshWallOverview();  // after the planning sync: the planned count may have changed
}

void TKalvoraForm::fillSourcePage() { source_->FillSourcePage(); }

void TKalvoraForm::fillSeamPage() { seam_->FillSeamPage(); }

void TKalvoraForm::fillDisplayPage() { display_->FillDisplayPage(); }
bool TKalvoraForm::commitField(const FieldKey& key) { return fields_->Commit(key); }
int TKalvoraForm::overlapWidthMax() { return planning_->overlapWidthMax(); }

QString TKalvoraForm::statusText() const { return status_ ? status_->text() : QString(); }

void TKalvoraForm::wireLink()
{
    TerminalView* terminal = info_->terminal();
    terminal->portOpen = [this] { return session_.port().isOpen(); };
    terminal->send = [this](const QByteArray& bytes) { session_.port().putString(bytes); };
    // The terminal shows every byte taken from the line, whoever takes it.
    connect(&session_.port(), &SerialPort::bytesRead, info_->terminal(), &TerminalView::receive);
    // While the operator works in the terminal (Information page shown, no unit operation or
    // search running) nobody else reads the port, so the terminal takes what the units send
    // then. At any other time the bytes stay queued for the link, whose waits rely on them.
    connect(&session_.port(), &SerialPort::triggerAvail, this, [this](int count) {
        const bool terminalTime = pages_->currentWidget() == info_ && pages_->isEnabled() && !session_.flags().EditorBusy &&
                                  !session_.link().awaitingReply() && !session_.linkController().searching();
        if (!terminalTime || count <= 0) return;
        QByteArray bytes(count, '\0');
        session_.port().getBlock(bytes.data(), count);  // shown through bytesRead
    });

    // No operation on the units starts inside another one's wait or pause.
    connect(info_->resetButton(), &QPushButton::clicked, this, [this] {
        if (session_.mayStart()) ResetButtonClick();
    });
    connect(info_->systemSaveButton(), &QPushButton::clicked, this, [this] {
        if (session_.mayStart()) SystemSaveButtonClick();
    });
    connect(&session_, &Session::waitingForUnitsChanged, this, [this] { updatePageControlEnabling(); });
    connect(&session_, &Session::unitVersionChanged, this, [this](const QString& text) {
        if (auto* l = FindNamed<QLabel>(this, QStringLiteral("Version1Label"))) l->setText(text);
    });
    connect(&session_, &Session::unitIdsChanged, this, [this] {
        // Each unit's RS-485 ID, shown once the controller detected the unit.
        const UnitIds& ids = session_.link().unitIds();
        for (int u = 0; u < 2; ++u) {
            if (auto* e = FindNamed<QLineEdit>(this, QStringLiteral("TornelID%1Edit").arg(u + 1))) {
                e->setText(QString::number(ids.id[size_t(u)]));
                e->setVisible(ids.detected[size_t(u)]);
            }
            if (auto* c = FindNamed<QWidget>(this, QStringLiteral("TornelID%1Caption").arg(u + 1)))
                c->setVisible(ids.detected[size_t(u)]);
        }
    });
    connect(&session_, &Session::lineStateChanged, this, [this](const SerialPort::LineState& s) {
        info_->setLight(InfoPage::Light::Cts, s.cts);
        info_->setLight(InfoPage::Light::Dcd, s.dcd);
        info_->setLight(InfoPage::Light::Rxd, s.rxd);
        info_->setLight(InfoPage::Light::Txd, s.txd);
    });
    connect(&session_, &Session::linkUpChanged, this, [this](bool up) {
        if (up) return;
        for (auto light : {InfoPage::Light::Txd, InfoPage::Light::Rxd, InfoPage::Light::Dcd, InfoPage::Light::Cts})
            info_->setLight(light, false);  // the lights show the line only while the link is up
    });
    ExitProgram = [this](int status) {
        session_.port().close();
        std::fflush(nullptr);
        std::_Exit(status & 0xFF);
    };
    connect(&session_, &Session::exitRequested, this, [this](int status) {
        // Cancel in the recovery dialog ends the program with the link's status, at once.
        if (ExitProgram) ExitProgram(status);
    });
}

int TKalvoraForm::plannedProjectors() const
{
    // The stored count may exceed the list after the minimum-count message; it only decides
    // one or two units here.
    const double n = planning_->plan().NumOfProjectors;
    return n > 1000 ? 1000 : static_cast<int>(n);
}

int TKalvoraForm::workingProjectors() const { return planning_->workingCount(); }
void TKalvoraForm::linkDropped() { PhasePageControlChange(); }

void TKalvoraForm::unitCountKnown(int count)
{
    if (auto* l = FindNamed<QLabel>(this, QStringLiteral("NumOfTornelDetectedLabel"))) l->setText(QString::number(count));
}

void TKalvoraForm::showUnitsRead() { RefillFromRecords(); }

void TKalvoraForm::wireLinkController()
{
    // The menu items of the link and the connection step each one runs.
    using Baud = LinkController::BaudChoice;
    const std::pair<const char*, std::function<void(LinkController&)>> items[] = {
        {"SearchAll", &LinkController::searchAll},
        {"TornelconnectedthruController1", &LinkController::connectThroughController},
        {"TornelconnectedtoSerialPortdirectly1", &LinkController::connectDirectly},
        {"DisconnectSerialCo1", &LinkController::disconnectUnits},
        {"ReadfromTornels1", [](LinkController& lc) { lc.readFromUnits(); }},
        {"Defaultvalues1", [](LinkController& lc) { lc.chooseBaud(Baud::Default); }},
        {"N9600", [](LinkController& lc) { lc.chooseBaud(Baud::B9600); }},
        {"N19200", [](LinkController& lc) { lc.chooseBaud(Baud::B19200); }},
        {"N38400", [](LinkController& lc) { lc.chooseBaud(Baud::B38400); }},
        {"N57600", [](LinkController& lc) { lc.chooseBaud(Baud::B57600); }},
        {"ParityNone", [](LinkController& lc) { lc.chooseParity(Parity::None); }},
        {"ParityOdd", [](LinkController& lc) { lc.chooseParity(Parity::Odd); }},
        {"ParityEven", [](LinkController& lc) { lc.chooseParity(Parity::Even); }},
        {"ParityMark", [](LinkController& lc) { lc.chooseParity(Parity::Mark); }},
        {"ParitySpace", [](LinkController& lc) { lc.chooseParity(Parity::Space); }},
    };
    for (const auto& [name, step] : items)
        onMenuItem(QString::fromLatin1(name), [this, step] { step(session_.linkController()); });

    connect(&session_, &Session::connectionChanged, this, [this] { showLinkControllerState(); });
    connect(&session_, &Session::searchingChanged, this, [this] { updatePageControlEnabling(); });
    showLinkControllerState();
}

void TKalvoraForm::updatePageControlEnabling()
{
    // Disabled while the link waits for a unit and for the whole of a port search.
    pages_->setEnabled(!session_.link().waitingForUnits() && !session_.linkController().searching() && !pageControlHeld_);
}

void TKalvoraForm::showLinkControllerState()
{
    const LinkController& c = session_.linkController();
    menu_.value(QStringLiteral("ReadfromTornels1"))->setEnabled(c.connected());
    menu_.value(QStringLiteral("SendCurrentSettingstoTornels1"))->setEnabled(c.connected());
    static const char* const kBaudItems[] = {"Defaultvalues1", "N9600", "N19200", "N38400", "N57600"};
    menu_.value(QString::fromLatin1(kBaudItems[static_cast<int>(c.baudChoice())]))->setChecked(true);
    static const char* const kParityItems[] = {"ParityNone", "ParityOdd", "ParityEven", "ParityMark", "ParitySpace"};
    menu_.value(QString::fromLatin1(kParityItems[static_cast<int>(c.parity())]))->setChecked(true);
    if (auto* l = FindNamed<QLabel>(this, QStringLiteral("ComNumberLabel"))) l->setText(c.portNumberText());
    if (auto* baud = FindNamed<QComboBox>(this, QStringLiteral("BaudComboBox"))) baud->setCurrentIndex(c.baudIndex());
    if (auto* mode = FindNamed<QCheckBox>(this, QStringLiteral("RS485CheckBox"))) mode->setChecked(c.throughController());
}

}  // namespace kalvora
