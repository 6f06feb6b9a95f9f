#pragma once
// Every numeric field of the Display Setup, Source Setup and Seam Removal pages, described once.
//
// One row per numeric field of field_key.h, for all its screens, edges, colours or gains: how
// its text reads, its range, its messages and the command that carries it. Which controls show
// a field is the editors' business (editors/field_controls.h).

#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "settings/field_key.h"

namespace kalvora {

enum class ValueType {
    Integer,  // plain decimal integer
    Tenths,   // decimal with one shown decimal; a point or a comma as separator
};

enum class RangeKind {
    Fixed,            // lo..hi of the row
    HPositionWindow,  // the selected source channel's HPositionMin..HPositionMax
    VPositionWindow,  // its VPositionMin..VPositionMax
};

// What shows the record's value again after an out-of-bounds entry.
enum class RestoreFill { None, BlackLevel, SourcePage, SeamPage };

// Where the value goes: the screen of the field's key, or the channel selected on a page.
enum class FieldTarget { Screen, SourceChannel, SeamChannel };

enum class FieldBuilder {
    BlackLevel,       // BLKGN
    Halo,             // HALO: width and offset of one edge
    EdgeFeather,      // EFTA through the per-edge senders: enable box and gamma of one edge
    InputHPosition,   // IRSPTN, horizontal
    InputVPosition,   // IRSPTN, vertical
    InputPhase,       // ICPHOTN
    InputContrast,    // ICNTTN
    InputBrightness,  // IBRTTN
    SeamGains,        // MANSEAM: all eight gains
};

// Fields validated and sent together.
enum class CommitGroup {
    Alone,
    HaloPair,         // width then offset of one edge; both sent
    WithEnableBox,    // the gamma and its enable check box (partner); a click on the box commits
    AllSeamGains,     // the eight gains of the channel
};

struct NumericFamilyRow {
    Field field;
    ValueType type;
    RangeKind range;
    double lo, hi;  // inclusive, for RangeKind::Fixed
    // Appended to boundsPrefix. For the position windows: "(%1 - %2)" takes the window, "" adds nothing.
    const char* rangeText;
    double step;
    int maxLength;      // 0: no limit
    int maxLengthOnly;  // the limit applies only to the field numbered so (0: to every field)
    const char* initialText;
    const char* boundsPrefix;
    RestoreFill restore;
    const char* notValidSuffix;  // "Error! '" + text + suffix
    // A spin click on text that is not a number reports the field's not-valid message (true)
    // or a plain "not a valid number" message (false).
    bool spinUsesNotValid;
    FieldTarget target;
    FieldBuilder builder;
    int colour;  // Single colour rows: 0 overall ('C'); Colours rows take 1..3 from {x}
    CommitGroup group;
    std::optional<Field> partner;  // HaloPair: the other field of the edge; WithEnableBox: the check box
    // What a screen reader calls the field: its label, with {s} the side L or R and {colour}
    // Red, Green or Blue.
    const char* accessibleName;
};

extern const std::array<NumericFamilyRow, 12> kNumericFamilies;

// One concrete field.
struct NumericField {
    const NumericFamilyRow* row = nullptr;
    FieldKey key;
    QString accessibleName;  // "Screen 6 Halo Width (L)"
    int number = 0;   // screen (Screens, Edges) or gain (Gains); 0 otherwise
    int side = -1;    // 0 left 'L', 1 right 'R'; -1 no side
    int colour = 0;   // 0 'C', 1 'R', 2 'G', 3 'B'
    int maxLength() const
    {
        return row->maxLengthOnly == 0 || row->maxLengthOnly == number ? row->maxLength : 0;
    }
};

// How a field's text reads and is written, for every path that takes a value from a field's
// text: the page's commit and steps, the bulk send, the file checks and the tool.
// The text of a value as a step writes it: a plain integer, or one decimal for tenths.
QString FormatFieldValue(ValueType type, double value);
// Parses as the type (ParseDecimal for tenths: a point or a comma; no locale applies).
bool ParseFieldValue(ValueType type, const QString& text, double& value);
// A number of the row's type within its fixed range lo..hi.
bool ParseFieldInRange(const NumericFamilyRow& row, const QString& text, double& value);
// The fixed range as the messages give it: "0 to 255", "1.0 to 5.0".
QString FieldRangeText(const NumericFamilyRow& row);

const NumericFamilyRow& FamilyRow(Field field);
// Every field of every family, in table order; built once.
const std::vector<NumericField>& AllNumericFields();
std::vector<const NumericField*> FieldsOf(Field field);
// The numeric field of this key; nullptr when the key names no numeric field.
const NumericField* FindNumericField(const FieldKey& key);
// The key of the field's partner on its edge (HaloPair, WithEnableBox); nullopt when it has none.
std::optional<FieldKey> PartnerKey(const NumericField& field);

}  // namespace kalvora
