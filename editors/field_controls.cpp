#include "editors/field_controls.h"

#include <QHash>

namespace kalvora {
namespace {

// Name templates, expanded for each key of the field:
//   {n}    the screen number, or the gain number
//   {e}    the edge prefix: "" for the single edge of screens 1 and 8, "L" or "R"
//   {e1}   the prefix of the screen's first edge: "" for screens 1 and 8, "L" otherwise
//   {n+1}  the next gain number, 8 wrapping to 1
//   {x}    the colour letter (O overall, R, G, B);  {x+1}  the next one, B wrapping to O
struct ControlRow {
    Field field;
    const char* name;
    const char* spin;
    const char* next;
};

using F = Field;

// clang-format off
const ControlRow kControlRows[] = {
    {F::ProjectorCount,    "NumOfScreenComboBox",            nullptr, nullptr},
    {F::Alignment,         "ImageAlignComboBox",             nullptr, nullptr},
    {F::OverlapWidth,      "OWidthEdit",                     nullptr, nullptr},
    {F::BasicGamma,        "BasicGammaEdit",                 nullptr, nullptr},
    {F::DataDoubling,      "EnDataDoubleCheckBox",           nullptr, nullptr},
    {F::BasicFeathering,   "BasicEdgeFeatheringCheckBox",    nullptr, nullptr},
    {F::AdvancedMode,      "AdvanceModeCheckBox",            nullptr, nullptr},
    {F::TestPattern,       "TestPattern{n}ComboBox",         nullptr, nullptr},
    {F::OutputRaster,      "OutputRaster{n}CheckBox",        nullptr, nullptr},
    {F::TestGrid,          "TestGrid{n}CheckBox",            nullptr, nullptr},
    {F::BlackLevel,        "Black{n}Edit",                   "Black{n}UpDown",            "{e1}HaloWidth{n}Edit"},
    {F::HaloWidth,         "{e}HaloWidth{n}Edit",            "{e}HaloWidth{n}UpDown",     "{e}HaloOffset{n}Edit"},
    {F::HaloOffset,        "{e}HaloOffset{n}Edit",           "{e}HaloOffset{n}UpDown",    "{e}HaloWidth{n}Edit"},
    {F::EdgeGamma,         "{e}Gamma{n}Edit",                "{e}Gamma{n}UpDown",         "TestPattern{n}ComboBox"},
    {F::EdgeFeathering,    "{e}EdgeFeathering{n}CheckBox",   nullptr, nullptr},
    {F::HPosition,         "HPositionEdit",                  "HPositionUpDown",           "VPositionEdit"},
    {F::VPosition,         "VPositionEdit",                  "VPositionUpDown",           "PhaseEdit"},
    {F::Phase,             "PhaseEdit",                      "PhaseUpDown",               "HPositionEdit"},
    {F::OverallContrast,   "LeftOContrastEdit",              "LeftOContrastUpDown",       "LeftOBrightnessEdit"},
    {F::OverallBrightness, "LeftOBrightnessEdit",            "LeftOBrightnessUpDown",     "LeftRContrastEdit"},
    {F::ColourContrast,    "Left{x}ContrastEdit",            "Left{x}ContrastUpDown",     "Left{x}BrightnessEdit"},
    {F::ColourBrightness,  "Left{x}BrightnessEdit",          "Left{x}BrightnessUpDown",   "Left{x+1}ContrastEdit"},
    {F::SeamGain,          "SeamGain{n}Edit",                "SeamGain{n}UpDown",         "SeamGain{n+1}Edit"},
    {F::SeamBridge,        "SeamBridgeSingleConfigCheckBox", nullptr, nullptr},
};
// clang-format on

QString Expand(const char* pattern, const FieldKey& key)
{
    if (!pattern) return {};
    static const char kColours[] = "ORGB";
    const bool twoEdges = key.place >= 2 && key.place <= 7 && ScopeOf(key.field) == FieldScope::Edges;
    const bool inner = key.place >= 2 && key.place <= 7;
    const int colour = ScopeOf(key.field) == FieldScope::Colours ? key.place : 0;
    QString s = QString::fromLatin1(pattern);
    s.replace(QStringLiteral("{n+1}"), QString::number(key.place % 8 + 1));
    s.replace(QStringLiteral("{n}"), QString::number(key.place));
    s.replace(QStringLiteral("{e1}"), inner ? QStringLiteral("L") : QString());
    s.replace(QStringLiteral("{e}"), twoEdges ? (key.side == 0 ? QStringLiteral("L") : QStringLiteral("R")) : QString());
    s.replace(QStringLiteral("{x+1}"), QString(QLatin1Char(kColours[(colour + 1) % 4])));
    s.replace(QStringLiteral("{x}"), QString(QLatin1Char(kColours[colour % 4])));
    return s;
}

struct Tables {
    QHash<FieldKey, FieldControls> byKey;
    QHash<QString, FieldKey> byName;
};

const Tables& ControlTables()
{
    static const Tables tables = [] {
        Tables t;
        for (const ControlRow& row : kControlRows)
            for (const FieldKey& key : KeysOf(row.field))
                t.byKey.insert(key, {Expand(row.name, key), Expand(row.spin, key), Expand(row.next, key), {}});
        for (auto it = t.byKey.begin(); it != t.byKey.end(); ++it) {
            if (const NumericField* f = FindNumericField(it.key()))
                if (const std::optional<FieldKey> partner = PartnerKey(*f)) it->partner = t.byKey.value(*partner).name;
            t.byName.insert(it->name, it.key());
        }
        return t;
    }();
    return tables;
}

}  // namespace

const FieldControls& ControlsOf(const FieldKey& key)
{
    static const FieldControls kNone;
    const Tables& t = ControlTables();
    const auto it = t.byKey.constFind(key);
    return it != t.byKey.cend() ? *it : kNone;
}

std::optional<FieldKey> KeyOfControl(const QString& name)
{
    const Tables& t = ControlTables();
    const auto it = t.byName.constFind(name);
    if (it == t.byName.cend()) return std::nullopt;
    return *it;
}

const NumericField* NumericFieldOfEdit(const QString& editName)
{
    const std::optional<FieldKey> key = KeyOfControl(editName);
    return key ? FindNumericField(*key) : nullptr;
}

QString ChannelSelectorName(ChannelPage page)
{
    return page == ChannelPage::Source ? QStringLiteral("SourceScreenSelectRadioGroup")
                                       : QStringLiteral("SeamScreenSelectRadioGroup");
}

EdgeControls EdgeControlsOf(int screen, int side)
{
    const QString d = QString::number(screen);
    // The right edge of screens 2..7 has labels of its own; the other edges share the screen's.
    const bool second = screen >= 2 && screen <= 7 && side == 1;
    const QString label2 = second ? QStringLiteral("_2") : QString();
    const auto name = [&](Field f) { return ControlName(EdgeKey(f, screen, side)); };
    const auto spin = [&](Field f) { return ControlsOf(EdgeKey(f, screen, side)).spin; };
    return {name(Field::EdgeFeathering), "GammaLabel" + d + label2,         name(Field::EdgeGamma),
            spin(Field::EdgeGamma),      "HaloWidth" + d + label2 + "Label", name(Field::HaloWidth),
            spin(Field::HaloWidth),      "HaloOffset" + d + label2 + "Label", name(Field::HaloOffset),
            spin(Field::HaloOffset)};
}

}  // namespace kalvora
