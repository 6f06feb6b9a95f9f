// "Send Current Settings to Tornel(s)" from the window against the same send from the records:
// one configuration file, loaded into the window and read by the command-line tool's source of
// values, must put byte for byte the same stream on the line, for one unit cabled directly and
// for two units behind a controller.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include "support/link_fixture.h"
#include "link/connection.h"
#include "link/queries.h"
#include "editors/planning_page.h"
#include "platform/gui/named_widget.h"
#include "bulk_watch.h"
#include "operations/bulk_send.h"
#include "settings/config_file.h"
#include "operations/record_values.h"
#include "window_fixture.h"

namespace kalvora::testing {
namespace {

// A wall as a prepared file would hold it: every field the send carries has a distinct value
// within what its page accepts.
Settings PreparedWall(int n)
{
    Settings s;
    for (int w = 1; w <= 8; ++w) {
        const UnitIndex at = WallToUnit(w);
        InputChannelRecord& in = s.input(at.unit, at.index);
        in.VideoLoaded = 1, in.VideoLocked = w == 3 ? 0 : 1;
        in.HTotal = 1688, in.HActive = 1280, in.HPositionNominal = 200, in.HPositionLimit = 408;
        in.VPositionNominal = 20, in.VPositionLimit = 42;
        in.HPosition = 190 + w, in.VPosition = 15 + w, in.Phase = 3 - w;
        in.ContrastC = 101.5f, in.BrightnessC = 98.7f, in.ContrastR = -1.5f, in.BrightnessR = 2.25f;
        in.ContrastG = 0.1f, in.BrightnessG = -12.5f, in.ContrastB = 24.9f, in.BrightnessB = -0.3f;
        OutputScreenRecord& o = s.output(at.unit, at.index);
        o.OutputFormat = 3, o.FrameRate = 1, o.ScreenGroup = uint8_t(at.unit - 1), o.TotalProjectors = uint8_t(n);
        o.ControlMode = 1, o.DataDoubling = 1, o.Alignment = 1, o.OverlapWidth = 200;
        o.BasicGamma = 2.4f, o.BasicFeather = 1;
        o.LeftGamma = 2.2f, o.LeftFeather = 1, o.RightGamma = 3.1f, o.RightFeather = w % 2;
        o.LeftHaloWidth = w, o.LeftHaloOffset = 10 + w, o.RightHaloWidth = 60 - w, o.RightHaloOffset = 250 - w;
        o.BlackLevel = uint8_t(5 * w), o.TestPattern = uint8_t(w), o.OutputRaster = w % 2, o.TestGrid = w % 3 == 0;
        o.SeamParam = -4, o.SeamBridge = w % 2;
        for (int g = 0; g < 8; ++g) o.SeamGain[g] = uint8_t(100 + 10 * g + w);
    }
    return s;
}

struct Case {
    const char* name;
    sim::PortMode mode;
    int projectors;
    int units;
};

class WindowSendTest : public WindowTest {
protected:
    void SetUp() override
    {
        savedScale = clock::scale();
        clock::setScale(0.1);  // a probe must see the simulator's answer on a loaded machine
        WindowTest::SetUp();
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        clock::setScale(savedScale);
    }
    // The operator's order on site: the file is opened first (every question of the load
    // answered Yes, before any controller is known), then the controller is connected and the
    // offer to read is declined.
    void openThenConnect(sim::Simulator& unit, const QString& path)
    {
        form->setComDevices(unit.slavePath(), QString());
        clock::setScale(0.1);
        {
            FlagGuard filling(form->flags().FormFilling);
            form->planningPage()->InitialisePlan();
        }
        op.defaultAnswer = true;
        form->configFiles().OpenDialog1 = [path] { return path; };
        form->menuItem("OpenConfigurationFile1")->trigger();
        op.defaultAnswer = false;
        form->menuItem("TornelconnectedthruController1")->trigger();
        ASSERT_TRUE(form->LinkEstablished());
        ASSERT_TRUE(RunUntil([&] { return unit.isIdle(); }));
    }
    double savedScale = 1.0;
    QTemporaryDir dir;
};

// Through a controller the units have RS-485 IDs other than their unit numbers, so a unit
// addressed by its number instead of its ID reaches nothing.
std::vector<int> IdsFor(sim::PortMode mode) { return mode == sim::PortMode::Controller ? std::vector<int>{3, 7} : std::vector<int>{1, 2}; }

std::unique_ptr<sim::Simulator> Sim(sim::PortMode mode, std::vector<int> ids = {})
{
    auto s = StartSim(mode, ids.empty() ? IdsFor(mode) : ids);
    s->setThinkMs(0);
    return s;
}

// The simulated units carry a source whose sampling windows are those the file was made with,
// so the file's positions lie inside the windows the units report.
void MatchWindows(sim::Simulator& units, const Settings& file)
{
    for (int u = 1; u <= units.unitCount(); ++u)
        for (int i = 1; i <= 4; ++i) {
            InputChannelRecord& in = units.unit(u).input(i);
            const InputChannelRecord& f = file.input(u, i);
            in.HTotal = f.HTotal, in.HActive = f.HActive;
            in.HPositionNominal = f.HPositionNominal, in.HPositionLimit = f.HPositionLimit;
            in.VPositionNominal = f.VPositionNominal, in.VPositionLimit = f.VPositionLimit;
        }
}

// The same file sent by the command-line tool's sequence, from the records; readFirst: the units
// were read after connecting, as the window's were when its offer to read was answered Yes.
QByteArray SentFromRecords(const Case& c, const Settings& file, BulkOutcome expected = BulkOutcome::Done,
                           bool readFirst = true)
{
    ScriptedOperator op;
    Session session(op, ReadBackView::none(), ConnectionView::none(), Session::Traffic::NotRecorded);
    MainFlags& flags = session.flags();
    Settings& settings = session.settings();
    SerialPort& port = session.port();
    Link& link = session.link();
    CommandSet& commands = session.commands();
    LinkController& controller = session.linkController();
    auto unit = Sim(c.mode);
    MatchWindows(*unit, file);
    port.setDevice(1, unit->slavePath());
    clock::setScale(0.1);
    if (c.mode == sim::PortMode::Controller) {
        controller.connectThroughController();
        EXPECT_EQ(QueryUnitCount(link), 2);
    } else {
        controller.connectDirectly();
    }
    // As the window's own connection did: read, the units' sampling windows are known; else the
    // send asks for them before its first command.
    if (readFirst) {
        EXPECT_TRUE(ReadAllUnits(link, settings));
    }
    EXPECT_TRUE(WaitUntil([&] { return unit->isIdle(); }));
    unit->log().clear();
    clock::setScale(0.02);
    settings = file;
    flags.UnitCount = c.units;
    RecordValues values(settings, commands, link);
    BulkSend send(commands, link, settings, values);
    BulkWatch watch;
    EXPECT_EQ(send.Run(watch), expected);
    EXPECT_TRUE(WaitUntil([&] { return unit->isIdle(); }));
    if (expected == BulkOutcome::Done)
        EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
    else
        EXPECT_TRUE(op.messages().size() == 1 && op.messages().front().startsWith(kMsgInvalidBulkValue))
            << op.messages().join('|').toStdString();
    return unit->received();
}

TEST_F(WindowSendTest, WindowAndRecordsSendTheSameBytes)
{
    const Case cases[] = {
        {"one unit cabled directly", sim::PortMode::Direct, 4, 1},
        {"two units behind a controller", sim::PortMode::Controller, 6, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form = std::make_unique<TKalvoraForm>(op);
        const Settings file = PreparedWall(c.projectors);
        const QString path = dir.filePath(QStringLiteral("%1.tnc").arg(c.projectors));
        ASSERT_TRUE(WriteConfigFile(file, path, op));

        auto unit = Sim(c.mode);

        MatchWindows(*unit, file);
        form->setComDevices(unit->slavePath(), QString());
        clock::setScale(0.1);
        {
            // The plan as the first show initialises it (the overlap width's bounds with it).
            FlagGuard filling(form->flags().FormFilling);
            form->planningPage()->InitialisePlan();
        }
        // Connect; through the controller read the units, which sets the unit count.
        op.answer(c.units > 1);
        form->menuItem(c.mode == sim::PortMode::Controller ? "TornelconnectedthruController1"
                                                           : "TornelconnectedtoSerialPortdirectly1")
            ->trigger();
        ASSERT_TRUE(form->LinkEstablished());
        ASSERT_EQ(form->flags().UnitCount, c.units);
        form->configFiles().OpenDialog1 = [path] { return path; };
        form->menuItem("OpenConfigurationFile1")->trigger();
        ASSERT_TRUE(RunUntil([&] { return unit->isIdle(); }));
        unit->log().clear();
        op.clear();
        clock::setScale(0.02);

        // What the status bar shows each time bytes leave for the units.
        auto* progress = FindNamed<QLabel>(form.get(), QStringLiteral("ProgressLabel"));
        QStringList shown;
        QObject::connect(&form->port(), &SerialPort::bytesSent, [&] {
            // The sampling windows the send asks for first show as reads.
            if (progress->text().startsWith("Reading unit ")) return;
            if (shown.isEmpty() || shown.back() != progress->text()) shown << progress->text();
        });
        form->menuItem("SendCurrentSettingstoTornels1")->trigger();
        ASSERT_TRUE(RunUntil([&] { return unit->isIdle(); }));
        EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
        ASSERT_FALSE(shown.isEmpty());
        const qsizetype n = shown.size();
        EXPECT_EQ(shown.front(), QStringLiteral("Sending command 1 of %1, unit 1: PRJ").arg(n));
        EXPECT_TRUE(shown.back().startsWith(QStringLiteral("Sending command %1 of %1, unit %2: BRDGSEAM").arg(n).arg(c.units)))
            << shown.back().toStdString();
        EXPECT_EQ(progress->text(), QString()) << "the count goes when the send ends";
        const QByteArray fromWindow = unit->received();
        EXPECT_TRUE(fromWindow.contains(c.units > 1 ? "*7BRDGSEAM 2 0!" : "BRDGSEAM 4 0\r"));
        EXPECT_EQ(fromWindow, SentFromRecords(c, file, BulkOutcome::Done, c.units > 1));
        form.reset();
        unit.reset();
    }
}

// The operator's order on site: the file is opened first (its questions answered before any
// controller is known), then the controller is connected and the offer to read is declined.
// The send still goes to the units the controller reported, by their IDs, and each unit ends
// up holding its own part of the file.
TEST_F(WindowSendTest, FileOpenedBeforeConnectingGoesToTheReportedUnits)
{
    const Settings file = PreparedWall(8);
    const QString path = dir.filePath(QStringLiteral("wall.tnc"));
    ASSERT_TRUE(WriteConfigFile(file, path, op));
    auto unit = Sim(sim::PortMode::Controller);
    MatchWindows(*unit, file);
    ASSERT_NO_FATAL_FAILURE(openThenConnect(*unit, path));
    EXPECT_EQ(unit->received(), QByteArray("\rNTN\r")) << "the units are asked for, not read";
    EXPECT_EQ(form->flags().UnitCount, 2);
    unit->log().clear();
    op.clear();
    clock::setScale(0.02);

    EXPECT_EQ(form->SendCurrentSettingstoTornels1Click(), BulkOutcome::Done);
    ASSERT_TRUE(RunUntil([&] { return unit->isIdle(); }));
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
    const QByteArray sent = unit->received();
    EXPECT_EQ(sent.indexOf("PASS "), sent.indexOf(PassFrame("*3PRJ 0 8!"))) << sent.left(40).toStdString();
    EXPECT_FALSE(sent.contains("*1")) << "nothing to an ID the controller did not report";
    EXPECT_FALSE(sent.contains("*2"));
    for (int w = 1; w <= 8; ++w) {
        SCOPED_TRACE(w);
        const UnitIndex at = WallToUnit(w);
        const sim::SimUnit& held = *unit->unitById(at.unit == 1 ? 3 : 7);
        EXPECT_EQ(held.output(at.index).BlackLevel, file.output(at.unit, at.index).BlackLevel);
        // Edges inside the wall only; seam gains of channels with a locked input only.
        if (w > 1) { EXPECT_EQ(held.output(at.index).LeftHaloOffset, file.output(at.unit, at.index).LeftHaloOffset); }
        if (w < 8) { EXPECT_EQ(held.output(at.index).RightHaloOffset, file.output(at.unit, at.index).RightHaloOffset); }
        if (w != 3) { EXPECT_EQ(held.output(at.index).SeamGain[5], file.output(at.unit, at.index).SeamGain[5]); }
    }
    EXPECT_EQ(sent, SentFromRecords({"", sim::PortMode::Controller, 8, 2}, file, BulkOutcome::Done, false));
}

// A controller that reports one unit cannot take a wall of more than four screens: the send
// says so and puts nothing on the line.
TEST_F(WindowSendTest, EightScreensWithOneReportedUnitSendNothing)
{
    const Settings file = PreparedWall(8);
    const QString path = dir.filePath(QStringLiteral("wall.tnc"));
    ASSERT_TRUE(WriteConfigFile(file, path, op));
    auto unit = Sim(sim::PortMode::Controller, {5});
    MatchWindows(*unit, file);
    ASSERT_NO_FATAL_FAILURE(openThenConnect(*unit, path));
    unit->log().clear();
    op.clear();

    EXPECT_EQ(form->SendCurrentSettingstoTornels1Click(), BulkOutcome::NotStarted);
    ASSERT_TRUE(RunUntil([&] { return unit->isIdle(); }));
    EXPECT_EQ(op.messages(), QStringList{kMsgMoreThanFourNeedsTwoUnits});
    EXPECT_EQ(unit->received(), QByteArray());
}

// The units' end of the line goes away partway: the send stops and says where, and that the
// units are partly configured.
TEST_F(WindowSendTest, PortLostPartwayIsReportedWithTheCommandReached)
{
    const Settings file = PreparedWall(8);
    const QString path = dir.filePath(QStringLiteral("wall.tnc"));
    ASSERT_TRUE(WriteConfigFile(file, path, op));
    auto unit = Sim(sim::PortMode::Controller);
    MatchWindows(*unit, file);
    ASSERT_NO_FATAL_FAILURE(openThenConnect(*unit, path));
    op.clear();

    int frames = 0;
    QObject::connect(unit.get(), &sim::Simulator::requestHandled, [&](const QByteArray& line) {
        if (!line.contains("TNQUERY") && ++frames == 12) QTimer::singleShot(0, [&] { unit.reset(); });
    });
    EXPECT_EQ(form->SendCurrentSettingstoTornels1Click(), BulkOutcome::LinkFailed);
    ASSERT_FALSE(op.messages().isEmpty());
    const QString last = op.messages().back();
    EXPECT_TRUE(last.startsWith("Sending stopped: ")) << last.toStdString();
    EXPECT_TRUE(last.contains("the serial port failed after command 12 of ")) << last.toStdString();
    EXPECT_TRUE(last.contains("partly configured")) << last.toStdString();
    EXPECT_FALSE(form->LinkEstablished());
}

// The units of a file drive 1024-pixel projectors while the window's plan still holds the
// start-up 1280: the overlap width's bound is half of the units' width in the window as in the
// tool, so both send 512 and both refuse 513 and 600, with the same bytes on the line.
TEST_F(WindowSendTest, TheWindowAndTheToolRefuseTheSameOverlapWidths)
{
    struct Overlap {
        int width;
        BulkOutcome outcome;
    };
    for (const Overlap c : {Overlap{512, BulkOutcome::Done}, Overlap{513, BulkOutcome::InvalidValue},
                            Overlap{600, BulkOutcome::InvalidValue}}) {
        SCOPED_TRACE(c.width);
        form = std::make_unique<TKalvoraForm>(op);
        Settings file = PreparedWall(2);
        for (int w = 1; w <= 8; ++w) file.output(WallToUnit(w).unit, WallToUnit(w).index).OutputFormat = 2;
        file.output(1, 1).OverlapWidth = c.width;
        const QString path = dir.filePath(QStringLiteral("overlap%1.tnc").arg(c.width));
        ASSERT_TRUE(WriteConfigFile(file, path, op));
        auto unit = Sim(sim::PortMode::Direct);
        MatchWindows(*unit, file);
        form->setComDevices(unit->slavePath(), QString());
        clock::setScale(0.1);
        {
            FlagGuard filling(form->flags().FormFilling);
            form->planningPage()->InitialisePlan();
        }
        ASSERT_EQ(form->planningPage()->plan().OverlapWidthMax, 640);
        op.defaultAnswer = true;
        form->configFiles().OpenDialog1 = [path] { return path; };
        form->menuItem("OpenConfigurationFile1")->trigger();
        op.defaultAnswer = false;  // no read after connecting
        form->menuItem("TornelconnectedtoSerialPortdirectly1")->trigger();
        ASSERT_TRUE(form->LinkEstablished());
        ASSERT_TRUE(RunUntil([&] { return unit->isIdle(); }));
        unit->log().clear();
        op.clear();
        clock::setScale(0.02);

        EXPECT_EQ(form->SendCurrentSettingstoTornels1Click(), c.outcome);
        ASSERT_TRUE(RunUntil([&] { return unit->isIdle(); }));
        if (c.outcome == BulkOutcome::Done)
            EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
        else
            EXPECT_EQ(op.messages(), QStringList{InvalidValueMessage(1, "DISP", [&] {
                          WireValue bad;
                          bad.shown = QString::number(c.width), bad.label = "Overlap Width", bad.accepted = QStringLiteral("%1 to 512").arg(kMinOverlap);
                          return bad;
                      }())});
        const QByteArray fromWindow = unit->received();
        EXPECT_EQ(fromWindow.contains("DISP 1 " + QByteArray::number(c.width) + "\r"), c.outcome == BulkOutcome::Done);
        if (c.outcome != BulkOutcome::Done) { EXPECT_EQ(fromWindow, QByteArray()) << "nothing is sent before the check"; }
        EXPECT_EQ(fromWindow, SentFromRecords({"", sim::PortMode::Direct, 2, 1}, file, c.outcome, false));
        form.reset();
        unit.reset();
    }
}

}  // namespace
}  // namespace kalvora::testing
