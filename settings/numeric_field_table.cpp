#include "settings/numeric_field_table.h"

#include <QHash>
#include <cmath>

#include "settings/number_format.h"

namespace kalvora {

using F = FieldFamily;
using S = FieldScope;
using V = ValueType;
using R = RangeKind;
using Re = RestoreFill;
using T = FieldTarget;
using B = FieldBuilder;
using G = CommitGroup;

// clang-format off
const std::array<NumericFamilyRow, 12> kNumericFamilies = {{
    // family, scope, edit, spin, next on Enter,
    //   type, range, lo, hi, range text, step, max length (only for), initial text,
    //   bounds prefix, restore, not-valid suffix, spin uses not-valid,
    //   target, builder, colour, group, partner,
    //   accessible name
    {F::BlackLevel, S::Screens, "Black{n}Edit", "Black{n}UpDown", "{e1}HaloWidth{n}Edit",
     V::Integer, R::Fixed, 0, 255, "(0 - 255)", 1, 5, 1, "0",
     "Error! Value out of bounds! ", Re::BlackLevel, "' is not a valid Black Level.", false,
     T::ScreenFromName, B::BlackLevel, 0, G::Alone, nullptr,
     "Screen {n} Black Level"},
    {F::HaloWidth, S::Edges, "{e}HaloWidth{n}Edit", "{e}HaloWidth{n}UpDown", "{e}HaloOffset{n}Edit",
     V::Integer, R::Fixed, 0, 64, "(0 - 64)", 1, 3, 0, "0",
     "Error! Halo width out of bounds. ", Re::None, "' is not a valid Halo width value.", false,
     T::ScreenFromName, B::Halo, 0, G::HaloPair, "{e}HaloOffset{n}Edit",
     "Screen {n} Halo Width ({s})"},
    {F::HaloOffset, S::Edges, "{e}HaloOffset{n}Edit", "{e}HaloOffset{n}UpDown", "{e}HaloWidth{n}Edit",
     V::Integer, R::Fixed, 0, 255, "(0 - 255)", 1, 4, 0, "0",
     "Error! Halo offset out of bounds. ", Re::None, "' is not a valid Halo offset value.", false,
     T::ScreenFromName, B::Halo, 0, G::HaloPair, "{e}HaloWidth{n}Edit",
     "Screen {n} Halo Offset ({s})"},
    {F::Gamma, S::Edges, "{e}Gamma{n}Edit", "{e}Gamma{n}UpDown", "TestPattern{n}ComboBox",
     V::Tenths, R::Fixed, 1.0, 5.0, "(1.0 - 5.0)", 0.1, 0, 0, "2.2",
     "Error! Value out of bounds! ", Re::None, "' is not a valid Edge Feathering Gamma value.", false,
     T::ScreenFromName, B::EdgeFeather, 0, G::WithEnableBox, "{e}EdgeFeathering{n}CheckBox",
     "Screen {n} Edge Feathering Gamma ({s})"},
    {F::HPosition, S::Single, "HPositionEdit", "HPositionUpDown", "VPositionEdit",
     V::Integer, R::HPositionWindow, 0, 0, "(%1 - %2)", 1, 0, 0, "0",
     "Error! H Position value out of bounds! ", Re::SourcePage, "' is not a valid H Position Value.", true,
     T::SourceChannel, B::InputHPosition, 0, G::Alone, nullptr,
     "H Position"},
    {F::VPosition, S::Single, "VPositionEdit", "VPositionUpDown", "PhaseEdit",
     V::Integer, R::VPositionWindow, 0, 0, "", 1, 5, 0, "0",
     "Error! V Position value out of bounds! ", Re::SourcePage, "' is not a valid V Position Value.", true,
     T::SourceChannel, B::InputVPosition, 0, G::Alone, nullptr,
     "V Position"},
    {F::Phase, S::Single, "PhaseEdit", "PhaseUpDown", "HPositionEdit",
     V::Integer, R::Fixed, -16, 15, "(-16 - +15)", 1, 4, 0, "0",
     "Error! Phase Offset value out of bounds! ", Re::SourcePage, "' is not a valid Phase Value.", true,
     T::SourceChannel, B::InputPhase, 0, G::Alone, nullptr,
     "Phase"},
    {F::OverallContrast, S::Single, "LeftOContrastEdit", "LeftOContrastUpDown", "LeftOBrightnessEdit",
     V::Tenths, R::Fixed, 75.0, 125.0, "(75 - 125)", 0.1, 0, 0, "0",
     "Error! Value out of bounds! ", Re::SourcePage, "' is not a valid Contrast Level.", false,
     T::SourceChannel, B::InputContrast, 0, G::Alone, nullptr,
     "Overall Contrast"},
    {F::OverallBrightness, S::Single, "LeftOBrightnessEdit", "LeftOBrightnessUpDown", "LeftRContrastEdit",
     V::Tenths, R::Fixed, 75.0, 125.0, "(75 - 125)", 0.1, 0, 0, "0",
     "Error! Value out of bounds! ", Re::SourcePage, "' is not a valid Brightness Level.", false,
     T::SourceChannel, B::InputBrightness, 0, G::Alone, nullptr,
     "Overall Brightness"},
    {F::ColourContrast, S::Colours, "Left{x}ContrastEdit", "Left{x}ContrastUpDown", "Left{x}BrightnessEdit",
     V::Tenths, R::Fixed, -25.0, 25.0, "(-25 - +25)", 0.1, 0, 0, "0",
     "Error! Value out of bounds! ", Re::SourcePage, "' is not a valid Contrast Level.", false,
     T::SourceChannel, B::InputContrast, 0, G::Alone, nullptr,
     "{colour} Contrast"},
    {F::ColourBrightness, S::Colours, "Left{x}BrightnessEdit", "Left{x}BrightnessUpDown", "Left{x+1}ContrastEdit",
     V::Tenths, R::Fixed, -25.0, 25.0, "(-25 - +25)", 0.1, 0, 0, "0",
     "Error! Value out of bounds! ", Re::SourcePage, "' is not a valid Brightness Level.", false,
     T::SourceChannel, B::InputBrightness, 0, G::Alone, nullptr,
     "{colour} Brightness"},
    {F::SeamGain, S::Gains, "SeamGain{n}Edit", "SeamGain{n}UpDown", "SeamGain{n+1}Edit",
     V::Integer, R::Fixed, 0, 255, "(0 - 255)", 1, 4, 0, "0",
     "Error! Seam Position value out of bounds! ", Re::SeamPage, "' is not a valid Seam Gain Value.", false,
     T::SeamChannel, B::SeamGains, 0, G::AllSeamGains, nullptr,
     "Seam Gain {n}"},
}};
// clang-format on

namespace {

struct Instance {
    int number = 0;
    int side = -1;
    QString edge;   // {e}
    QString edge1;  // {e1}
    int colour = 0;
};

std::vector<Instance> InstancesOf(FieldScope scope)
{
    std::vector<Instance> out;
    switch (scope) {
    case S::Screens:
        for (int n = 1; n <= 8; ++n) out.push_back({n, -1, {}, (n == 1 || n == 8) ? QString() : QStringLiteral("L"), 0});
        break;
    case S::Edges:
        out.push_back({1, 1, {}, {}, 0});
        for (int n = 2; n <= 7; ++n) {
            out.push_back({n, 0, QStringLiteral("L"), QStringLiteral("L"), 0});
            out.push_back({n, 1, QStringLiteral("R"), QStringLiteral("L"), 0});
        }
        out.push_back({8, 0, {}, {}, 0});
        break;
    case S::Single: out.push_back({}); break;
    case S::Colours:
        for (int c = 1; c <= 3; ++c) out.push_back({0, -1, {}, {}, c});
        break;
    case S::Gains:
        for (int k = 1; k <= 8; ++k) out.push_back({k, -1, {}, {}, 0});
        break;
    }
    return out;
}

QString Expand(const char* pattern, const Instance& i)
{
    if (!pattern) return {};
    static const char kColours[] = "ORGB";
    QString s = QString::fromLatin1(pattern);
    s.replace(QStringLiteral("{n+1}"), QString::number(i.number % 8 + 1));
    s.replace(QStringLiteral("{n}"), QString::number(i.number));
    s.replace(QStringLiteral("{e1}"), i.edge1);
    s.replace(QStringLiteral("{e}"), i.edge);
    s.replace(QStringLiteral("{x+1}"), QString(QLatin1Char(kColours[(i.colour + 1) % 4])));
    s.replace(QStringLiteral("{x}"), QString(QLatin1Char(kColours[i.colour % 4])));
    static const char* const kColourNames[] = {"Overall", "Red", "Green", "Blue"};
    s.replace(QStringLiteral("{colour}"), QString::fromLatin1(kColourNames[i.colour % 4]));
    s.replace(QStringLiteral("{s}"), i.side == 0 ? QStringLiteral("L") : QStringLiteral("R"));
    return s;
}

std::vector<NumericField> Build()
{
    std::vector<NumericField> out;
    for (const NumericFamilyRow& row : kNumericFamilies) {
        for (const Instance& i : InstancesOf(row.scope)) {
            NumericField f;
            f.row = &row;
            f.edit = Expand(row.edit, i);
            f.spin = Expand(row.spin, i);
            f.next = Expand(row.next, i);
            f.partner = Expand(row.partner, i);
            f.accessibleName = Expand(row.accessibleName, i);
            f.number = i.number;
            f.side = i.side;
            f.colour = row.scope == S::Colours ? i.colour : row.colour;
            out.push_back(f);
        }
    }
    return out;
}

}  // namespace

QString FormatFieldValue(ValueType type, double value)
{
    if (type == ValueType::Tenths) return FormatF1(value);
    return QString::number(static_cast<long long>(std::llround(value)));
}

bool ParseFieldValue(ValueType type, const QString& text, double& value)
{
    if (type == ValueType::Tenths) return ParseDecimal(text, value);
    int v = 0;
    if (!ParseInteger(text, v)) return false;
    value = v;
    return true;
}

bool ParseFieldInRange(const NumericFamilyRow& row, const QString& text, double& value)
{
    double v = 0;
    if (!ParseFieldValue(row.type, text, v) || v < row.lo || v > row.hi) return false;
    value = v;
    return true;
}

QString FieldRangeText(const NumericFamilyRow& row)
{
    return QStringLiteral("%1 to %2").arg(FormatFieldValue(row.type, row.lo), FormatFieldValue(row.type, row.hi));
}

const NumericFamilyRow& FamilyRow(FieldFamily family)
{
    for (const NumericFamilyRow& row : kNumericFamilies)
        if (row.family == family) return row;
    return kNumericFamilies[0];  // every family has a row; a test checks it
}

const std::vector<NumericField>& AllNumericFields()
{
    static const std::vector<NumericField> fields = Build();
    return fields;
}

std::vector<const NumericField*> FieldsOf(FieldFamily family)
{
    std::vector<const NumericField*> out;
    for (const NumericField& f : AllNumericFields())
        if (f.row->family == family) out.push_back(&f);
    return out;
}

const NumericField* FindNumericField(const QString& editName)
{
    static const QHash<QString, const NumericField*> byName = [] {
        QHash<QString, const NumericField*> h;
        for (const NumericField& f : AllNumericFields()) h.insert(f.edit, &f);
        return h;
    }();
    return byName.value(editName, nullptr);
}

}  // namespace kalvora
