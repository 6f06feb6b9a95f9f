#include "settings/numeric_field_table.h"

#include <QHash>
#include <cmath>

#include "settings/number_format.h"

namespace kalvora {

using F = Field;
using V = ValueType;
using R = RangeKind;
using Re = RestoreFill;
using T = FieldTarget;
using B = FieldBuilder;
using G = CommitGroup;

// clang-format off
const std::array<NumericFamilyRow, 12> kNumericFamilies = {{
    // field,
    //   type, range, lo, hi, range text, step, max length (only for), initial text,
    //   bounds prefix, restore, not-valid suffix, spin uses not-valid,
    //   target, builder, colour, group, partner,
    //   accessible name
    {F::BlackLevel,
     V::Integer, R::Fixed, 0, 255, "(0 - 255)", 1, 5, 1, "0",
     "Error! Value out of bounds! ", Re::BlackLevel, "' is not a valid Black Level.", false,
     T::Screen, B::BlackLevel, 0, G::Alone, std::nullopt,
     "Screen {n} Black Level"},
    {F::HaloWidth,
     V::Integer, R::Fixed, 0, 64, "(0 - 64)", 1, 3, 0, "0",
     "Error! Halo width out of bounds. ", Re::None, "' is not a valid Halo width value.", false,
     T::Screen, B::Halo, 0, G::HaloPair, F::HaloOffset,
     "Screen {n} Halo Width ({s})"},
    {F::HaloOffset,
     V::Integer, R::Fixed, 0, 255, "(0 - 255)", 1, 4, 0, "0",
     "Error! Halo offset out of bounds. ", Re::None, "' is not a valid Halo offset value.", false,
     T::Screen, B::Halo, 0, G::HaloPair, F::HaloWidth,
     "Screen {n} Halo Offset ({s})"},
    {F::EdgeGamma,
     V::Tenths, R::Fixed, 1.0, 5.0, "(1.0 - 5.0)", 0.1, 0, 0, "2.2",
     "Error! Value out of bounds! ", Re::None, "' is not a valid Edge Feathering Gamma value.", false,
     T::Screen, B::EdgeFeather, 0, G::WithEnableBox, F::EdgeFeathering,
     "Screen {n} Edge Feathering Gamma ({s})"},
    {F::HPosition,
     V::Integer, R::HPositionWindow, 0, 0, "(%1 - %2)", 1, 0, 0, "0",
     "Error! H Position value out of bounds! ", Re::SourcePage, "' is not a valid H Position Value.", true,
     T::SourceChannel, B::InputHPosition, 0, G::Alone, std::nullopt,
     "H Position"},
    {F::VPosition,
     V::Integer, R::VPositionWindow, 0, 0, "", 1, 5, 0, "0",
     "Error! V Position value out of bounds! ", Re::SourcePage, "' is not a valid V Position Value.", true,
     T::SourceChannel, B::InputVPosition, 0, G::Alone, std::nullopt,
     "V Position"},
    {F::Phase,
     V::Integer, R::Fixed, -16, 15, "(-16 - +15)", 1, 4, 0, "0",
     "Error! Phase Offset value out of bounds! ", Re::SourcePage, "' is not a valid Phase Value.", true,
     T::SourceChannel, B::InputPhase, 0, G::Alone, std::nullopt,
     "Phase"},
    {F::OverallContrast,
     V::Tenths, R::Fixed, 75.0, 125.0, "(75 - 125)", 0.1, 0, 0, "0",
     "Error! Value out of bounds! ", Re::SourcePage, "' is not a valid Contrast Level.", false,
     T::SourceChannel, B::InputContrast, 0, G::Alone, std::nullopt,
     "Overall Contrast"},
    {F::OverallBrightness,
     V::Tenths, R::Fixed, 75.0, 125.0, "(75 - 125)", 0.1, 0, 0, "0",
     "Error! Value out of bounds! ", Re::SourcePage, "' is not a valid Brightness Level.", false,
     T::SourceChannel, B::InputBrightness, 0, G::Alone, std::nullopt,
     "Overall Brightness"},
    {F::ColourContrast,
     V::Tenths, R::Fixed, -25.0, 25.0, "(-25 - +25)", 0.1, 0, 0, "0",
     "Error! Value out of bounds! ", Re::SourcePage, "' is not a valid Contrast Level.", false,
     T::SourceChannel, B::InputContrast, 0, G::Alone, std::nullopt,
     "{colour} Contrast"},
    {F::ColourBrightness,
     V::Tenths, R::Fixed, -25.0, 25.0, "(-25 - +25)", 0.1, 0, 0, "0",
     "Error! Value out of bounds! ", Re::SourcePage, "' is not a valid Brightness Level.", false,
     T::SourceChannel, B::InputBrightness, 0, G::Alone, std::nullopt,
     "{colour} Brightness"},
    {F::SeamGain,
     V::Integer, R::Fixed, 0, 255, "(0 - 255)", 1, 4, 0, "0",
     "Error! Seam Position value out of bounds! ", Re::SeamPage, "' is not a valid Seam Gain Value.", false,
     T::SeamChannel, B::SeamGains, 0, G::AllSeamGains, std::nullopt,
     "Seam Gain {n}"},
}};
// clang-format on

namespace {

QString AccessibleName(const char* pattern, const FieldKey& key, int colour)
{
    static const char* const kColourNames[] = {"Overall", "Red", "Green", "Blue"};
    QString s = QString::fromLatin1(pattern);
    s.replace(QStringLiteral("{n}"), QString::number(key.place));
    s.replace(QStringLiteral("{colour}"), QString::fromLatin1(kColourNames[colour % 4]));
    s.replace(QStringLiteral("{s}"), key.side == 0 ? QStringLiteral("L") : QStringLiteral("R"));
    return s;
}

std::vector<NumericField> Build()
{
    std::vector<NumericField> out;
    for (const NumericFamilyRow& row : kNumericFamilies) {
        const bool colours = ScopeOf(row.field) == FieldScope::Colours;
        for (const FieldKey& key : KeysOf(row.field)) {
            NumericField f;
            f.row = &row;
            f.key = key;
            f.colour = colours ? key.place : row.colour;
            f.number = colours ? 0 : key.place;
            f.side = key.side;
            f.accessibleName = AccessibleName(row.accessibleName, key, f.colour);
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

const NumericFamilyRow& FamilyRow(Field field)
{
    for (const NumericFamilyRow& row : kNumericFamilies)
        if (row.field == field) return row;
    return kNumericFamilies[0];  // every family has a row; a test checks it
}

const std::vector<NumericField>& AllNumericFields()
{
    static const std::vector<NumericField> fields = Build();
    return fields;
}

std::vector<const NumericField*> FieldsOf(Field field)
{
    std::vector<const NumericField*> out;
    for (const NumericField& f : AllNumericFields())
        if (f.row->field == field) out.push_back(&f);
    return out;
}

const NumericField* FindNumericField(const FieldKey& key)
{
    static const QHash<FieldKey, const NumericField*> byKey = [] {
        QHash<FieldKey, const NumericField*> h;
        for (const NumericField& f : AllNumericFields()) h.insert(f.key, &f);
        return h;
    }();
    return byKey.value(key, nullptr);
}

std::optional<FieldKey> PartnerKey(const NumericField& field)
{
    if (!field.row->partner) return std::nullopt;
    return FieldKey{*field.row->partner, field.key.place, field.key.side};
}

}  // namespace kalvora
