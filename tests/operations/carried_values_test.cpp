// What a send carries, against what the units hold afterwards, over many generated files: walls
// of 1 to 8 projectors, unlocked channels, unit records whose wall-wide values differ, check
// box values above 1, direct and controller mode. After a full send the comparison finds
// nothing and a send of only what changed sends nothing; after k values of the file change, a
// send of only what changed sends exactly the commands that carry them.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "support/bulk_watch.h"
#include "support/link_fixture.h"
#include "operations/bulk_send.h"
#include "operations/position_window.h"
#include "operations/record_values.h"
#include "planning/overlap_limit.h"
#include "settings/numeric_field_table.h"

namespace kalvora {
namespace {

using sim::PortMode;
using testing::LinkFixture;
using testing::StartSim;
using Sent = std::set<std::pair<int, QString>>;  // (unit, command)

struct Gen {
    std::mt19937 rng;
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    // A different integer in lo..hi.
    int Other(int old, int lo, int hi)
    {
        int v = old;
        while (v == old) v = Int(lo, hi);
        return v;
    }
    float Tenths(double lo, double hi) { return TenthsToFloat(Int(int(lo * 10), int(hi * 10))); }
    float OtherTenths(float old, double lo, double hi)
    {
        float v = old;
        while (std::lround(v * 10) == std::lround(old * 10)) v = Tenths(lo, hi);
        return v;
    }
};

const NumericFamilyRow& Row(const FieldKey& key) { return *FindNumericField(key)->row; }

// Colour fields with their keys (the ranges differ).
struct ColourField {
    float InputChannelRecord::*field;
    FieldKey key;
    const char* keyword;
};
const ColourField kColours[] = {
    {&InputChannelRecord::ContrastC, WallKey(Field::OverallContrast), "ICNTTN"},
    {&InputChannelRecord::BrightnessC, WallKey(Field::OverallBrightness), "IBRTTN"},
    {&InputChannelRecord::ContrastR, {Field::ColourContrast, 1}, "ICNTTN"},
    {&InputChannelRecord::BrightnessB, {Field::ColourBrightness, 3}, "IBRTTN"},
};

// A file for a wall of n projectors: every value the send carries within what its field
// accepts, everything else (flags, the second unit's wall-wide values) as a file may hold it.
Settings GenerateFile(Gen& g, int n)
{
    Settings s;
    for (int w = 1; w <= 8; ++w) {
        const UnitIndex at = WallToUnit(w);
        InputChannelRecord& in = s.input(at.unit, at.index);
        in.VideoLoaded = 1;
        in.VideoLocked = g.Int(0, 3) == 0 ? 0 : 1;
        in.HTotal = 1688, in.HActive = 1280, in.VActive = 1024;
        in.HPositionNominal = 200 + w, in.HPositionLimit = g.Int(0, 1) ? -1 : 400;
        in.VPositionNominal = 20 + w, in.VPositionLimit = g.Int(0, 1) ? -1 : 41;
        const PositionWindow win = PositionWindowOf(in);
        in.HPosition = g.Int(win.HPositionMin, win.HPositionMax);
        in.VPosition = g.Int(win.VPositionMin, win.VPositionMax);
        in.Phase = g.Int(-16, 15);
        for (float InputChannelRecord::*f : {&InputChannelRecord::ContrastC, &InputChannelRecord::BrightnessC})
            in.*f = g.Tenths(75, 125);
        for (float InputChannelRecord::*f : {&InputChannelRecord::ContrastR, &InputChannelRecord::BrightnessR,
                                             &InputChannelRecord::ContrastG, &InputChannelRecord::BrightnessG,
                                             &InputChannelRecord::ContrastB, &InputChannelRecord::BrightnessB})
            in.*f = g.Tenths(-25, 25);

        OutputScreenRecord& o = s.output(at.unit, at.index);
        o.OutputFormat = uint8_t(g.Int(0, 3));
        o.ScreenGroup = uint8_t(g.Int(0, 1));
        o.TotalProjectors = uint8_t(g.Int(1, 8));
        o.Alignment = uint8_t(g.Int(0, 1));
        o.DataDoubling = uint8_t(g.Int(0, 3));
        o.ControlMode = uint8_t(g.Int(0, 3));
        o.BasicFeather = int16_t(g.Int(0, 3));
        o.BasicGamma = g.Tenths(1, 5);
        o.TestPattern = uint8_t(g.Int(0, 10));
        o.OutputRaster = uint8_t(g.Int(0, 3));
        o.TestGrid = uint8_t(g.Int(0, 3));
        o.BlackLevel = uint8_t(g.Int(0, 255));
        o.LeftHaloWidth = g.Int(0, 64), o.LeftHaloOffset = g.Int(0, 255);
        o.RightHaloWidth = g.Int(0, 64), o.RightHaloOffset = g.Int(0, 255);
        o.LeftFeather = int16_t(g.Int(0, 3)), o.RightFeather = int16_t(g.Int(0, 3));
        o.LeftGamma = g.Tenths(1, 5), o.RightGamma = g.Tenths(1, 5);
        o.SeamParam = g.Int(-8, 8);
        for (uint8_t& gain : o.SeamGain) gain = uint8_t(g.Int(0, 255));
        o.SeamBridge = uint8_t(g.Int(0, 3));
    }
    s.output(1, 1).TotalProjectors = uint8_t(n);
    s.output(1, 1).OverlapWidth = g.Int(64, OverlapWidthMaxOfRecords(s));
    s.output(2, 1).OverlapWidth = g.Int(64, 2000);  // unit 2's own record: the send takes unit 1's
    s.FileLoadedAvailable = true;
    return s;
}

// One change of the file and the commands that carry it (none for values the send does not
// take from where they were changed).
struct Change {
    std::function<void(Settings&)> apply;
    Sent commands;
};

std::vector<Change> PossibleChanges(Gen& g, const Settings& f, int n, int units)
{
    std::vector<Change> out;
    const int screens = units > 1 ? 8 : 4;
    const int w = g.Int(1, screens);
    const UnitIndex at = WallToUnit(w);
    const QString sw = QString::number(w);
    auto all = [&](const char* what) {
        Sent s;
        for (int u = 1; u <= units; ++u) s.insert({u, QLatin1String(what)});
        return s;
    };
    const OutputScreenRecord& o = f.output(at.unit, at.index);
    const int black = g.Other(o.BlackLevel, 0, 255);
    out.push_back({[=](Settings& s) { s.output(at.unit, at.index).BlackLevel = uint8_t(black); },
                   {{at.unit, "BLKGN screen " + sw}}});
    out.push_back({[=](Settings& s) { s.output(at.unit, at.index).TestGrid = o.TestGrid ? 0 : 2; },
                   {{at.unit, "OTPMTN screen " + sw}}});
    if (w != 8) {  // screen 8 has only its left edge
        const int width = g.Other(o.RightHaloWidth, 0, 64);
        out.push_back({[=](Settings& s) { s.output(at.unit, at.index).RightHaloWidth = width; },
                       {{at.unit, "HALO R screen " + sw}}});
    }
    const float gamma = g.OtherTenths(f.output(1, 1).BasicGamma, 1, 5);
    out.push_back({[=](Settings& s) { s.output(1, 1).BasicGamma = gamma; }, all("EFTB")});
    out.push_back({[=](Settings& s) { s.output(1, 1).DataDoubling = f.output(1, 1).DataDoubling ? 0 : 3; }, all("DDBL")});
    const int overlap = g.Other(f.output(1, 1).OverlapWidth, 64, OverlapWidthMaxOfRecords(f));
    out.push_back({[=](Settings& s) { s.output(1, 1).OverlapWidth = overlap; }, all("DISP")});
    // Unit 2's own wall-wide values are not what the send carries.
    out.push_back({[](Settings& s) { s.output(2, 1).DataDoubling = s.output(2, 1).DataDoubling ? 0 : 1; }, {}});

    const int ch = g.Int(1, 8);
    const UnitIndex c = WallToUnit(ch);
    const bool visited = ch <= n && (ch <= 4 || units > 1) && f.IsChannelLocked(c.unit, c.index);
    const QString sc = QString::number(ch);
    auto carried = [&](const QString& what) { return visited ? Sent{{c.unit, what}} : Sent{}; };
    const int phase = g.Other(f.input(c.unit, c.index).Phase, -16, 15);
    out.push_back({[=](Settings& s) { s.input(c.unit, c.index).Phase = phase; }, carried("ICPHOTN channel " + sc)});
    const ColourField& col = kColours[g.Int(0, 3)];
    const NumericFamilyRow& row = Row(col.key);
    const float colour = g.OtherTenths(f.input(c.unit, c.index).*col.field, row.lo, row.hi);
    out.push_back({[=](Settings& s) { s.input(c.unit, c.index).*col.field = colour; },
                   carried(QLatin1String(col.keyword) + " channel " + sc)});
    const int gi = g.Int(0, 7);
    const int gain = g.Other(f.output(c.unit, c.index).SeamGain[gi], 0, 255);
    out.push_back({[=](Settings& s) { s.output(c.unit, c.index).SeamGain[gi] = uint8_t(gain); },
                   carried("MANSEAM channel " + sc)});
    out.push_back({[=](Settings& s) { s.output(c.unit, c.index).SeamBridge = f.output(c.unit, c.index).SeamBridge ? 0 : 1; },
                   carried("BRDGSEAM channel " + sc)});
    return out;
}

class CarriedValuesTest : public LinkFixture {
protected:
    struct Outcome {
        BulkOutcome outcome;
        Sent sent;
        int count = 0;
    };
    Outcome Send(const Settings& file, int units, const Settings* changedFrom)
    {
        settings = file;
        flags.UnitCount = units;
        RecordValues values(settings, commands, link);
        BulkSend send(commands, link, settings, values);
        send.OnlyChangedFrom = changedFrom;
        Outcome o;
        testing::BulkWatch watch;
        watch.progress = [&o](const BulkProgress& p) { o.sent.insert({p.unit, p.what}); };
        o.outcome = send.Run(watch);
        o.count = send.CommandsSent();
        return o;
    }
    Settings ReadBack(int units)
    {
        Settings read;
        EXPECT_TRUE(ReadAllUnits(link, read));
        flags.UnitCount = units;
        return read;
    }
    std::vector<CarriedDifference> Compare(const Settings& file, const Settings& read, int units)
    {
        Settings planned = file;
        flags.UnitCount = units;
        CommandSet cmds(link, planned, ReadBackView::none());
        RecordValues values(planned, cmds, link);
        BulkSend send(cmds, link, planned, values);
        std::vector<CarriedDifference> out;
        EXPECT_TRUE(send.Differences(read, out));
        return out;
    }
    static std::string Describe(const std::vector<CarriedDifference>& diffs)
    {
        std::string s;
        for (const CarriedDifference& d : diffs)
            s += d.command.toStdString() + " " + std::string(d.field->name) + " file " + d.file.Text().toStdString() +
                 " units " + d.units.Text().toStdString() + "\n";
        return s;
    }
};

TEST_F(CarriedValuesTest, AfterASendNothingDiffersAndOnlyChangesAreSent)
{
    int cases = 0;
    // Through a controller every wall of 1..8 projectors four times; one unit cabled directly
    // for walls of 1..4, twice each.
    constexpr int kCases = 40;
    for (int seed = 1; seed <= kCases; ++seed) {
        const PortMode mode = seed % 5 == 0 ? PortMode::Direct : PortMode::Controller;
        const int n = mode == PortMode::Direct ? 1 + seed % 4 : 1 + seed % 8;
        const int units = n > 4 ? 2 : 1;
        SCOPED_TRACE(::testing::Message() << "seed " << seed << " N=" << n << " units=" << units);
        Gen g{std::mt19937(unsigned(seed))};
        const Settings file = GenerateFile(g, n);
        auto unit = StartSim(mode, {3, 7});
        // The units carry a source whose sampling windows are the file's.
        for (int u = 1; u <= unit->unitCount(); ++u)
            for (int i = 1; i <= 4; ++i) {
                InputChannelRecord& in = unit->unit(u).input(i);
                const InputChannelRecord& f = file.input(u, i);
                in.HTotal = f.HTotal, in.HActive = f.HActive;
                in.HPositionNominal = f.HPositionNominal, in.HPositionLimit = f.HPositionLimit;
                in.VPositionNominal = f.VPositionNominal, in.VPositionLimit = f.VPositionLimit;
            }
        link.setUnitIds({{3, 7}});
        Connect(*unit);
        unit->setThinkMs(0);
        clock::setScale(0.02);

        const Outcome full = Send(file, units, nullptr);
        ASSERT_EQ(full.outcome, BulkOutcome::Done) << op.messages().join('\n').toStdString();
        Settings read = ReadBack(units);
        const auto after = Compare(file, read, units);
        EXPECT_TRUE(after.empty()) << Describe(after);

        unit->log().clear();
        const Outcome none = Send(file, units, &read);
        EXPECT_EQ(none.outcome, BulkOutcome::Done);
        EXPECT_EQ(none.count, 0) << none.sent.size();
        EXPECT_TRUE(unit->received().isEmpty());

        // k changes of the file: exactly the commands that carry them go out.
        std::vector<Change> changes = PossibleChanges(g, file, n, units);
        std::shuffle(changes.begin(), changes.end(), g.rng);
        const int k = g.Int(1, 4);
        Settings changed = file;
        Sent expected;
        for (int c = 0; c < k; ++c) {
            changes[c].apply(changed);
            expected.insert(changes[c].commands.begin(), changes[c].commands.end());
        }
        EXPECT_EQ(Compare(changed, read, units).empty(), expected.empty());
        const Outcome some = Send(changed, units, &read);
        EXPECT_EQ(some.outcome, BulkOutcome::Done);
        EXPECT_EQ(some.sent, expected);
        EXPECT_EQ(some.count, int(expected.size()));
        read = ReadBack(units);
        const auto again = Compare(changed, read, units);
        EXPECT_TRUE(again.empty()) << Describe(again);
        op.clear();
        ++cases;
    }
    EXPECT_EQ(cases, kCases);
}

}  // namespace
}  // namespace kalvora
