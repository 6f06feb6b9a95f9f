#include "operations/bulk_send.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "settings/edge_control_names.h"
#include "settings/numeric_field_table.h"
#include "link/commands.h"
#include "link/connection.h"
#include "link/link.h"
#include "settings/number_format.h"
#include "platform/operator.h"
#include "operations/bulk_values.h"
#include "settings/main_flags.h"
#include "operations/position_window.h"
#include "settings/records.h"

namespace kalvora {

QString BulkStepText(const BulkProgress& p)
{
    return QStringLiteral("command %1 of %2, unit %3: %4").arg(p.k).arg(p.n).arg(p.unit).arg(p.what);
}

namespace {

enum class StepResult { Ok, Skipped, Invalid, Failed };

struct Step {
    int unit = 0;  // 0: not a command (a channel selection, a refill)
    QString what;
    std::function<StepResult()> run;
    // True when the command's values differ between the records and what the units hold.
    std::function<bool(const Settings& units)> differs;
};

// A value the sequence reads itself: it must be a number and lie within what its field accepts.
struct Reader {
    BulkValues& values;
    bool Int(const QString& name, int lo, int hi, int& out) const
    {
        int v = 0;
        if (!ParseInteger(values.Text(name), v) || v < lo || v > hi) return false;
        out = v;
        return true;
    }
    // A field of the numeric field table, within its fixed range.
    bool Int(const QString& name, int& out) const
    {
        const NumericField* f = FindNumericField(name);
        return f && Int(name, int(f->row->lo), int(f->row->hi), out);
    }
    // A gamma: the edge gammas' range, which the basic gamma shares.
    bool Gamma(const QString& name, float& out) const
    {
        const NumericFamilyRow& row = FamilyRow(FieldFamily::Gamma);
        double v = 0;
        if (!ParseDecimal(values.Text(name), v) || v < row.lo || v > row.hi) return false;
        out = static_cast<float>(v);
        return true;
    }
};

// The edge controls of screen n (1..8) on side 0 (left) or 1 (right).
EdgeNames EdgeOf(int n, int side)
{
    if (n == 1 || n == 8) return EndEdgeNames(n);
    return side == 0 ? LeftEdgeNames(n) : RightEdgeNames(n);
}

QString Wall(const char* what, int n) { return QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(n); }

bool SameFloat(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

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

class Plan {
public:
    Plan(CommandSet& c, Link& l, Settings& s, BulkValues& v) : commands(c), link(l), settings(s), values(v), read{v} {}

    std::vector<Step> steps;

    void Build(int n, int unitCount)
    {
        const int units = unitCount > 1 ? 2 : 1;
        for (int u = 1; u <= units; ++u) ProjectorCount(u, n);
        for (int u = 1; u <= units; ++u) Layout(u);
        for (int k = 0; k < n && k <= 3; ++k) SourceChannel(k);
        if (units > 1)
            for (int k = 0; k < n - 4; ++k) SourceChannel(4 + k);
        ScreenOutputs({1, 2, 3, 4}, {2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}, {2, 3, 4});
        for (int u = 1; u <= units; ++u) DataDoubling(u);
        for (int u = 1; u <= units; ++u) BasicFeather(u);
        Command(0, QString(), [this, units] {
            // Kept before TNCTRL re-reads each unit's screens; see RestorePending.
            for (int u = 1; u <= units; ++u)
                for (int i = 1; i <= 4; ++i) kept[u][i] = settings.output(u, i);
            return StepResult::Ok;
        });
        for (int u = 1; u <= units; ++u) ControlMode(u, units);
        if (units > 1) ScreenOutputs({5, 6, 7, 8}, {5, 6, 7, 8}, {5, 6, 7}, {5, 6, 7}, {5, 6, 7, 8});
        for (int k = 0; k < n && k <= 3; ++k) SeamChannel(k);
        if (units > 1)
            for (int k = 0; k < n - 4; ++k) SeamChannel(4 + k);
    }

private:
    void Command(int unit, const QString& what, std::function<StepResult()> run,
                 std::function<bool(const Settings&)> differs = {})
    {
        steps.push_back({unit, what, std::move(run), std::move(differs)});
    }
    // A builder's result: false when the link gave up; a link lost meanwhile also ends the send,
    // since every later builder would store its values without sending them.
    StepResult Sent(bool ok) const { return ok && link.LinkEstablished ? StepResult::Ok : StepResult::Failed; }

    void ProjectorCount(int u, int n)
    {
        Command(u, QStringLiteral("PRJ"), [=, this] { return Sent(commands.SendProjectorCount(u, n)); },
                [=, this](const Settings& units) {
                    return settings.output(u, 1).TotalProjectors != units.output(u, 1).TotalProjectors;
                });
    }

    void Layout(int u)
    {
        Command(u, QStringLiteral("DISP"),
                [=, this] {
                    const int align = values.ListIndex(QStringLiteral("ImageAlignComboBox"));
                    int width = 0;
                    if (align < 0 || align > 1 ||
                        !read.Int(QStringLiteral("OWidthEdit"), 64, values.OverlapWidthMax(), width))
                        return StepResult::Invalid;
                    return Sent(commands.SendDisplayLayout(u, align, width));
                },
                [=, this](const Settings& units) {
                    const OutputScreenRecord &a = settings.output(u, 1), &b = units.output(u, 1);
                    return a.Alignment != b.Alignment || a.OverlapWidth != b.OverlapWidth;
                });
    }

    void SourceChannel(int k)
    {
        const UnitIndex at = WallToUnit(k + 1);
        const int u = at.unit, i = at.index;
        Command(0, QString(), [=, this] {
            values.SelectChannel(QStringLiteral("SourceScreenSelectRadioGroup"), k);
            return StepResult::Ok;
        });
        if (!settings.IsChannelLocked(u, i)) return;
        const QString ch = Wall("channel", k + 1);
        struct Position {
            const char* edit;
            const char* what;
            int32_t InputChannelRecord::*field;
            bool horizontal;
        };
        for (const Position p : {Position{"HPositionEdit", "IRSPTN H", &InputChannelRecord::HPosition, true},
                                 Position{"VPositionEdit", "IRSPTN V", &InputChannelRecord::VPosition, false}}) {
            Command(u, QLatin1String(p.what) + QLatin1Char(' ') + ch,
                    [=, this] {
                        const PositionWindow w = PositionWindowOf(settings.input(u, i));
                        int v = 0;
                        if (!read.Int(QLatin1String(p.edit), p.horizontal ? w.HPositionMin : w.VPositionMin,
                                      p.horizontal ? w.HPositionMax : w.VPositionMax, v))
                            return StepResult::Invalid;
                        return Sent(p.horizontal ? commands.SendInputHPosition(u, i, v)
                                                 : commands.SendInputVPosition(u, i, v));
                    },
                    [=, this](const Settings& units) { return settings.input(u, i).*p.field != units.input(u, i).*p.field; });
        }
        Command(u, QStringLiteral("ICPHOTN ") + ch,
                [=, this] {
                    int v = 0;
                    if (!read.Int(QStringLiteral("PhaseEdit"), v)) return StepResult::Invalid;
                    return Sent(commands.SendInputPhase(u, i, v));
                },
                [=, this](const Settings& units) { return settings.input(u, i).Phase != units.input(u, i).Phase; });
        struct Colour {
            const char* edit;
            const char* keyword;
            float InputChannelRecord::*field;
        };
        static const Colour kColours[] = {
            {"LeftOContrastEdit", "ICNTTN", &InputChannelRecord::ContrastC},
            {"LeftOBrightnessEdit", "IBRTTN", &InputChannelRecord::BrightnessC},
            {"LeftRContrastEdit", "ICNTTN", &InputChannelRecord::ContrastR},
            {"LeftRBrightnessEdit", "IBRTTN", &InputChannelRecord::BrightnessR},
            {"LeftGContrastEdit", "ICNTTN", &InputChannelRecord::ContrastG},
            {"LeftGBrightnessEdit", "IBRTTN", &InputChannelRecord::BrightnessG},
            {"LeftBContrastEdit", "ICNTTN", &InputChannelRecord::ContrastB},
            {"LeftBBrightnessEdit", "IBRTTN", &InputChannelRecord::BrightnessB},
        };
        for (const Colour& c : kColours)
            Command(u, QLatin1String(c.keyword) + QLatin1Char(' ') + ch, [=, this] { return Commit(QLatin1String(c.edit)); },
                    [=, this](const Settings& units) {
                        return !SameFloat(settings.input(u, i).*c.field, units.input(u, i).*c.field);
                    });
    }

    StepResult Commit(const QString& edit)
    {
        switch (values.Commit(edit)) {
        case CommitOutcome::Sent: return Sent(true);
        // The field told the operator why; the send goes on without this command.
        case CommitOutcome::Refused: return link.LinkEstablished ? StepResult::Skipped : StepResult::Failed;
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
        const QString d = QString::number(n);
        Command(at.unit, Wall("OTPMTN screen", n),
                [=, this] {
                    const int pattern = values.ListIndex("TestPattern" + d + "ComboBox");
                    if (pattern < 0 || pattern > kLastTestPattern) return StepResult::Invalid;
                    return Sent(commands.SendTestPattern(at.unit, at.index, pattern,
                                                         values.Checked("OutputRaster" + d + "CheckBox") ? 1 : 0,
                                                         values.Checked("TestGrid" + d + "CheckBox") ? 1 : 0));
                },
                [=, this](const Settings& units) {
                    const OutputScreenRecord &a = settings.output(at.unit, at.index), &b = units.output(at.unit, at.index);
                    return a.TestPattern != b.TestPattern || a.OutputRaster != b.OutputRaster || a.TestGrid != b.TestGrid;
                });
    }

    void BlackLevel(int n)
    {
        const UnitIndex at = WallToUnit(n);
        Command(at.unit, Wall("BLKGN screen", n),
                [=, this] {
                    int level = 0;
                    if (!read.Int(QStringLiteral("Black%1Edit").arg(n), level)) return StepResult::Invalid;
                    return Sent(commands.SendBlackLevel(at.unit, at.index, level));
                },
                [=, this](const Settings& units) {
                    return settings.output(at.unit, at.index).BlackLevel != units.output(at.unit, at.index).BlackLevel;
                });
    }

    void Halo(int n, int side)
    {
        const UnitIndex at = WallToUnit(n);
        const EdgeNames e = EdgeOf(n, side);
        Command(at.unit, QStringLiteral("HALO %1 screen %2").arg(SideLetter(side)).arg(n),
                [=, this] {
                    int width = 0, offset = 0;
                    if (!read.Int(e.width, width) || !read.Int(e.offset, offset))
                        return StepResult::Invalid;
                    return Sent(commands.SendHalo(at.unit, at.index, side, width, offset));
                },
                [=, this](const Settings& units) {
                    const OutputScreenRecord &a = settings.output(at.unit, at.index), &b = units.output(at.unit, at.index);
                    return side == 0 ? a.LeftHaloWidth != b.LeftHaloWidth || a.LeftHaloOffset != b.LeftHaloOffset
                                     : a.RightHaloWidth != b.RightHaloWidth || a.RightHaloOffset != b.RightHaloOffset;
                });
    }

    // The per-edge sender of the advanced feathering: the edge's enable box and gamma, to the
    // screen's own unit only.
    void EdgeFeather(int n, int side)
    {
        const UnitIndex at = WallToUnit(n);
        const EdgeNames e = EdgeOf(n, side);
        Command(at.unit, QStringLiteral("EFTA %1 screen %2").arg(SideLetter(side)).arg(n),
                [=, this] {
                    if (link.flags().FormFilling || !link.LinkEstablished) return Sent(true);
                    float gamma = 0;
                    if (!read.Gamma(e.gamma, gamma)) return StepResult::Invalid;
                    const int16_t on = values.Checked(e.enable) ? 1 : 0;
                    return Sent(commands.SendEdgeFeather(at.unit, at.index, side, on, gamma));
                },
                [=, this](const Settings& units) {
                    const OutputScreenRecord &a = settings.output(at.unit, at.index), &b = units.output(at.unit, at.index);
                    return side == 0 ? a.LeftFeather != b.LeftFeather || !SameFloat(a.LeftGamma, b.LeftGamma)
                                     : a.RightFeather != b.RightFeather || !SameFloat(a.RightGamma, b.RightGamma);
                });
    }

    void DataDoubling(int u)
    {
        Command(u, QStringLiteral("DDBL"),
                [=, this] {
                    return Sent(commands.SendDataDoubling(u, values.Checked(QStringLiteral("EnDataDoubleCheckBox")) ? 1 : 0));
                },
                [=, this](const Settings& units) {
                    return settings.output(u, 1).DataDoubling != units.output(u, 1).DataDoubling;
                });
    }

    void BasicFeather(int u)
    {
        Command(u, QStringLiteral("EFTB"),
                [=, this] {
                    float gamma = 0;
                    if (!read.Gamma(QStringLiteral("BasicGammaEdit"), gamma)) return StepResult::Invalid;
                    const int16_t on = values.Checked(QStringLiteral("BasicEdgeFeatheringCheckBox")) ? 1 : 0;
                    return Sent(commands.SendBasicFeather(u, on, gamma));
                },
                [=, this](const Settings& units) {
                    const OutputScreenRecord &a = settings.output(u, 1), &b = units.output(u, 1);
                    return a.BasicFeather != b.BasicFeather || !SameFloat(a.BasicGamma, b.BasicGamma);
                });
    }

    void ControlMode(int u, int units)
    {
        Command(u, QStringLiteral("TNCTRL"),
                [=, this] {
                    const int advanced = values.Checked(QStringLiteral("AdvanceModeCheckBox")) ? 1 : 0;
                    const StepResult r = Sent(commands.SendControlMode(u, advanced));
                    // Unit 1's screens were sent before: their re-read values stand. What is still
                    // to be sent comes back from before the re-read.
                    for (int i = 1; i <= 4; ++i) RestorePending(settings.output(u, i), kept[u][i], u == 2 && units > 1);
                    values.RefillDisplayPage();
                    return r;
                },
                [=, this](const Settings& other) {
                    return settings.output(u, 1).ControlMode != other.output(u, 1).ControlMode;
                });
    }

    void SeamChannel(int k)
    {
        const UnitIndex at = WallToUnit(k + 1);
        const int u = at.unit, i = at.index;
        Command(0, QString(), [=, this] {
            values.SelectChannel(QStringLiteral("SeamScreenSelectRadioGroup"), k);
            return StepResult::Ok;
        });
        if (!settings.IsChannelLocked(u, i)) return;
        for (int g = 1; g <= 8; ++g) {
            std::function<bool(const Settings&)> differs = [](const Settings&) { return false; };
            if (g == 1) {
                // Each gain's commit sends all eight: when sending only what changed, once.
                differs = [=, this](const Settings& units) {
                    return std::memcmp(settings.output(u, i).SeamGain, units.output(u, i).SeamGain, 8) != 0 ||
                           settings.output(u, i).SeamParam != units.output(u, i).SeamParam;
                };
            }
            Command(u, Wall("MANSEAM channel", k + 1), [=, this] { return Commit(QStringLiteral("SeamGain%1Edit").arg(g)); },
                    differs);
        }
        Command(u, Wall("BRDGSEAM channel", k + 1),
                [=, this] {
                    return Sent(commands.SendSeamBridge(
                        u, i, values.Checked(QStringLiteral("SeamBridgeSingleConfigCheckBox")) ? 1 : 0));
                },
                [=, this](const Settings& units) {
                    return settings.output(u, i).SeamBridge != units.output(u, i).SeamBridge;
                });
    }

    static constexpr int kLastTestPattern = 10;  // "Horizontal Ramp"

    CommandSet& commands;
    Link& link;
    Settings& settings;
    BulkValues& values;
    Reader read;
    OutputScreenRecord kept[3][5]{};
};

}  // namespace

BulkSend::BulkSend(CommandSet& commands, Link& link, Settings& settings, BulkValues& values)
    : link_(link), commands_(commands), settings_(settings), values_(values)
{
}

BulkOutcome BulkSend::Run()
{
    MainFlags& flags = link_.flags();
    if (flags.EditorBusy) return BulkOutcome::NotStarted;
    FlagGuard busy(flags.EditorBusy);
    if (flags.FormFilling || !link_.LinkEstablished) return BulkOutcome::NotStarted;
    sent_ = 0;
    skipped_.clear();
    last_ = {};

    auto invalid = [&] {
        link_.op().showMessage(kMsgInvalidBulkValue);
        return BulkOutcome::InvalidValue;
    };
    const int n = values_.ListIndex(QStringLiteral("NumOfScreenComboBox")) + 1;
    if (n < 1 || n > 8) return invalid();

    // Through a controller a wall of more than four screens needs the second unit reported; in
    // direct mode the operator has agreed to set only unit 1.
    if (n > 4 && link_.RS485CheckBox && link_.UnitsReported < 2) {
        link_.op().showMessage(kMsgMoreThanFourNeedsTwoUnits);
        return BulkOutcome::NotStarted;
    }
    Plan plan(commands_, link_, settings_, values_);
    plan.Build(n, flags.UnitCount);

    std::vector<bool> include(plan.steps.size(), true);
    if (OnlyChangedFrom) {
        for (size_t s = 0; s < plan.steps.size(); ++s)
            if (plan.steps[s].unit != 0) include[s] = plan.steps[s].differs && plan.steps[s].differs(*OnlyChangedFrom);
    }
    int total = 0;
    for (size_t s = 0; s < plan.steps.size(); ++s) total += plan.steps[s].unit != 0 && include[s];

    int k = 0;
    for (size_t s = 0; s < plan.steps.size(); ++s) {
        const Step& step = plan.steps[s];
        if (!include[s]) continue;
        if (step.unit != 0) {
            if (ShouldStop && ShouldStop()) return BulkOutcome::Stopped;
            ++k;
            last_ = {k, total, step.unit, step.what};
            if (Progress) Progress(last_);
        }
        switch (step.run()) {
        case StepResult::Ok: break;
        case StepResult::Skipped:
            skipped_ << last_;
            continue;
        case StepResult::Invalid: return invalid();
        case StepResult::Failed: return BulkOutcome::LinkFailed;
        }
        if (step.unit != 0) ++sent_;
    }
    return BulkOutcome::Done;
}

}  // namespace kalvora
