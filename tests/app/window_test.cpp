#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <stdexcept>

#include "app/info_page.h"
#include "app/kalvora_application.h"
#include "app/traffic_window.h"
#include "editors/radio_group.h"
#include "window_fixture.h"

namespace kalvora::testing {
namespace {

TEST_F(WindowTest, FrameHasItsNameCaptionFixedClientSizeAndNoMaximiseBox)
{
    EXPECT_EQ(form->objectName(), "TKalvoraForm");
    EXPECT_EQ(form->windowTitle(), "Quennel - Kalvora");
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    // Fixed at what the pages ask in the desktop's font, never below 908 x 594 under the menu bar.
    EXPECT_EQ(form->size(), form->contentsSize());
    EXPECT_GE(form->width(), 908);
    EXPECT_GE(form->height() - form->menuBar()->sizeHint().height(), 594);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(form->statusBar()->objectName(), "MainStatusBar");
}

TEST_F(WindowTest, SixPagesInOrderWithPlanningActive)
{
    const std::pair<const char*, const char*> pages[] = {
        {"PlanningTabSheet", "Planning"},         {"ProjAlignTabSheet", "Projector Setup"},
        {"SourceSetupTabSheet", "Source Setup"},  {"DisplaySetupTabSheet", "Display Setup"},
        {"SeamRemovalTabSheet", "Seam Removal"},  {"InfoTabSheet", "Information"},
    };
    QTabWidget* tabs = form->pages();
    EXPECT_EQ(tabs->objectName(), "PhasePageControl");
    ASSERT_EQ(tabs->count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(tabs->widget(i)->objectName(), pages[i].first);
        EXPECT_EQ(tabs->tabText(i), pages[i].second);
    }
    EXPECT_EQ(tabs->currentIndex(), 0);
    auto* screens = find<QTabWidget>("ScreenPageControl");
    EXPECT_EQ(screens->tabText(0), "Screens 1-4 Controls");
    EXPECT_EQ(screens->tabText(1), "Screen 5-8 Controls");
    EXPECT_FALSE(screens->isTabVisible(1));
}

// Every item of the menu tree, in order, with its menu, caption and state at start.
struct MenuRow {
    const char* parent;  // object name of the menu holding it ("" for the menu bar)
    const char* name;    // nullptr for a separator
    const char* caption;
    bool enabled;
    bool checkable;
    bool checked;
};
const MenuRow kMenuRows[] = {
    {"", "File1", "File", true, false, false},
    {"File1", "OpenConfigurationFile1", "Open Configuration File", true, false, false},
    {"File1", "OpenRecent1", "Open Recent", false, false, false},  // no file used yet
    {"File1", "SaveConfigurationtoFile1", "Save Configuration to File", true, false, false},
    {"File1", "SendCurrentSettingstoTornels1", "Send Current Settings to Tornel(s)", false, false, false},
    {"File1", "Exit1", "Exit", true, false, false},
    {"", "Search1", "Serial Port", true, false, false},
    {"Search1", "RS232Config1", "Settings (Adv users only)", true, false, false},
    {"Search1", "SearchComPort1", "Search for Tornel(s) ...", true, false, false},
    {"Search1", "ReadfromTornels1", "Read from Tornel(s) ...", false, false, false},
    {"Search1", nullptr, nullptr, true, false, false},
    {"Search1", "DisconnectSerialCo1", "Disconnect Serial Communication", true, false, false},
    {"Search1", nullptr, nullptr, true, false, false},
    {"Search1", "TrafficView1", "Traffic View...", true, false, false},
    {"RS232Config1", "COMPort1", "COM Port", true, false, false},
    {"RS232Config1", "Baud1", "Baud", true, false, false},
    {"RS232Config1", "Parity1", "Parity", true, false, false},
    {"COMPort1", "SearchCOM1andCOM21", "Search (COM 1 && COM 2)", true, true, true},
    {"Baud1", "Defaultvalues1", "Default values", true, true, true},
    {"Baud1", nullptr, nullptr, true, false, false},
    {"Baud1", "N9600", "9600", true, true, false},
    {"Baud1", "N19200", "19200", true, true, false},
    {"Baud1", "N38400", "38400", true, true, false},
    {"Baud1", "N57600", "57600", true, true, false},
    {"Parity1", "ParityNone", "None", true, true, true},
    {"Parity1", "ParityOdd", "Odd", true, true, false},
    {"Parity1", "ParityEven", "Even", true, true, false},
    {"Parity1", "ParityMark", "Mark", true, true, false},
    {"Parity1", "ParitySpace", "Space", true, true, false},
    {"SearchComPort1", "SearchAll", "Search....", true, false, false},
    {"SearchComPort1", nullptr, nullptr, true, false, false},
    {"SearchComPort1", "TornelconnectedthruController1", "Tornel(s) connected to Controller", true, false, false},
    {"SearchComPort1", "TornelconnectedtoSerialPortdirectly1", "Tornel connected to Serial Port directly", true, false,
     false},
    {"", "Help1", "Help", true, false, false},
    {"Help1", "HelpwithKalvoraSerialconnection1", "Help with Kalvora Serial connection", true, false, false},
    {"Help1", "About1", "About...", true, false, false},
};

// A caption as the table writes it: the mnemonic's mark taken out, "&&" left as it is.
QString WithoutMnemonicMark(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
            out += QStringLiteral("&&");
            ++i;
        } else if (text[i] != QLatin1Char('&')) {
            out += text[i];
        }
    }
    return out;
}

QList<QAction*> ItemsOf(TKalvoraForm& form, const QString& parent)
{
    if (parent.isEmpty()) return form.menuBar()->actions();
    QAction* a = form.menuItem(parent);
    return a && a->menu() ? a->menu()->actions() : QList<QAction*>{};
}

TEST_F(WindowTest, MenuTreeHasItsCaptionsSeparatorsChecksAndEnabling)
{
    QHash<QString, int> position;  // next item to compare in each menu
    for (const MenuRow& row : kMenuRows) {
        const QString parent = QString::fromLatin1(row.parent);
        const QList<QAction*> items = ItemsOf(*form, parent);
        const int i = position[parent]++;
        ASSERT_LT(i, items.size()) << row.parent;
        QAction* a = items[i];
        if (!row.name) {
            EXPECT_TRUE(a->isSeparator()) << row.parent << " item " << i;
            continue;
        }
        SCOPED_TRACE(row.name);
        EXPECT_EQ(a->objectName(), row.name);
        EXPECT_EQ(WithoutMnemonicMark(a->text()), row.caption);
        EXPECT_EQ(a->isEnabled(), row.enabled);
        EXPECT_EQ(a->isCheckable(), row.checkable);
        EXPECT_EQ(a->isChecked(), row.checked);
    }
    // The COM Port menu also holds, after its search item, a submenu for COM1 and one for COM2.
    const QList<QAction*> com = ItemsOf(*form, QStringLiteral("COMPort1"));
    ASSERT_EQ(com.size(), 4);
    EXPECT_TRUE(com[1]->isSeparator());
    EXPECT_TRUE(com[2]->text().startsWith("COM&1: "));
    EXPECT_TRUE(com[3]->text().startsWith("COM&2: "));
    EXPECT_NE(com[2]->menu(), nullptr);
    EXPECT_NE(com[3]->menu(), nullptr);
}

// The machine's serial devices are listed under COM1 and COM2 by name; a choice sets the
// device the port stands for, shows it on the Information page, and is remembered by its
// stable name, so the next start (the same settings file) stands for the same adapter.
TEST_F(WindowTest, ComPortMenuListsTheDevicesAndRemembersTheChoice)
{
    QTemporaryDir dir;
    const QString ttyA = dir.filePath("ttyUSB0"), ttyB = dir.filePath("ttyUSB1");
    for (const QString& path : {ttyA, ttyB}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString stableB = "/dev/serial/by-id/usb-Prolific_PL2303_BBBB-if00-port0";
    const QList<SerialDeviceInfo> devices = {
        {ttyA, "FT232R USB UART", "FTDI", "AAAA", ttyA},  // no stable link: known by its path
        {ttyB, "USB-Serial Controller", "Prolific", "BBBB", stableB},
    };
    const QString settingsFile = dir.filePath("kalvora.conf");
    form->comPorts().ListSerialDevices = [&devices] { return devices; };
    form->setComDevices(ttyA, ttyB);
    form->setComChoice({}, settingsFile);

    auto submenu = [this](int n) { return ItemsOf(*form, QStringLiteral("COMPort1"))[1 + n]->menu(); };
    auto checkedOf = [](QMenu* menu) {
        for (QAction* a : menu->actions())
            if (a->isChecked()) return a->text();
        return QString();
    };
    QMenu* com1 = submenu(1);
    ASSERT_NE(com1, nullptr);
    // "Automatic", a separator, then one item per device with what the system tells of it.
    const QList<QAction*> items = com1->actions();
    ASSERT_EQ(items.size(), 6);
    EXPECT_TRUE(items[0]->text().startsWith("&Automatic"));
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_TRUE(items[1]->isSeparator());
    // After the devices, a port on a network serial server.
    EXPECT_TRUE(items[4]->isSeparator());
    EXPECT_EQ(items[5]->text(), "&Network port...");
    EXPECT_EQ(items[2]->text(), QStringLiteral("FT232R USB UART (FTDI, serial AAAA) - %1").arg(ttyA));
    EXPECT_EQ(items[3]->text(),
              QStringLiteral("USB-Serial Controller (Prolific, serial BBBB) - usb-Prolific_PL2303_BBBB-if00-port0 (%1)").arg(ttyB));

    // COM1 is to be adapter B; the automatic COM2, which had it, moves to A.
    items[3]->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->port().device(1), stableB);
    EXPECT_EQ(form->port().device(2), ttyA);
    EXPECT_EQ(form->comChoice(), (ComChoice{stableB, QString()}));
    EXPECT_EQ(form->infoPage()->comDeviceText(1), QStringLiteral("usb-Prolific_PL2303_BBBB-if00-port0 (%1)").arg(ttyB));
    EXPECT_EQ(form->infoPage()->comDeviceText(2), ttyA);
    EXPECT_EQ(checkedOf(submenu(1)), items[3]->text());
    EXPECT_TRUE(submenu(1)->menuAction()->text().startsWith("COM&1: usb-Prolific_PL2303_BBBB"));

    // The next start reads the choice from the same file.
    const ComChoice remembered = LoadComChoice(settingsFile);
    EXPECT_EQ(remembered, (ComChoice{stableB, QString()}));
    QString next1, next2;
    ResolveComDevices({}, remembered, devices, next1, next2);
    EXPECT_EQ(next1, stableB);
    EXPECT_EQ(next2, ttyA);

    // Back to automatic: forgotten, and COM1 takes the first device COM2 does not use.
    submenu(1)->actions()[0]->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(LoadComChoice(settingsFile), ComChoice{});
    EXPECT_EQ(form->port().device(1), stableB);
}

TEST_F(WindowTest, CheckMarksMoveWithinBaudAndParityAndTheComItemKeepsItsMark)
{
    form->menuItem("N19200")->trigger();
    EXPECT_TRUE(form->menuItem("N19200")->isChecked());
    EXPECT_FALSE(form->menuItem("Defaultvalues1")->isChecked());
    form->menuItem("ParityMark")->trigger();
    EXPECT_TRUE(form->menuItem("ParityMark")->isChecked());
    EXPECT_FALSE(form->menuItem("ParityNone")->isChecked());
    form->menuItem("SearchCOM1andCOM21")->trigger();
    EXPECT_TRUE(form->menuItem("SearchCOM1andCOM21")->isChecked());
}

TEST_F(WindowTest, StartUpLandsOnPlanningWithThePlanAndNoAnswerGivesTheNote)
{
    op.answer(false);
    showAndSettle();
    EXPECT_EQ(form->pages()->currentWidget()->objectName(), "PlanningTabSheet");
    EXPECT_EQ(find<QLabel>("OutAspectRatioLabel")->text(), "3");
    EXPECT_EQ(find<QLabel>("ImageSizeHLabel")->text(), "3072");
    EXPECT_EQ(find<QLabel>("ImageSizeVLabel")->text(), "1024");
    EXPECT_EQ(find<QComboBox>("NumOfScreenComboBox")->currentText(), "3 Projectors");
    EXPECT_EQ(find<QLabel>("MinNumOfOverlapLabel")->text(), "384");
    EXPECT_EQ(find<QLineEdit>("OWidthEdit")->text(), "384");
    EXPECT_EQ(form->statusText(), "NOTE: Current settings require 1 Tornel.");
    EXPECT_EQ(find<QLabel>("Screen1HLabel")->text(), "384");
    EXPECT_EQ(find<QLabel>("Screen3VLabel")->text(), "3456");
    EXPECT_EQ(find<QLabel>("Screen4HLabel")->text(), "N/A");
    EXPECT_FALSE(form->flags().FormFilling);
    EXPECT_FALSE(form->flags().EditorBusy);

    ASSERT_EQ(op.questions().size(), 1);  // the question, then the note
    const auto question = std::find_if(op.events.begin(), op.events.end(),
                                       [](const auto& e) { return e.kind == ScriptedOperator::Event::YesNo; });
    ASSERT_NE(question, op.events.end());
    EXPECT_EQ(question->title, "Vorn - Kalvora :Establish COM port communication with Tornel(s)");
    EXPECT_EQ(question->text,
              "Kalvora requires connection to Tornel(s) to function. Do you currently have Tornel(s) connected to the "
              "PC/laptop? Click Yes and Kalvora will search for Tornel(s).");
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_EQ(op.messages()[0],
              "When Tornel(s) are connected, go to 'Serial Port->Search for Tornel(s)->Search' menu item for the "
              "Kalvora to search for Tornel(s).\nPlease refer to Tornel manual for help with Kalvora serial connection.");
    EXPECT_FALSE(form->port().isOpen());
    EXPECT_FALSE(form->LinkEstablished());

    // The first calculation made the editors and the reset button available.
    EXPECT_TRUE(find<QWidget>("ScreenPageControl")->isEnabled());
    EXPECT_FALSE(find<QWidget>("ResetButton")->isHidden());
    EXPECT_FALSE(find<QWidget>("Screen3GroupBox")->isHidden());
    EXPECT_TRUE(find<QWidget>("Screen4GroupBox")->isHidden());
    EXPECT_EQ(find<RadioGroup>("SourceScreenSelectRadioGroup")->items(), QStringList({"1", "2", "3"}));
}

// The link-dependent controls of each page, as the page change leaves them.
struct PageCase {
    const char* page;
    std::vector<const char*> controls;
};
const PageCase kPageCases[] = {
    {"SourceSetupTabSheet", {"SourceScreenSelectRadioGroup", "InputAlignmentGroupBox", "OverallColorGroupBox"}},
    {"SeamRemovalTabSheet",
     {"SeamScreenSelectRadioGroup", "SeamGroupBox", "SeamBridgeAllConfigCheckBox", "SeamAutoAllConfigButton"}},
    {"InfoTabSheet", {"ResetButton", "SystemSaveButton"}},
};

TEST_F(WindowTest, PageChangeEnablesLinkControlsOnlyWithALinkAndNoOperationRunning)
{
    int sourceFills = 0, seamFills = 0;
    form->FillSourcePage = [&] { ++sourceFills; };
    form->FillSeamPage = [&] { ++seamFills; };
    struct LinkCase {
        bool link;
        bool busy;
        bool ready;
    };
    for (const LinkCase lc : {LinkCase{false, false, false}, LinkCase{true, false, true}, LinkCase{true, true, false}}) {
        for (const PageCase& pc : kPageCases) {
            SCOPED_TRACE(std::string(pc.page) + (lc.link ? " link" : " no link") + (lc.busy ? " busy" : ""));
            form->link().setLinkUp(lc.link);
            form->flags().EditorBusy = lc.busy;
            op.clear();
            form->pages()->setCurrentIndex(0);
            form->pages()->setCurrentWidget(find<QWidget>(pc.page));
            for (const char* name : pc.controls) EXPECT_EQ(find<QWidget>(name)->isEnabled(), lc.ready) << name;
            if (!lc.link)
                EXPECT_EQ(op.status, "Note: No Tornel communication established yet.");
            else
                EXPECT_TRUE(op.statuses().isEmpty() || op.status != "Note: No Tornel communication established yet.");
        }
    }
    EXPECT_EQ(sourceFills, 1);
    EXPECT_EQ(seamFills, 1);
    form->link().setLinkUp(false);
    form->flags().EditorBusy = false;
}

TEST_F(WindowTest, ClosingAnsweredNoKeepsEverythingAndYesHidesWaitsAndEnds)
{
    op.answer(false);
    showAndSettle();
    QSignalSpy closed(form.get(), &TKalvoraForm::closed);
    op.clear();
    form->link().setLinkUp(true);

    op.answer(false);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(form->LinkEstablished());
    ASSERT_EQ(op.questions().size(), 1);
    EXPECT_EQ(op.events.back().title, "Vorn - Kalvora :Confirm Exit");
    EXPECT_EQ(op.events.back().text, "Are you sure you want to exit this application?");

    op.answer(true);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(form->port().isOpen());
    form->link().setLinkUp(false);
}

TEST_F(WindowTest, ExitMenuRunsTheSameCloseQuestion)
{
    op.answer(false);
    showAndSettle();
    op.clear();
    op.answer(false);
    form->menuItem("Exit1")->trigger();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(op.questions(), QStringList{"Are you sure you want to exit this application?"});
}

// An object whose event handler fails the way a handler deep in an operation might.
class ThrowingObject : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) throw std::runtime_error("record index out of range");
        return QObject::event(e);
    }
};

TEST(KalvoraApplicationTest, AnExceptionEscapingAHandlerIsShownAndTheLoopGoesOn)
{
    auto* app = qobject_cast<KalvoraApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    QStringList shown;
    const auto saved = app->showException;
    app->showException = [&](const QString& text) { shown << text; };
    ThrowingObject target;
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, QStringList{"record index out of range"});
    bool later = false;
    QTimer::singleShot(0, [&] { later = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(later);
    app->showException = saved;
}

}  // namespace
}  // namespace kalvora::testing

namespace kalvora::testing {
namespace {

// The traffic window lists the trace one row per transaction with its outcome and the hex
// below, filters by unit, and saves what it shows as the trace's text.
TEST_F(WindowTest, TrafficWindowShowsFiltersAndSavesTheTrace)
{
    TrafficTrace& trace = form->trace();
    trace.begin(TraceRow::Kind::Command, 1);
    trace.addSent("PASS *1BLKGN 1 20!BD\r\r");
    trace.addReceived("?\r\nCTR");
    trace.end("rejected");
    trace.begin(TraceRow::Kind::Query, 2);
    trace.addSent("TNQUERY *2OINFOTN 1!\r");
    trace.end("timeout");
    form->menuItem("TrafficView1")->trigger();
    TrafficWindow* w = form->trafficWindow();
    ASSERT_TRUE(w->isVisible());
    QTreeWidget* rows = w->rows();
    ASSERT_EQ(rows->topLevelItemCount(), 2);
    const QTreeWidgetItem* first = rows->topLevelItem(0);
    EXPECT_EQ(first->text(TrafficWindow::ColumnUnit), "unit 1");
    EXPECT_EQ(first->text(TrafficWindow::ColumnSent), "PASS *1BLKGN 1 20!BD<CR><CR>");
    EXPECT_EQ(first->text(TrafficWindow::ColumnReceived), "?<CR><LF>CTR");
    EXPECT_EQ(first->text(TrafficWindow::ColumnOutcome), "rejected");
    ASSERT_EQ(first->childCount(), 1);
    EXPECT_EQ(first->child(0)->text(TrafficWindow::ColumnReceived), "3F 0D 0A 43 54 52");
    EXPECT_EQ(rows->topLevelItem(1)->text(TrafficWindow::ColumnOutcome), "timeout");

    // A row that arrives while the window is open shows at once.
    trace.addReceived("late");
    ASSERT_EQ(rows->topLevelItemCount(), 3);
    EXPECT_EQ(rows->topLevelItem(2)->text(TrafficWindow::ColumnKind), "outside a transaction");

    w->setUnitFilter(2);
    EXPECT_TRUE(rows->topLevelItem(0)->isHidden());
    EXPECT_FALSE(rows->topLevelItem(1)->isHidden());
    EXPECT_TRUE(rows->topLevelItem(2)->isHidden());

    QTemporaryDir dir;
    const QString path = dir.filePath("traffic.txt");
    w->SaveDialog = [path] { return path; };
    w->saveAs();
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), trace.formatText(2));
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_FALSE(w->saveTo(dir.filePath("no/such/folder/traffic.txt")));
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_TRUE(op.messages().first().startsWith("Error! The serial traffic could not be saved"));
}

}  // namespace
}  // namespace kalvora::testing

namespace kalvora::testing {
namespace {

// Beside the status text, a unit operation's step: the unit and the query or command on the
// line; it goes when the operation's status text is cleared.
TEST_F(WindowTest, StatusBarShowsTheUnitAndTheQueryOrCommandOnTheLine)
{
    struct Case {
        TraceRow::Kind kind;
        int unit;
        QByteArray sent;
        QString shown;
    } cases[] = {
        {TraceRow::Kind::Query, 2, "TNQUERY *2OINFOTN 3!\r", "Reading unit 2: OINFOTN 3"},
        {TraceRow::Kind::Query, 1, "IINFOTN 4\r", "Reading unit 1: IINFOTN 4"},
        {TraceRow::Kind::Query, 0, "NTN\r", "Reading controller: NTN"},
        {TraceRow::Kind::Command, 1, "PASS *1BLKGN 1 20!BD\r\r", "Sending to unit 1: BLKGN 1 20"},
    };
    auto* progress = find<QLabel>("ProgressLabel");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent.toStdString());
        form->op().setStatus(kStatusQuerying);
        form->trace().begin(c.kind, c.unit);
        form->trace().addSent(c.sent);
        EXPECT_EQ(progress->text(), c.shown);
        form->trace().end("reply");
        form->op().setStatus(QString());
        EXPECT_EQ(progress->text(), QString());
    }
}

}  // namespace
}  // namespace kalvora::testing
