// The builders against simulated units over a real pseudo-terminal: the exact bytes on the
// wire in both connection modes, the records stored first, the units' state afterwards, the
// re-reads and page refills after the send, and the builders' behaviour without a link or
// when the operator gives up.
#include <gtest/gtest.h>

#include <cstring>

#include "support/link_fixture.h"

namespace kalvora {
namespace {

using sim::PortMode;
using testing::LinkFixture;
using testing::PassFrame;
using testing::StartSim;
using testing::WaitUntil;

// What a builder call puts on the wire, in order: its own command line (direct form, with its
// CRs), queries ("Q:" + query line without CR), and "*" for the empty addressed line that
// follows an automatic procedure through a controller.
QByteArray Expected(PortMode mode, const std::vector<QByteArray>& items)
{
    QByteArray out;
    for (const QByteArray& item : items) {
        const bool controller = mode == PortMode::Controller;
        if (item.startsWith("Q:"))
            out += controller ? "TNQUERY *1" + item.mid(2) + "!\r" : item.mid(2) + "\r";
        else if (item == "*")
            out += controller ? PassFrame("*1 !") : QByteArray();
        else if (controller) {
            QByteArray body = item;
            while (body.endsWith('\r')) body.chop(1);
            out += PassFrame("*1" + body + "!");
        } else {
            out += item;
        }
    }
    return out;
}

const std::vector<QByteArray> kReadInputs = {"Q:IINFOTN 1", "Q:IINFOTN 2", "Q:IINFOTN 3", "Q:IINFOTN 4"};
const std::vector<QByteArray> kReadOutputs = {"Q:OINFOTN 1", "Q:OINFOTN 2", "Q:OINFOTN 3", "Q:OINFOTN 4"};
std::vector<QByteArray> Cat(std::vector<QByteArray> a, const std::vector<QByteArray>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct WireCase {
    const char* name;
    std::function<bool(CommandSet&)> call;
    std::vector<QByteArray> wire;
    // Checks the records and the simulated unit after the call (may be empty).
    std::function<void(const Settings&, const sim::SimUnit&)> check;
};

const std::vector<WireCase>& WireCases()
{
    static const int gains[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    static const std::vector<WireCase> cases = {
        {"BLKGN", [](CommandSet& c) { return c.SendBlackLevel(1, 2, 30); }, {"BLKGN 2 30\r"},
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(s.output(1, 2).BlackLevel, 30);
             EXPECT_EQ(u.output(2).BlackLevel, 30);
         }},
        {"TNCTRL", [](CommandSet& c) { return c.SendControlMode(1, 1); }, Cat({"TNCTRL 1\r"}, kReadOutputs),
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(u.output(1).ControlMode, 1);
             for (int i = 1; i <= 4; ++i) EXPECT_EQ(s.output(1, i).ControlMode, 1) << i;  // read back
         }},
        {"DDBL", [](CommandSet& c) { return c.SendDataDoubling(1, 1); }, {"DDBL 1\r"},
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(s.output(1, 1).DataDoubling, 1);
             EXPECT_EQ(u.output(1).DataDoubling, 1);
         }},
        {"DISP", [](CommandSet& c) { return c.SendDisplayLayout(1, 1, 128); }, {"DISP 1 128\r"},
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(s.output(1, 1).Alignment, 1);
             EXPECT_EQ(s.output(1, 1).OverlapWidth, 128);
             EXPECT_EQ(u.output(1).OverlapWidth, 128);
         }},
        {"EFTA left", [](CommandSet& c) { return c.SendEdgeFeather(1, 3, 0, 1, 2.2f); }, {"EFTA 3 L 1  2.2\r"},
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(s.output(1, 3).LeftGamma, 2.2f);
             EXPECT_EQ(s.output(1, 3).LeftFeather, 1);
             EXPECT_EQ(u.output(3).LeftFeather, 1);
         }},
        {"EFTA right", [](CommandSet& c) { return c.SendEdgeFeather(1, 2, 1, 0, 10.0f); }, {"EFTA 2 R 0 10.0\r"},
         [](const Settings& s, const sim::SimUnit&) {
             EXPECT_EQ(s.output(1, 2).RightGamma, 10.0f);
             EXPECT_EQ(s.output(1, 2).RightFeather, 0);
         }},
        {"EFTB 2.2", [](CommandSet& c) { return c.SendBasicFeather(1, 1, 2.2f); }, {"EFTB 1  2.2\r"},
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(s.output(1, 1).BasicGamma, 2.2f);
             EXPECT_EQ(s.output(1, 1).BasicFeather, 1);
             EXPECT_EQ(u.output(1).BasicFeather, 1);
         }},
        {"EFTB 10.0", [](CommandSet& c) { return c.SendBasicFeather(1, 1, 10.0f); }, {"EFTB 1 10.0\r"}, {}},
        {"HALO", [](CommandSet& c) { return c.SendHalo(1, 4, 1, 12, 3); }, {"HALO 4 R 12 3\r"},
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(s.output(1, 4).RightHaloWidth, 12);
             EXPECT_EQ(s.output(1, 4).RightHaloOffset, 3);
             EXPECT_EQ(u.output(4).RightHaloWidth, 12);
         }},
        {"HALO left", [](CommandSet& c) { return c.SendHalo(1, 2, 0, 5, 1); }, {"HALO 2 L 5 1\r"},
         [](const Settings& s, const sim::SimUnit&) {
             EXPECT_EQ(s.output(1, 2).LeftHaloWidth, 5);
             EXPECT_EQ(s.output(1, 2).LeftHaloOffset, 1);
         }},
        {"OTPMTN", [](CommandSet& c) { return c.SendTestPattern(1, 1, 7, 1, 0); }, {"OTPMTN 1 7 1 0\r"},
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(s.output(1, 1).TestPattern, 7);
             EXPECT_EQ(s.output(1, 1).OutputRaster, 1);
             EXPECT_EQ(s.output(1, 1).TestGrid, 0);
             EXPECT_EQ(u.output(1).TestPattern, 7);
         }},
        {"ICNTTN", [](CommandSet& c) { return c.SendInputContrast(1, 2, 2, 100.5f); }, {"ICNTTN 2 G 100.5\r"},
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(s.input(1, 2).ContrastG, 100.5f);
             EXPECT_EQ(u.input(2).ContrastG, 100.5f);
         }},
        {"IBRTTN", [](CommandSet& c) { return c.SendInputBrightness(1, 1, 0, -1.0f); }, {"IBRTTN 1 C -1.0\r"},
         [](const Settings& s, const sim::SimUnit&) { EXPECT_EQ(s.input(1, 1).BrightnessC, -1.0f); }},
        {"ICPHOTN", [](CommandSet& c) { return c.SendInputPhase(1, 3, 17); }, {"ICPHOTN 3 M 17\r"},
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(s.input(1, 3).Phase, 17);
             EXPECT_EQ(u.input(3).Phase, 17);
         }},
        {"IRSPTN H", [](CommandSet& c) { return c.SendInputHPosition(1, 4, 25); }, {"IRSPTN 4 M H 25\r"},
         [](const Settings& s, const sim::SimUnit&) { EXPECT_EQ(s.input(1, 4).HPosition, 25); }},
        {"IRSPTN V", [](CommandSet& c) { return c.SendInputVPosition(1, 4, 2); }, {"IRSPTN 4 M V 2\r"},
         [](const Settings& s, const sim::SimUnit&) { EXPECT_EQ(s.input(1, 4).VPosition, 2); }},
        {"ICSAVTN", [](CommandSet& c) { return c.SendInputSave(1, 2); }, {"ICSAVTN 2\r"}, {}},
        {"ICRSTTN", [](CommandSet& c) { return c.SendInputReset(1, 3); }, Cat({"ICRSTTN 3\r"}, kReadInputs), {}},
        {"PRJ", [](CommandSet& c) { return c.SendProjectorCount(1, 6); }, {"PRJ 0 6\r"},
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(s.output(1, 1).ScreenGroup, 0);
             EXPECT_EQ(s.output(1, 1).TotalProjectors, 6);
             EXPECT_EQ(u.output(1).TotalProjectors, 6);
         }},
        {"MANSEAM", [](CommandSet& c) { return c.SendSeamGains(1, 2, -4, gains); }, {"MANSEAM 2 -4 1 2 3 4 5 6 7 8\r"},
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(s.output(1, 2).SeamParam, -4);
             const uint8_t sent[8] = {1, 2, 3, 4, 5, 6, 7, 8};
             EXPECT_EQ(0, std::memcmp(s.output(1, 2).SeamGain, sent, 8));
             EXPECT_EQ(u.output(2).SeamGain[7], 8);
         }},
        {"BRDGSEAM", [](CommandSet& c) { return c.SendSeamBridge(1, 1, 1); }, {"BRDGSEAM 1 1\r"},
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(s.output(1, 1).SeamBridge, 1);
             EXPECT_EQ(u.output(1).SeamBridge, 1);
         }},
        {"AUTOSEAM", [](CommandSet& c) { return c.SendAutoSeam(1, 4); }, {"AUTOSEAM 4\r", "Q:OINFOTN 4"},
         [](const Settings& s, const sim::SimUnit& u) {
             EXPECT_EQ(0, std::memcmp(s.output(1, 4).SeamGain, u.output(4).SeamGain, 8));  // read back
         }},
        {"RGBADJ", [](CommandSet& c) { return c.RunAutoColorBalance(1); },
         Cat(Cat(kReadInputs, {"RGBADJ\r\r", "*"}), kReadInputs), {}},
        {"AUTOPOS", [](CommandSet& c) { return c.RunAutoPosition(1); }, Cat({"AUTOPOS\r\r", "*"}, kReadInputs),
         [](const Settings& s, const sim::SimUnit& u) {
             for (int i = 1; i <= 4; ++i) EXPECT_EQ(s.input(1, i).HPosition, u.input(i).HPosition) << i;
         }},
        {"APHASE", [](CommandSet& c) { return c.RunAutoPhase(1); }, Cat({"APHASE\r\r", "*"}, kReadInputs),
         [](const Settings& s, const sim::SimUnit& u) {
             for (int i = 1; i <= 4; ++i) EXPECT_EQ(s.input(1, i).Phase, u.input(i).Phase) << i;
         }},
        {"SYSAVE", [](CommandSet& c) { return c.SendSystemSave(1); }, {"SYSAVE\r"}, {}},
        {"FEATHER S", [](CommandSet& c) { return c.SendFeatherCurve(1, 0); }, {"FEATHER S\r"},
         [](const Settings&, const sim::SimUnit& u) { EXPECT_EQ(u.state().featherCurve, 'S'); }},
        {"FEATHER L", [](CommandSet& c) { return c.SendFeatherCurve(1, 1); }, {"FEATHER L\r"},
         [](const Settings&, const sim::SimUnit& u) { EXPECT_EQ(u.state().featherCurve, 'L'); }},
        {"RESETTN", [](CommandSet& c) { return c.SendReset(1, 'F'); }, {"RESETTN F\r"},
         [](const Settings&, const sim::SimUnit& u) { EXPECT_EQ(u.output(2).BlackLevel, u.factory().outputs[2].BlackLevel); }},
    };
    return cases;
}

class CommandWire : public LinkFixture, public ::testing::WithParamInterface<PortMode> {
protected:
    // The post-waits add up (RESETTN alone is 6.5 s nominal): a smaller scale, still long enough
    // for the prompt and reply waits on a loaded machine.
    CommandWire() { clock::setScale(0.05); }
};

TEST_P(CommandWire, EveryBuilderSendsItsExactFormStoresAndReReads)
{
    auto unit = StartSim(GetParam());
    Connect(*unit);
    for (const WireCase& c : WireCases()) {
        SCOPED_TRACE(c.name);
        // The pause after an automatic procedure scales with the projectors stored for the unit.
        settings.output(1, 1).TotalProjectors = 1;
        unit->log().clear();
        op.clear();
        const QByteArray expected = Expected(GetParam(), c.wire);
        EXPECT_TRUE(c.call(commands));
        ASSERT_TRUE(SettleAfter(*unit, expected.size()));
        EXPECT_EQ(unit->received(), expected);
        EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
        if (c.check) c.check(settings, unit->unit(1));
    }
    EXPECT_FALSE(flags.FormFilling);
}

INSTANTIATE_TEST_SUITE_P(BothModes, CommandWire, ::testing::Values(PortMode::Direct, PortMode::Controller),
                         [](const auto& info) { return info.param == PortMode::Direct ? "Direct" : "Controller"; });

// Frames written out by hand: the checksums BD, C3 and 9C and the RS-485 ID of each unit.
TEST_F(LinkFixture, ControllerFramesCarryTheUnitIdAndChecksum)
{
    auto controllerSim = StartSim(PortMode::Controller, {5, 1});
    Connect(*controllerSim);
    link.setUnitIds({{5, 1}, {true, true}});

    EXPECT_TRUE(commands.SendBlackLevel(1, 2, 30));
    EXPECT_EQ(controllerSim->received(), QByteArray("PASS *5BLKGN 2 30!C3\r\r"));
    EXPECT_EQ(controllerSim->unitById(5)->output(2).BlackLevel, 30);

    controllerSim->log().clear();
    EXPECT_TRUE(commands.SendBlackLevel(2, 1, 20));
    EXPECT_EQ(controllerSim->received(), QByteArray("PASS *1BLKGN 1 20!BD\r\r"));

    controllerSim->log().clear();
    settings.output(2, 1).TotalProjectors = 0;  // no pause after the procedure
    EXPECT_TRUE(commands.RunAutoPosition(2));
    const QByteArray wire = controllerSim->received();
    EXPECT_TRUE(wire.startsWith(PassFrame("*1AUTOPOS!") + "PASS *1 !9C\r\rTNQUERY *1IINFOTN 1!\r"))
        << wire.toStdString();
}

TEST_F(LinkFixture, WithoutALinkBuildersStoreAndSendNothing)
{
    auto unit = StartSim(PortMode::Direct);
    Cable(unit.get(), nullptr);
    int seamFills = 0;
    pages.seams = [&] { ++seamFills; };
    EXPECT_TRUE(commands.SendBlackLevel(1, 3, 99));
    EXPECT_TRUE(commands.SendInputBrightness(1, 2, 3, 12.5f));
    EXPECT_TRUE(commands.SendProjectorCount(2, 7));
    EXPECT_TRUE(commands.SendAutoSeam(1, 2));
    EXPECT_EQ(settings.output(1, 3).BlackLevel, 99);
    EXPECT_EQ(settings.input(1, 2).BrightnessB, 12.5f);
    EXPECT_EQ(settings.output(2, 1).ScreenGroup, 1);
    EXPECT_EQ(settings.output(2, 1).TotalProjectors, 7);
    EXPECT_EQ(seamFills, 1);  // the seam page is refilled even when nothing could be sent
    WaitUntil([] { return false; }, 30);
    EXPECT_TRUE(unit->received().isEmpty());
    EXPECT_FALSE(port.isOpen());
}

TEST_F(LinkFixture, RefusedArgumentsChangeNothing)
{
    auto unit = StartSim(PortMode::Direct);
    Connect(*unit);
    const Settings before = settings;
    EXPECT_FALSE(commands.SendBlackLevel(3, 1, 5));
    EXPECT_FALSE(commands.SendBlackLevel(1, 0, 5));
    EXPECT_FALSE(commands.SendHalo(0, 5, 1, 1, 1));
    EXPECT_FALSE(commands.SendInputContrast(1, 1, 4, 1.0f));
    EXPECT_FALSE(commands.SendInputBrightness(1, 1, -1, 1.0f));
    EXPECT_FALSE(commands.RunAutoPhase(-1));
    EXPECT_EQ(0, std::memcmp(&before.InputRecords, &settings.InputRecords, sizeof settings.InputRecords));
    EXPECT_EQ(0, std::memcmp(&before.OutputRecords, &settings.OutputRecords, sizeof settings.OutputRecords));
    WaitUntil([] { return false; }, 30);
    EXPECT_TRUE(unit->received().isEmpty());
}

TEST_F(LinkFixture, ColourBalanceRefusesWithoutVideoOnInput1)
{
    auto unit = StartSim(PortMode::Direct);
    Connect(*unit);
    unit->unit(1).setVideo(1, false);
    int sourceFills = 0;
    pages.inputs = [&] {
        EXPECT_TRUE(flags.FormFilling);
        ++sourceFills;
    };
    EXPECT_TRUE(commands.RunAutoColorBalance(1));
    EXPECT_EQ(op.messages(), QStringList{kMsgNoVideoOnInput1});
    EXPECT_EQ(unit->received(), Expected(PortMode::Direct, kReadInputs));
    EXPECT_EQ(sourceFills, 1);
    EXPECT_EQ(settings.input(1, 1).VideoLoaded, 0);
}

TEST_F(LinkFixture, AfterActionsRefillPagesWhileFormFilling)
{
    auto unit = StartSim(PortMode::Controller);
    Connect(*unit);
    for (int s = 1; s <= 4; ++s) unit->unit(1).output(s).TotalProjectors = 1;  // read back by TNCTRL
    unit->unit(1).timings = sim::UnitTimings{200, 200, 200, 100, 100, 100, 100};
    clock::setScale(0.05);
    QStringList fills;
    pages.outputs = [&] { fills << QString("display %1").arg(flags.FormFilling); };
    pages.inputs = [&] { fills << QString("source %1").arg(flags.FormFilling); };
    pages.seams = [&] { fills << QString("seam %1").arg(flags.FormFilling); };
    pages.colours = [&](int ch) { fills << QString("colour %1 %2").arg(ch).arg(flags.FormFilling); };
    pages.channel = [] { return 3; };

    EXPECT_TRUE(commands.SendControlMode(1, 0));
    EXPECT_TRUE(commands.SendInputReset(1, 2));
    EXPECT_TRUE(commands.SendAutoSeam(1, 1));
    EXPECT_TRUE(commands.RunAutoColorBalance(1));
    EXPECT_TRUE(commands.RunAutoPhase(1));
    EXPECT_EQ(fills, (QStringList{"display 1", "source 1", "seam 1", "source 1", "colour 3 1", "source 1"}));
    EXPECT_FALSE(flags.FormFilling);
    EXPECT_FALSE(link.operationRunning());
    EXPECT_TRUE(op.status.isEmpty());
}

// A controller that keeps refusing: the operator gives up at the link's way out, the builder
// reports it, the record keeps what was stored and no re-read follows.
TEST_F(LinkFixture, AbandonedCommandStopsTheBuilder)
{
    auto unit = StartSim(PortMode::Controller);
    Connect(*unit);
    unit->faults().rejectNext = 1000;
    op.defaultAnswer = false;  // Cancel
    int displayFills = 0;
    pages.outputs = [&] { ++displayFills; };

    EXPECT_FALSE(commands.SendControlMode(1, 1));
    EXPECT_EQ(settings.output(1, 1).ControlMode, 1);
    EXPECT_EQ(displayFills, 0);
    EXPECT_FALSE(unit->received().contains("TNQUERY"));
    EXPECT_FALSE(op.questions().isEmpty());
    EXPECT_FALSE(link.operationRunning());
}

// A unit that stops answering in direct mode: the recovery dialog's Cancel ends the program,
// so the builder reports the command as not done and sends nothing more.
TEST_F(LinkFixture, CancelledRecoveryStopsTheBuilder)
{
    auto unit = StartSim(PortMode::Direct);
    Connect(*unit);
    int exits = 0;
    QObject::connect(&link, &Link::exitRequested, [&](int status) {
        EXPECT_EQ(status, -1);
        ++exits;
    });
    unit->faults().dead = true;
    clock::setScale(0.02);     // every wait from here on ends by its timeout
    op.defaultAnswer = false;  // Cancel
    int sourceFills = 0;
    pages.inputs = [&] { ++sourceFills; };

    EXPECT_FALSE(commands.SendInputReset(1, 2));
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(sourceFills, 0);
    EXPECT_TRUE(unit->received().startsWith("ICRSTTN 2\r"));
    EXPECT_FALSE(unit->received().contains("IINFOTN"));
    EXPECT_TRUE(op.questions().contains(kMsgComPortFailed));
}

}  // namespace
}  // namespace kalvora
