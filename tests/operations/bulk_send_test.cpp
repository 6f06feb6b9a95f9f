// The bulk send from the records against simulated units over a pseudo-terminal: the exact
// lines on the wire for one unit and for two units through a controller, the channels visited
// and skipped, the stop at a value that cannot be sent, a line that dies in the middle, and the
// progress reported.
#include <optional>
#include <limits>
#include <gtest/gtest.h>

#include <set>

#include "support/bulk_watch.h"
#include "support/link_fixture.h"
#include "operations/bulk_send.h"
#include "operations/position_window.h"
#include "operations/record_values.h"

namespace kalvora {
namespace {

using sim::PortMode;
using testing::LinkFixture;
using testing::PassFrame;
using testing::StartSim;

// A wall of n projectors as a configuration file would hold it, with a distinct value in every
// field the send carries. Channels in `unlocked` carry no locked video.
void FillRecords(Settings& s, int n, const std::set<int>& unlocked = {})
{
    for (int w = 1; w <= 8; ++w) {
        const UnitIndex at = WallToUnit(w);
        InputChannelRecord& in = s.input(at.unit, at.index);
        in.VideoLoaded = 1;
        in.VideoLocked = unlocked.count(w) ? 0 : 1;
        in.HTotal = 1344, in.HActive = 1024, in.HPositionNominal = 100, in.HPositionLimit = -1;
        in.VPositionNominal = 30, in.VPositionLimit = -1;
        in.HPosition = 100 + w, in.VPosition = 30 - w, in.Phase = w - 8;
        in.ContrastC = 100.5f, in.BrightnessC = 99.0f;
        in.ContrastR = 1.5f, in.BrightnessR = -2.0f, in.ContrastG = 0.0f, in.BrightnessG = 12.5f;
        in.ContrastB = -25.0f, in.BrightnessB = 25.0f;

        OutputScreenRecord& o = s.output(at.unit, at.index);
        o.OutputFormat = 3;
        o.ScreenGroup = uint8_t(at.unit - 1);
        o.TotalProjectors = uint8_t(n);
        o.Alignment = 1, o.OverlapWidth = 128, o.DataDoubling = 1, o.ControlMode = 1;
        o.BasicGamma = 2.2f, o.BasicFeather = 1;
        o.TestPattern = uint8_t(w % 11), o.OutputRaster = w % 2, o.TestGrid = (w / 2) % 2;
        o.BlackLevel = uint8_t(10 * w);
        o.LeftHaloWidth = w, o.LeftHaloOffset = 100 + w, o.RightHaloWidth = 20 + w, o.RightHaloOffset = 200 + w;
        o.LeftGamma = 2.5f, o.LeftFeather = 1, o.RightGamma = 2.2f, o.RightFeather = w % 2;
        o.SeamParam = -4;
        for (int g = 0; g < 8; ++g) o.SeamGain[g] = uint8_t(w * 10 + g);
        o.SeamBridge = w % 2;
    }
}

// The lines the send must put on the wire, written out in the units' order from the records
// above: wall-wide values, inputs, screens of unit 1, unit-wide feathering and mode (with the
// re-read of the unit's screens), screens of unit 2, seams.
std::vector<std::pair<int, QByteArray>> ExpectedLines(const Settings& s, int n, int units,
                                                      const std::set<int>& unlocked = {})
{
    std::vector<std::pair<int, QByteArray>> out;  // (unit, line without CR; "?" marks a query)
    auto add = [&](int unit, const QByteArray& line) { out.push_back({unit, line}); };
    auto num = [](double v) { return QByteArray::number(v); };
    auto tenths = [](float v) { return QByteArray(FormatTenths(v).c_str()); };
    for (int u = 1; u <= units; ++u) add(u, "PRJ " + num(u - 1) + " " + num(n));
    for (int u = 1; u <= units; ++u) add(u, "DISP 1 128");
    auto source = [&](int w) {
        if (unlocked.count(w)) return;
        const UnitIndex at = WallToUnit(w);
        const InputChannelRecord& in = s.input(at.unit, at.index);
        const QByteArray i = num(at.index);
        add(at.unit, "IRSPTN " + i + " M H " + num(in.HPosition));
        add(at.unit, "IRSPTN " + i + " M V " + num(in.VPosition));
        add(at.unit, "ICPHOTN " + i + " M " + num(in.Phase));
        const float values[8] = {in.ContrastC, in.BrightnessC, in.ContrastR, in.BrightnessR,
                                 in.ContrastG, in.BrightnessG, in.ContrastB, in.BrightnessB};
        for (int c = 0; c < 8; ++c)
            add(at.unit, QByteArray(c % 2 ? "IBRTTN " : "ICNTTN ") + i + " " + "CCRRGGBB"[c] + " " + tenths(values[c]));
    };
    for (int w = 1; w <= std::min(n, 4); ++w) source(w);
    if (units > 1)
        for (int w = 5; w <= n; ++w) source(w);
    auto screens = [&](std::vector<int> all, std::vector<int> haloL, std::vector<int> haloR, std::vector<int> eftaR,
                       std::vector<int> eftaL) {
        auto o = [&](int w) -> const OutputScreenRecord& { return s.output(WallToUnit(w).unit, WallToUnit(w).index); };
        auto idx = [&](int w) { return num(WallToUnit(w).index); };
        const int u = WallToUnit(all.front()).unit;
        for (int w : all)
            add(u, "OTPMTN " + idx(w) + " " + num(o(w).TestPattern) + " " + num(o(w).OutputRaster) + " " +
                       num(o(w).TestGrid));
        for (int w : all) add(u, "BLKGN " + idx(w) + " " + num(o(w).BlackLevel));
        for (int w : haloL) add(u, "HALO " + idx(w) + " L " + num(o(w).LeftHaloWidth) + " " + num(o(w).LeftHaloOffset));
        for (int w : haloR) add(u, "HALO " + idx(w) + " R " + num(o(w).RightHaloWidth) + " " + num(o(w).RightHaloOffset));
        for (int w : eftaR)
            add(u, "EFTA " + idx(w) + " R " + num(o(w).RightFeather ? 1 : 0) + " " + tenths(o(w).RightGamma));
        for (int w : eftaL)
            add(u, "EFTA " + idx(w) + " L " + num(o(w).LeftFeather ? 1 : 0) + " " + tenths(o(w).LeftGamma));
    };
    screens({1, 2, 3, 4}, {2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}, {2, 3, 4});
    for (int u = 1; u <= units; ++u) add(u, "DDBL 1");
    for (int u = 1; u <= units; ++u) add(u, "EFTB 1  2.2");
    for (int u = 1; u <= units; ++u) {
        add(u, "TNCTRL 1");
        for (int q = 1; q <= 4; ++q) add(u, "?OINFOTN " + num(q));
    }
    if (units > 1) screens({5, 6, 7, 8}, {5, 6, 7, 8}, {5, 6, 7}, {5, 6, 7}, {5, 6, 7, 8});
    auto seam = [&](int w) {
        if (unlocked.count(w)) return;
        const UnitIndex at = WallToUnit(w);
        const OutputScreenRecord& o = s.output(at.unit, at.index);
        QByteArray gains;
        for (int g = 0; g < 8; ++g) gains += " " + num(o.SeamGain[g]);
        for (int k = 0; k < 8; ++k) add(at.unit, "MANSEAM " + num(at.index) + " -4" + gains);
        add(at.unit, "BRDGSEAM " + num(at.index) + " " + num(o.SeamBridge));
    };
    for (int w = 1; w <= std::min(n, 4); ++w) seam(w);
    if (units > 1)
        for (int w = 5; w <= n; ++w) seam(w);
    return out;
}

// The bytes of those lines in the connection mode (controller IDs 1 and 2).
QByteArray Wire(const std::vector<std::pair<int, QByteArray>>& lines, PortMode mode)
{
    QByteArray bytes;
    for (const auto& [unit, line] : lines) {
        const QByteArray id = QByteArray::number(unit);
        if (line.startsWith('?'))
            bytes += mode == PortMode::Controller ? "TNQUERY *" + id + line.mid(1) + "!\r" : line.mid(1) + "\r";
        else
            bytes += mode == PortMode::Controller ? PassFrame("*" + id + line + "!") : line + "\r";
    }
    return bytes;
}

class BulkSendTest : public LinkFixture {
protected:
    // Connects, then runs every later wait at a fiftieth of its nominal length.
    void ConnectFast(sim::Simulator& s)
    {
        Connect(s);
        s.setThinkMs(0);
        clock::setScale(0.02);
    }
    // As after a read in this connection: the units reported the sampling windows the file
    // was made with.
    void KnowWindowsOf(const Settings& file)
    {
        for (int u = 1; u <= 2; ++u)
            for (int i = 1; i <= 4; ++i) link.noteReportedInput(u, i, file.input(u, i));
    }
    BulkOutcome Send()
    {
        RecordValues values(settings, commands, link);
        BulkSend send(commands, link, settings, values);
        testing::BulkWatch watch;
        watch.progress = [this](const BulkProgress& p) { progress.push_back(p); };
        return send.Run(watch);
    }
    std::vector<BulkProgress> progress;
};

struct WallCase {
    PortMode mode;
    int n;
    int units;
    std::set<int> unlocked;
};

TEST_F(BulkSendTest, SendsEveryCommandInOrder)
{
    const WallCase cases[] = {
        {PortMode::Direct, 1, 1, {}},
        {PortMode::Direct, 4, 1, {3}},  // channel 3 unlocked: no position, colour, seam or bridge
        {PortMode::Controller, 6, 2, {}},
        {PortMode::Controller, 8, 2, {2, 7}},
    };
    for (const WallCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "N=" << c.n << " units=" << c.units);
        auto unit = StartSim(c.mode);
        ConnectFast(*unit);
        settings = Settings{};
        FillRecords(settings, c.n, c.unlocked);
        const Settings file = settings;
        KnowWindowsOf(file);
        flags.UnitCount = c.units;
        progress.clear();

        EXPECT_EQ(Send(), BulkOutcome::Done);
        ASSERT_TRUE(SettleAfter(*unit, 1));
        const auto lines = ExpectedLines(file, c.n, c.units, c.unlocked);
        EXPECT_EQ(unit->received(), Wire(lines, c.mode));
        EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('\n').toStdString();
        EXPECT_FALSE(flags.EditorBusy);

        // One progress report per command, numbered, with its unit.
        std::vector<std::pair<int, QByteArray>> commandsOnly;
        for (const auto& l : lines)
            if (!l.second.startsWith('?')) commandsOnly.push_back(l);
        ASSERT_EQ(progress.size(), commandsOnly.size());
        for (size_t k = 0; k < progress.size(); ++k) {
            EXPECT_EQ(progress[k].k, int(k) + 1);
            EXPECT_EQ(progress[k].n, int(commandsOnly.size()));
            EXPECT_EQ(progress[k].unit, commandsOnly[k].first);
            EXPECT_TRUE(commandsOnly[k].second.startsWith(progress[k].what.section(' ', 0, 0).toLatin1()))
                << progress[k].what.toStdString();
        }
        // The units hold the file's settings, also where the mode change re-read a unit before
        // the send reached those values.
        for (int w = 1; w <= (c.units > 1 ? 8 : 4); ++w) {
            const UnitIndex at = WallToUnit(w);
            const OutputScreenRecord& got = unit->unit(at.unit).output(at.index);
            EXPECT_EQ(got.BlackLevel, file.output(at.unit, at.index).BlackLevel) << w;
            EXPECT_EQ(got.TestPattern, file.output(at.unit, at.index).TestPattern) << w;
            if (!c.unlocked.count(w) && w <= c.n) {
                EXPECT_EQ(got.SeamGain[7], file.output(at.unit, at.index).SeamGain[7]) << w;
            }
        }
        op.clear();
    }
}

// A value that cannot be sent stops the send before its first command, with one message that
// names it: the wall is never left half-configured. The last cases spoil a value of the last
// commands of an eight-screen wall on unit 2.
TEST_F(BulkSendTest, AValueThatCannotBeSentStopsTheSendBeforeItsFirstCommand)
{
    struct StopCase {
        const char* name;
        PortMode mode;
        int n;
        std::function<void(Settings&)> spoil;
        std::optional<FieldKey> override_;  // the field whose text becomes "abc"
        const char* named;      // the value as the message names it
    };
    const StopCase cases[] = {
        {"black level 3 not a number", PortMode::Direct, 4, nullptr, ScreenKey(Field::BlackLevel, 3),
         "Tornel 1, BLKGN screen 3: Screen 3 Black Level is \"abc\"; accepted: 0 to 255"},
        {"halo width 200 from a file", PortMode::Direct, 4, [](Settings& s) { s.output(1, 3).LeftHaloWidth = 200; },
         std::nullopt, "Tornel 1, HALO L screen 3: Screen 3 Halo Width (L) is \"200\"; accepted: 0 to 64"},
        {"phase beyond 15", PortMode::Direct, 4, [](Settings& s) { s.input(1, 1).Phase = 16; }, std::nullopt,
         "Tornel 1, ICPHOTN channel 1: Phase is \"16\"; accepted: -16 to 15"},
        {"no projector count", PortMode::Direct, 4, [](Settings& s) { s.output(1, 1).TotalProjectors = 0; }, std::nullopt,
         "Tornel 1, PRJ: Number of Projectors is \"none\"; accepted: 1 to 8"},
        {"unit 2 screen 8 gamma not a number", PortMode::Controller, 8,
         [](Settings& s) { s.output(2, 4).LeftGamma = std::numeric_limits<float>::quiet_NaN(); }, std::nullopt,
         "Tornel 2, EFTA L screen 8: Screen 8 Edge Feathering Gamma (L) is \"NAN\"; accepted: 1.0 to 5.0"},
        {"seam gain 8 not a number", PortMode::Direct, 2, nullptr, ScreenKey(Field::SeamGain, 8),
         "Tornel 1, MANSEAM channel 1: Seam Gain 8 is \"abc\"; accepted: 0 - 255"},
    };
    struct Spoiled : RecordValues {
        using RecordValues::RecordValues;
        std::optional<FieldKey> bad;
        QString Text(const FieldKey& key) override { return key == bad ? QStringLiteral("abc") : RecordValues::Text(key); }
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto unit = StartSim(c.mode, c.mode == PortMode::Controller ? std::vector<int>{3, 7} : std::vector<int>{});
        ConnectFast(*unit);
        settings = Settings{};
        FillRecords(settings, c.n);
        KnowWindowsOf(settings);
        if (c.spoil) c.spoil(settings);
        flags.UnitCount = c.n > 4 ? 2 : 1;
        Spoiled values(settings, commands, link);
        values.bad = c.override_;
        BulkSend send(commands, link, settings, values);

        testing::BulkWatch watch;
        EXPECT_EQ(send.Run(watch), BulkOutcome::InvalidValue);
        ASSERT_TRUE(SettleAfter(*unit, 0));
        EXPECT_EQ(unit->received(), QByteArray()) << "nothing is sent";
        EXPECT_EQ(send.CommandsSent(), 0);
        ASSERT_EQ(op.messages().size(), 1);
        const QString shown = op.messages().front();
        EXPECT_TRUE(shown.startsWith(kMsgInvalidBulkValue)) << shown.toStdString();
        if (c.named) { EXPECT_TRUE(shown.contains(QLatin1String(c.named))) << shown.toStdString(); }
        EXPECT_TRUE(shown.endsWith("Nothing was sent.")) << shown.toStdString();
        EXPECT_FALSE(flags.EditorBusy);
        op.clear();
    }
}

// The line dies after a few commands: the command in flight times out, the operator gives up at
// the link's way out, and the send ends there without trying one command after another.
TEST_F(BulkSendTest, DeadLineEndsTheSendOnce)
{
    auto unit = StartSim(PortMode::Controller);
    ConnectFast(*unit);
    FillRecords(settings, 6);
    KnowWindowsOf(settings);
    flags.UnitCount = 2;
    op.defaultAnswer = false;  // give up
    RecordValues values(settings, commands, link);
    BulkSend send(commands, link, settings, values);
    QString cut;
    testing::BulkWatch watch;
    watch.progress = [&](const BulkProgress& p) {
        if (p.k == 5) {
            unit->faults().dead = true;
            cut = p.what;
        }
    };

    EXPECT_EQ(send.Run(watch), BulkOutcome::LinkFailed);
    EXPECT_EQ(cut, "IRSPTN H channel 1");
    EXPECT_EQ(send.CommandsSent(), 4);
    EXPECT_EQ(op.questions().size(), 1);  // the way out, asked once
    EXPECT_FALSE(op.messages().contains(kMsgInvalidBulkValue));
    // Every attempt went out for the command in flight, nothing after it.
    const QByteArray frame = PassFrame("*1IRSPTN 1 M H 101!");
    const QByteArray wire = unit->received();
    EXPECT_EQ(wire.count(frame), kAttemptsBeforeAsking);
    EXPECT_TRUE(wire.endsWith(frame));
    EXPECT_FALSE(flags.EditorBusy);
    EXPECT_FALSE(link.operationRunning());
}

// A file made with another source connected holds a wider sampling window than the unit now
// reports. The unit is asked for the channel's window (not yet known in this connection) before
// the first command, and a position outside it stops the send before anything is sent.
TEST_F(BulkSendTest, PositionsAreCheckedAgainstTheWindowTheUnitReports)
{
    struct FileWindow {
        const char* name;
        int32_t nominal, limit, position;
    };
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    for (const FileWindow c : {FileWindow{"another source's window", 500, 1000, 600},
                               FileWindow{"nominal and limit at the type's minimum", kMin, kMin, kMin}}) {
        SCOPED_TRACE(c.name);
        auto unit = StartSim(PortMode::Controller, {3, 7});
        ConnectFast(*unit);
        settings = Settings{};
        link.forgetReportedInputs();
        FillRecords(settings, 1);
        InputChannelRecord& in = settings.input(1, 1);
        in.HTotal = 2000, in.HActive = 1000;
        in.HPositionNominal = c.nominal, in.HPositionLimit = c.limit, in.HPosition = c.position;
        const InputChannelRecord& reported = unit->unit(1).input(1);
        const PositionWindow w = PositionWindowOf(reported);
        ASSERT_FALSE(w.HContains(c.position)) << "the unit's own window must not hold the file's position";
        flags.UnitCount = 1;

        EXPECT_EQ(Send(), BulkOutcome::InvalidValue);
        ASSERT_TRUE(SettleAfter(*unit, 0));
        EXPECT_EQ(unit->received(), "TNQUERY *3IINFOTN 1!\r") << "the window asked for, no command sent";
        ASSERT_EQ(op.messages().size(), 1);
        EXPECT_TRUE(op.messages().front().contains(
            QStringLiteral("Tornel 1, IRSPTN H channel 1: H Position is \"%1\"; accepted: %2 to %3, the window")
                .arg(c.position)
                .arg(w.HPositionMin)
                .arg(w.HPositionMax)))
            << op.messages().front().toStdString();
        ASSERT_TRUE(link.reportedInput(1, 1).has_value());
        EXPECT_EQ(link.reportedInput(1, 1)->HPositionLimit, reported.HPositionLimit);
        op.clear();
    }
}

TEST_F(BulkSendTest, SendsNothingWhileBusyFillingOrUnlinked)
{
    auto unit = StartSim(PortMode::Direct);
    ConnectFast(*unit);
    FillRecords(settings, 1);
    flags.EditorBusy = true;
    EXPECT_EQ(Send(), BulkOutcome::NotStarted);
    EXPECT_TRUE(flags.EditorBusy);
    flags.EditorBusy = false;
    flags.FormFilling = true;
    EXPECT_EQ(Send(), BulkOutcome::NotStarted);
    flags.FormFilling = false;
    EXPECT_FALSE(flags.EditorBusy);
    link.setLinkUp(false);
    EXPECT_EQ(Send(), BulkOutcome::NotStarted);
    EXPECT_FALSE(flags.EditorBusy);
    EXPECT_TRUE(unit->received().isEmpty());
    EXPECT_TRUE(op.messages().isEmpty());
}

}  // namespace
}  // namespace kalvora
