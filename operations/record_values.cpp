#include "operations/record_values.h"

#include "settings/edge_control_names.h"
#include "settings/number_format.h"
#include "operations/field_commit.h"
#include "planning/overlap_limit.h"
#include "settings/records.h"

namespace kalvora {
namespace {

const QString kNotAvailable = QStringLiteral("N/A");

QString Int(long long v) { return QString::number(v); }
// A single-precision value widened to double, as the advanced gamma edits show it.
QString G15(float v) { return FormatGeneral(static_cast<double>(v), 15); }

}  // namespace

RecordValues::RecordValues(Settings& settings, CommandSet& commands, Link& link)
    : settings_(settings), commands_(commands), link_(link)
{
    Settings& s = settings_;
    lists_.insert(QStringLiteral("NumOfScreenComboBox"), [&s] {
        const int total = s.output(1, 1).TotalProjectors;
        return total >= 1 && total <= 8 ? total - 1 : -1;
    });
    lists_.insert(QStringLiteral("ImageAlignComboBox"), [&s] {
        const int a = s.output(1, 1).Alignment;
        return a <= 1 ? a : -1;
    });
    texts_.insert(QStringLiteral("OWidthEdit"), [&s] { return Int(s.output(1, 1).OverlapWidth); });
    texts_.insert(QStringLiteral("BasicGammaEdit"), [&s] { return FormatGeneral(s.output(1, 1).BasicGamma, 3); });
    boxes_.insert(QStringLiteral("EnDataDoubleCheckBox"), [&s] { return s.output(1, 1).DataDoubling != 0; });
    boxes_.insert(QStringLiteral("BasicEdgeFeatheringCheckBox"), [&s] { return s.output(1, 1).BasicFeather != 0; });
    boxes_.insert(QStringLiteral("AdvanceModeCheckBox"), [&s] { return s.output(1, 1).ControlMode != 0; });
    for (int n = 1; n <= 8; ++n) addScreen(n);

    // The source page shows the selected channel; position and colour only while it is locked.
    auto input = [this]() -> InputChannelRecord& {
        const UnitIndex at = WallToUnit(sourceChannel());
        return settings_.input(at.unit, at.index);
    };
    auto locked = [input] { return input().VideoLocked == 1; };
    texts_.insert(QStringLiteral("HPositionEdit"), [=] { return locked() ? Int(input().HPosition) : kNotAvailable; });
    texts_.insert(QStringLiteral("VPositionEdit"), [=] { return locked() ? Int(input().VPosition) : kNotAvailable; });
    texts_.insert(QStringLiteral("PhaseEdit"), [=] { return Int(input().Phase); });
    struct Colour {
        const char* edit;
        float InputChannelRecord::*field;
        int digits;
    };
    for (const Colour c : {Colour{"LeftOContrastEdit", &InputChannelRecord::ContrastC, 5},
                           Colour{"LeftOBrightnessEdit", &InputChannelRecord::BrightnessC, 5},
                           Colour{"LeftRContrastEdit", &InputChannelRecord::ContrastR, 4},
                           Colour{"LeftRBrightnessEdit", &InputChannelRecord::BrightnessR, 4},
                           Colour{"LeftGContrastEdit", &InputChannelRecord::ContrastG, 4},
                           Colour{"LeftGBrightnessEdit", &InputChannelRecord::BrightnessG, 4},
                           Colour{"LeftBContrastEdit", &InputChannelRecord::ContrastB, 4},
                           Colour{"LeftBBrightnessEdit", &InputChannelRecord::BrightnessB, 4}})
        texts_.insert(QLatin1String(c.edit), [=] {
            return locked() ? FormatGeneral(input().*c.field, c.digits) : kNotAvailable;
        });

    // The seam page shows the selected screen's gains and bridge.
    auto seam = [this]() -> OutputScreenRecord& {
        const UnitIndex at = WallToUnit(seamChannel());
        return settings_.output(at.unit, at.index);
    };
    for (int g = 1; g <= 8; ++g)
        texts_.insert(QStringLiteral("SeamGain%1Edit").arg(g), [=] { return Int(seam().SeamGain[g - 1]); });
    boxes_.insert(QStringLiteral("SeamBridgeSingleConfigCheckBox"), [=] { return seam().SeamBridge != 0; });
}

void RecordValues::addScreen(int n)
{
    const UnitIndex at = WallToUnit(n);
    Settings& s = settings_;
    auto rec = [&s, at]() -> OutputScreenRecord& { return s.output(at.unit, at.index); };
    const QString d = QString::number(n);
    lists_.insert("TestPattern" + d + "ComboBox", [rec] {
        const int p = rec().TestPattern;
        return p <= 10 ? p : -1;  // beyond the list: no selection
    });
    boxes_.insert("OutputRaster" + d + "CheckBox", [rec] { return rec().OutputRaster != 0; });
    boxes_.insert("TestGrid" + d + "CheckBox", [rec] { return rec().TestGrid != 0; });
    texts_.insert("Black" + d + "Edit", [rec] { return Int(rec().BlackLevel); });

    auto addEdge = [&](const EdgeNames& e, bool left) {
        texts_.insert(e.width, [rec, left] { return Int(left ? rec().LeftHaloWidth : rec().RightHaloWidth); });
        texts_.insert(e.offset, [rec, left] { return Int(left ? rec().LeftHaloOffset : rec().RightHaloOffset); });
        texts_.insert(e.gamma, [rec, left] { return G15(left ? rec().LeftGamma : rec().RightGamma); });
        boxes_.insert(e.enable, [rec, left] { return (left ? rec().LeftFeather : rec().RightFeather) != 0; });
    };
    if (n == 1) {
        addEdge(EndEdgeNames(n), false);
    } else if (n == 8) {
        addEdge(EndEdgeNames(n), true);
    } else {
        addEdge(LeftEdgeNames(n), true);
        addEdge(RightEdgeNames(n), false);
    }
}

int RecordValues::ListIndex(const QString& name)
{
    const auto it = lists_.constFind(name);
    return it != lists_.cend() ? (*it)() : -1;
}

QString RecordValues::Text(const QString& name)
{
    const auto it = texts_.constFind(name);
    return it != texts_.cend() ? (*it)() : QString();
}

bool RecordValues::Checked(const QString& name)
{
    const auto it = boxes_.constFind(name);
    return it != boxes_.cend() && (*it)();
}

void RecordValues::SelectChannel(const QString& selector, int index)
{
    if (index < 0 || index > 7) return;
    if (selector == QLatin1String("SourceScreenSelectRadioGroup")) sourceIndex_ = index;
    if (selector == QLatin1String("SeamScreenSelectRadioGroup")) seamIndex_ = index;
}

CommitOutcome RecordValues::Commit(const QString& name)
{
    const bool seam = name.startsWith(QLatin1String("SeamGain"));
    return RunFieldCommit(*this, name, seam ? seamChannel() : sourceChannel(), commands_, link_);
}

int RecordValues::OverlapWidthMax() { return OverlapWidthMaxOfRecords(settings_); }

}  // namespace kalvora
