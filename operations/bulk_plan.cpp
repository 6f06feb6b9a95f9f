#include "operations/bulk_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "link/commands.h"
#include "link/link.h"
#include "link/queries.h"
#include "operations/field_commit.h"
#include "operations/position_window.h"
#include "planning/plan_state.h"
#include "settings/main_flags.h"
#include "settings/number_format.h"
#include "settings/numeric_field_table.h"

namespace kalvora {
namespace {

const FieldDesc* Field(bool input, std::string_view name)
{
    if (input) {
        for (const FieldDesc& f : kInputFields)
            if (f.name == name) return &f;
    } else {
        for (const FieldDesc& f : kOutputFields)
            if (f.name == name) return &f;
    }
    return nullptr;
}

CarriedField Out(int index, std::string_view name, int element = 0) { return {false, index, Field(false, name), element}; }
CarriedField In(int index, std::string_view name) { return {true, index, Field(true, name), 0}; }

// The integer tenths a unit takes from the "%4.1f" text of v.
long long WireTenths(float v)
{
    const double shown = std::strtod(FormatTenths(v).c_str(), nullptr);
    return std::llround(shown * 10.0);
}

QString Wall(const char* what, int n) { return QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(n); }

// The field as the operator knows it, for a message naming a value that cannot be sent.
QString LabelOf(const FieldKey& key)
{
    if (const NumericField* f = FindNumericField(key)) return f->accessibleName;
    if (key.field == Field::OverlapWidth) return QStringLiteral("Overlap Width");
    if (key.field == Field::BasicGamma) return QStringLiteral("Edge Feathering Gamma");
    return {};
}

QString Range(long long lo, long long hi) { return QStringLiteral("%1 to %2").arg(lo).arg(hi); }

// A value the sequence reads itself: it must be a number and lie within what its field accepts.
void ReadInt(BulkValues& values, const FieldKey& key, int lo, int hi, Carry& out)
{
    const QString text = values.Text(key);
    double v = 0;
    if (ParseFieldValue(ValueType::Integer, text, v) && v >= lo && v <= hi) out.AddInt(std::llround(v));
    else out.AddBad(text, LabelOf(key), Range(lo, hi));
}
// A field of the numeric field table, within its fixed range.
void ReadInt(BulkValues& values, const FieldKey& key, Carry& out)
{
    const NumericField* f = FindNumericField(key);
    if (f) ReadInt(values, key, int(f->row->lo), int(f->row->hi), out);
    else out.AddBad(values.Text(key), LabelOf(key));
}
// A gamma: the edge gammas' rule, which the basic gamma shares.
void ReadGamma(BulkValues& values, const FieldKey& key, Carry& out)
{
    const NumericFamilyRow& row = FamilyRow(Field::EdgeGamma);
    const QString text = values.Text(key);
    double v = 0;
    if (ParseFieldInRange(row, text, v)) out.AddTenths(static_cast<float>(v));
    else out.AddBad(text, LabelOf(key), FieldRangeText(row));
}
// A field's own commit check, as the send's commit will run it.
void ReadChecked(BulkValues& values, const FieldKey& key, Carry& out, bool integer)
{
    const QString text = values.Text(key);
    double value = 0;
    if (!CommitCheckedValue(key, text, value)) {
        const NumericField* f = FindNumericField(key);
        out.AddBad(text, LabelOf(key), f ? QString::fromLatin1(f->row->rangeText).remove('(').remove(')') : QString());
    } else if (integer) {
        out.AddInt(std::llround(value));
    } else {
        out.AddTenths(static_cast<float>(value));
    }
}
void ReadFlag(BulkValues& values, const FieldKey& key, Carry& out) { out.AddInt(values.Checked(key) ? 1 : 0); }

// The output fields that steps after TNCTRL send, put back after the unit's re-read replaced
// them: the re-read reports what the unit held before this send reached those fields.
void RestorePending(OutputScreenRecord& r, const OutputScreenRecord& kept, bool screenSettings)
{
    if (screenSettings) {
        r.TestPattern = kept.TestPattern;
        r.OutputRaster = kept.OutputRaster;
        r.TestGrid = kept.TestGrid;
        r.BlackLevel = kept.BlackLevel;
        r.LeftHaloWidth = kept.LeftHaloWidth;
        r.LeftHaloOffset = kept.LeftHaloOffset;
        r.RightHaloWidth = kept.RightHaloWidth;
        r.RightHaloOffset = kept.RightHaloOffset;
        r.LeftGamma = kept.LeftGamma;
        r.LeftFeather = kept.LeftFeather;
        r.RightGamma = kept.RightGamma;
        r.RightFeather = kept.RightFeather;
    }
    r.SeamParam = kept.SeamParam;
    std::memcpy(r.SeamGain, kept.SeamGain, sizeof r.SeamGain);
    r.SeamBridge = kept.SeamBridge;
}

constexpr int kLastTestPattern = 10;  // "Horizontal Ramp"

}  // namespace

QString WireValue::Text() const
{
    if (!ok) return shown;
    return tenths ? FormatFieldValue(ValueType::Tenths, double(number) / 10.0)
                  : FormatFieldValue(ValueType::Integer, double(number));
}

bool Carry::Ok() const
{
    return std::all_of(values.begin(), values.end(), [](const WireValue& v) { return v.ok; });
}

void Carry::AddTenths(float v) { values.push_back({true, WireTenths(v), true, v, {}, {}, {}}); }

WireValue HeldValue(const Settings& units, int unit, const CarriedField& f)
{
    const std::span<const uint8_t> bytes =
        f.input ? RecordBytes(units.input(unit, f.index)) : RecordBytes(units.output(unit, f.index));
    const double v = ReadFieldValue(bytes, *f.field, f.element);
    if (f.field->kind != FieldKind::Tenths) return {true, static_cast<long long>(v), false, 0, {}, {}, {}};
    // The unit reports whole tenths; a float from elsewhere is taken as its wire text would be.
    if (!std::isfinite(v)) return {false, 0, true, 0, FormatFloat(static_cast<float>(v)), {}, {}};
    Carry c;
    c.AddTenths(static_cast<float>(v));
    return c.values.front();
}

BulkPlan::BulkPlan(CommandSet& commands, Link& link, Settings& settings, BulkValues& values)
    : commands_(commands), link_(link), settings_(settings), values_(values)
{
}

// Adds the steps, one function per kind of command.
struct BulkPlan::Builder {
    BulkPlan& p;
    // The channel's input record as the unit reported it in this connection; asked now when
    // not yet known. nullptr when the unit did not answer.
    const InputChannelRecord* ReportedInput(int u, int i) const
    {
        if (!p.link_.reportedInput(u, i)) {
            Settings scratch;
            if (!QueryInput(p.link_, scratch, u, i)) return nullptr;
        }
        const auto& known = p.link_.reportedInput(u, i);
        return known ? &*known : nullptr;
    }
    // A builder's result: false when the link gave up; a link lost meanwhile also ends the send,
    // since every later builder would store its values without sending them.
    StepResult Sent(bool ok) const { return ok && p.link_.linkUp() ? StepResult::Ok : StepResult::Failed; }
    CommandSet& cmd() const { return p.commands_; }

    Step& Command(int unit, const QString& what, std::vector<CarriedField> fields,
                  std::function<void(BulkValues&, Carry&)> carry, std::function<StepResult(const Carry&)> send)
    {
        Step s;
        s.unit = unit;
        s.what = what;
        s.fields = std::move(fields);
        s.carry = std::move(carry);
        s.send = std::move(send);
        p.steps.push_back(std::move(s));
        return p.steps.back();
    }
    void Select(ChannelPage page, int channel)
    {
        Step s;
        s.kind = StepKind::SelectChannel;
        s.page = page;
        s.channel = channel;
        p.steps.push_back(std::move(s));
    }

    void ProjectorCount(int u, int n)
    {
        Command(u, QStringLiteral("PRJ"), {Out(1, "ScreenGroup"), Out(1, "TotalProjectors")},
                [u, n](BulkValues&, Carry& c) {
                    c.AddInt(u - 1);
                    c.AddInt(n);
                },
                [this, u](const Carry& c) { return Sent(cmd().SendProjectorCount(u, c.Int(1))); });
    }

    void Layout(int u)
    {
        Command(u, QStringLiteral("DISP"), {Out(1, "Alignment"), Out(1, "OverlapWidth")},
                [](BulkValues& v, Carry& c) {
                    const int align = v.ListIndex(WallKey(Field::Alignment));
                    if (align == 0 || align == 1) c.AddInt(align);
                    else c.AddBad(QStringLiteral("none"), QStringLiteral("Image Alignment"), QStringLiteral("an item of its list"));
                    ReadInt(v, WallKey(Field::OverlapWidth), kMinOverlap, v.OverlapWidthMax(), c);
                },
                [this, u](const Carry& c) { return Sent(cmd().SendDisplayLayout(u, c.Int(0), c.Int(1))); });
    }

    void SourceChannel(int k)
    {
        const UnitIndex at = WallToUnit(k + 1);
        const int u = at.unit, i = at.index;
        Select(ChannelPage::Source, k);
        if (!p.settings_.IsChannelLocked(u, i)) return;
        const QString ch = Wall("channel", k + 1);
        Settings& s = p.settings_;
        for (const bool horizontal : {true, false}) {
            Step& st = Command(
                u, QLatin1String(horizontal ? "IRSPTN H " : "IRSPTN V ") + ch, {In(i, horizontal ? "HPosition" : "VPosition")},
                [&s, u, i, horizontal](BulkValues& v, Carry& c) {
                    const PositionWindow w = PositionWindowOf(s.input(u, i));
                    if (horizontal) ReadInt(v, WallKey(Field::HPosition), w.HPositionMin, w.HPositionMax, c);
                    else ReadInt(v, WallKey(Field::VPosition), w.VPositionMin, w.VPositionMax, c);
                },
                [this, u, i, horizontal](const Carry& c) {
                    return Sent(horizontal ? cmd().SendInputHPosition(u, i, c.Int(0))
                                           : cmd().SendInputVPosition(u, i, c.Int(0)));
                });
            // Checked before the send's first command, against the window asked for then.
            st.positionCheck = true;
            st.horizontal = horizontal;
            st.index = i;
        }
        Command(u, QStringLiteral("ICPHOTN ") + ch, {In(i, "Phase")},
                [](BulkValues& v, Carry& c) { ReadInt(v, WallKey(Field::Phase), c); },
                [this, u, i](const Carry& c) { return Sent(cmd().SendInputPhase(u, i, c.Int(0))); });
        struct Colour {
            FieldKey key;
            const char* keyword;
            const char* field;
        };
        static const Colour kColours[] = {
            {WallKey(Field::OverallContrast), "ICNTTN", "ContrastC"},
            {WallKey(Field::OverallBrightness), "IBRTTN", "BrightnessC"},
            {{Field::ColourContrast, 1}, "ICNTTN", "ContrastR"},
            {{Field::ColourBrightness, 1}, "IBRTTN", "BrightnessR"},
            {{Field::ColourContrast, 2}, "ICNTTN", "ContrastG"},
            {{Field::ColourBrightness, 2}, "IBRTTN", "BrightnessG"},
            {{Field::ColourContrast, 3}, "ICNTTN", "ContrastB"},
            {{Field::ColourBrightness, 3}, "IBRTTN", "BrightnessB"},
        };
        for (const Colour& col : kColours) {
            const FieldKey key = col.key;
            Step& st = Command(u, QLatin1String(col.keyword) + QLatin1Char(' ') + ch, {In(i, col.field)},
                               [key](BulkValues& v, Carry& c) { ReadChecked(v, key, c, false); },
                               [this, key](const Carry&) { return Commit(key); });
            st.commitChecked = true;
        }
    }

    // The window the unit itself reports for the channel: a file made with another source
    // connected may hold a wider one.
    StepResult WithinReportedWindow(int u, int i, bool horizontal, const Carry& c, WireValue& bad) const
    {
        const InputChannelRecord* reported = ReportedInput(u, i);
        if (!reported) return StepResult::Failed;
        const PositionWindow w = PositionWindowOf(*reported);
        const int v = c.Int(0);
        if (horizontal ? w.HContains(v) : w.VContains(v)) return StepResult::Ok;
        bad = c.values.at(0);
        bad.ok = false;
        bad.shown = QString::number(v);
        bad.label = QLatin1String(horizontal ? "H Position" : "V Position");
        bad.accepted = horizontal ? Range(w.HPositionMin, w.HPositionMax) : Range(w.VPositionMin, w.VPositionMax);
        bad.accepted += QStringLiteral(", the window the unit reports for the source connected now");
        return StepResult::Invalid;
    }

    StepResult Commit(const FieldKey& key) const
    {
        switch (p.values_.Commit(key)) {
        case CommitOutcome::Sent: return Sent(true);
        // The field told the operator why; the send goes on without this command.
        case CommitOutcome::Refused: return p.link_.linkUp() ? StepResult::Skipped : StepResult::Failed;
        case CommitOutcome::Invalid: return StepResult::Invalid;
        case CommitOutcome::Failed: return StepResult::Failed;
        }
        return StepResult::Failed;
    }

    void ScreenOutputs(std::initializer_list<int> screens, std::initializer_list<int> leftHalo,
                       std::initializer_list<int> rightHalo, std::initializer_list<int> rightFeather,
                       std::initializer_list<int> leftFeather)
    {
        for (int n : screens) TestPattern(n);
        for (int n : screens) BlackLevel(n);
        for (int n : leftHalo) Halo(n, 0);
        for (int n : rightHalo) Halo(n, 1);
        for (int n : rightFeather) EdgeFeather(n, 1);
        for (int n : leftFeather) EdgeFeather(n, 0);
    }

    void TestPattern(int n)
    {
        const UnitIndex at = WallToUnit(n);
        Command(at.unit, Wall("OTPMTN screen", n),
                {Out(at.index, "TestPattern"), Out(at.index, "OutputRaster"), Out(at.index, "TestGrid")},
                [n](BulkValues& v, Carry& c) {
                    const int pattern = v.ListIndex(ScreenKey(Field::TestPattern, n));
                    if (pattern >= 0 && pattern <= kLastTestPattern) c.AddInt(pattern);
                    else c.AddBad(QStringLiteral("none"), QStringLiteral("Screen %1 Test Pattern").arg(n),
                                  QStringLiteral("an item of its list"));
                    ReadFlag(v, ScreenKey(Field::OutputRaster, n), c);
                    ReadFlag(v, ScreenKey(Field::TestGrid, n), c);
                },
                [this, at](const Carry& c) {
                    return Sent(cmd().SendTestPattern(at.unit, at.index, c.Int(0), c.Int(1), c.Int(2)));
                });
    }

    void BlackLevel(int n)
    {
        const UnitIndex at = WallToUnit(n);
        Command(at.unit, Wall("BLKGN screen", n), {Out(at.index, "BlackLevel")},
                [n](BulkValues& v, Carry& c) { ReadInt(v, ScreenKey(Field::BlackLevel, n), c); },
                [this, at](const Carry& c) { return Sent(cmd().SendBlackLevel(at.unit, at.index, c.Int(0))); });
    }

    void Halo(int n, int side)
    {
        const UnitIndex at = WallToUnit(n);
        const bool left = side == 0;
        Command(at.unit, QStringLiteral("HALO %1 screen %2").arg(SideLetter(side)).arg(n),
                {Out(at.index, left ? "LeftHaloWidth" : "RightHaloWidth"),
                 Out(at.index, left ? "LeftHaloOffset" : "RightHaloOffset")},
                [n, side](BulkValues& v, Carry& c) {
                    ReadInt(v, EdgeKey(Field::HaloWidth, n, side), c);
                    ReadInt(v, EdgeKey(Field::HaloOffset, n, side), c);
                },
                [this, at, side](const Carry& c) {
                    return Sent(cmd().SendHalo(at.unit, at.index, side, c.Int(0), c.Int(1)));
                });
    }

    // The per-edge sender of the advanced feathering: the edge's enable box and gamma, to the
    // screen's own unit only.
    void EdgeFeather(int n, int side)
    {
        const UnitIndex at = WallToUnit(n);
        const bool left = side == 0;
        Command(at.unit, QStringLiteral("EFTA %1 screen %2").arg(SideLetter(side)).arg(n),
                {Out(at.index, left ? "LeftFeather" : "RightFeather"), Out(at.index, left ? "LeftGamma" : "RightGamma")},
                [n, side](BulkValues& v, Carry& c) {
                    ReadFlag(v, EdgeKey(Field::EdgeFeathering, n, side), c);
                    ReadGamma(v, EdgeKey(Field::EdgeGamma, n, side), c);
                },
                [this, at, side](const Carry& c) {
                    return Sent(cmd().SendEdgeFeather(at.unit, at.index, side, int16_t(c.Int(0)), c.Single(1)));
                });
    }

    void DataDoubling(int u)
    {
        Command(u, QStringLiteral("DDBL"), {Out(1, "DataDoubling")},
                [](BulkValues& v, Carry& c) { ReadFlag(v, WallKey(Field::DataDoubling), c); },
                [this, u](const Carry& c) { return Sent(cmd().SendDataDoubling(u, c.Int(0))); });
    }

    void BasicFeather(int u)
    {
        Command(u, QStringLiteral("EFTB"), {Out(1, "BasicFeather"), Out(1, "BasicGamma")},
                [](BulkValues& v, Carry& c) {
                    ReadFlag(v, WallKey(Field::BasicFeathering), c);
                    ReadGamma(v, WallKey(Field::BasicGamma), c);
                },
                [this, u](const Carry& c) { return Sent(cmd().SendBasicFeather(u, int16_t(c.Int(0)), c.Single(1))); });
    }

    void ControlMode(int u, int units)
    {
        Command(u, QStringLiteral("TNCTRL"), {Out(1, "ControlMode")},
                [](BulkValues& v, Carry& c) { ReadFlag(v, WallKey(Field::AdvancedMode), c); },
                [this, u, units](const Carry& c) {
                    const StepResult r = Sent(cmd().SendControlMode(u, c.Int(0)));
                    // Unit 1's screens were sent before: their re-read values stand. What is still
                    // to be sent comes back from before the re-read.
                    for (int i = 1; i <= 4; ++i)
                        RestorePending(p.settings_.output(u, i), p.kept_[u][i], u == 2 && units > 1);
                    p.values_.RefillDisplayPage();
                    return r;
                });
    }

    void SeamChannel(int k)
    {
        const UnitIndex at = WallToUnit(k + 1);
        const int u = at.unit, i = at.index;
        Select(ChannelPage::Seam, k);
        if (!p.settings_.IsChannelLocked(u, i)) return;
        std::vector<CarriedField> fields{Out(i, "SeamParam")};
        for (int g = 0; g < 8; ++g) fields.push_back(Out(i, "SeamGain", g));
        for (int g = 1; g <= 8; ++g) {
            const FieldKey key = ScreenKey(Field::SeamGain, g);
            // Each gain's commit sends all eight gains.
            Step& st = Command(u, Wall("MANSEAM channel", k + 1), fields,
                               [](BulkValues& v, Carry& c) {
                                   c.AddInt(kSeamParam);
                                   for (int e = 1; e <= 8; ++e)
                                       ReadChecked(v, ScreenKey(Field::SeamGain, e), c, true);
                               },
                               [this, key](const Carry&) { return Commit(key); });
            st.commitChecked = true;
            st.repeat = g > 1;
        }
        Command(u, Wall("BRDGSEAM channel", k + 1), {Out(i, "SeamBridge")},
                [](BulkValues& v, Carry& c) { ReadFlag(v, WallKey(Field::SeamBridge), c); },
                [this, u, i](const Carry& c) { return Sent(cmd().SendSeamBridge(u, i, c.Int(0))); });
    }
};

BulkPlan::~BulkPlan() = default;

void BulkPlan::Build(int n, int unitCount)
{
    builder_ = std::make_unique<Builder>(Builder{*this});
    Builder& b = *builder_;
    const int units = unitCount > 1 ? 2 : 1;
    for (int u = 1; u <= units; ++u) b.ProjectorCount(u, n);
    for (int u = 1; u <= units; ++u) b.Layout(u);
    for (int k = 0; k < n && k <= 3; ++k) b.SourceChannel(k);
    if (units > 1)
        for (int k = 0; k < n - 4; ++k) b.SourceChannel(4 + k);
    b.ScreenOutputs({1, 2, 3, 4}, {2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}, {2, 3, 4});
    for (int u = 1; u <= units; ++u) b.DataDoubling(u);
    for (int u = 1; u <= units; ++u) b.BasicFeather(u);
    Step keep;
    keep.kind = StepKind::KeepRecords;
    steps.push_back(std::move(keep));
    units_ = units;
    for (int u = 1; u <= units; ++u) b.ControlMode(u, units);
    if (units > 1) b.ScreenOutputs({5, 6, 7, 8}, {5, 6, 7, 8}, {5, 6, 7}, {5, 6, 7}, {5, 6, 7, 8});
    for (int k = 0; k < n && k <= 3; ++k) b.SeamChannel(k);
    if (units > 1)
        for (int k = 0; k < n - 4; ++k) b.SeamChannel(4 + k);
}

StepResult BulkPlan::Run(const Step& step)
{
    Carry carried;
    switch (step.kind) {
    case StepKind::SelectChannel: values_.SelectChannel(step.page, step.channel); return StepResult::Ok;
    case StepKind::KeepRecords:
        // Kept before TNCTRL re-reads each unit's screens; see RestorePending.
        for (int u = 1; u <= units_; ++u)
            for (int i = 1; i <= 4; ++i) kept_[u][i] = settings_.output(u, i);
        return StepResult::Ok;
    case StepKind::Command: break;
    }
    if (!step.commitChecked) {
        step.carry(values_, carried);
        if (!carried.Ok()) return StepResult::Invalid;
    }
    return step.send(carried);
}

StepResult BulkPlan::CheckAll(const std::vector<bool>& include, const Step*& at, WireValue& bad)
{
    for (size_t k = 0; k < steps.size(); ++k) {
        const Step& step = steps[k];
        if (step.kind == StepKind::SelectChannel) values_.SelectChannel(step.page, step.channel);
        if (step.kind != StepKind::Command) continue;
        if (!include.at(k)) continue;
        at = &step;
        Carry c;
        step.carry(values_, c);
        for (const WireValue& v : c.values) {
            // A colour the field refuses is left out by the send, which goes on; any other value
            // would stop it, and a seam gain's commit sends all eight gains.
            if (v.ok || (step.commitChecked && c.values.size() == 1)) continue;
            bad = v;
            return StepResult::Invalid;
        }
        if (step.positionCheck) {
            const StepResult r = builder_->WithinReportedWindow(step.unit, step.index, step.horizontal, c, bad);
            if (r != StepResult::Ok) return r;
        }
    }
    at = nullptr;
    return StepResult::Ok;
}

void EvaluatePlan(const BulkPlan& plan, BulkValues& values, const std::function<void(const Step&, const Carry&)>& visit)
{
    for (const Step& step : plan.steps) {
        if (step.kind == StepKind::SelectChannel) values.SelectChannel(step.page, step.channel);
        if (step.kind != StepKind::Command) continue;
        Carry c;
        step.carry(values, c);
        visit(step, c);
    }
}

}  // namespace kalvora
