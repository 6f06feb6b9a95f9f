#pragma once
// Every numeric field of the Display Setup, Source Setup and Seam Removal pages, described once.
//
// One row per field family. A row's name templates expand to the family's concrete fields:
//   {n}    the screen number (black level, halo, gamma) or the gain number k (seam gains)
//   {e}    the edge prefix of the field: "" for the single edge of screens 1 and 8, "L" or "R"
//   {e1}   the prefix of the screen's first edge: "" for screens 1 and 8, "L" otherwise
//   {n+1}  the next gain number, 8 wrapping to 1
//   {x}    the colour letter R, G or B;  {x+1}  the next one, B wrapping to the overall O
// The editing itself (commit, step, Enter) lives in numeric_fields.h and reads only this table.

#include <QString>
#include <array>
#include <vector>

namespace kalvora {

enum class FieldFamily {
    BlackLevel,
    HaloWidth,
    HaloOffset,
    Gamma,
    HPosition,
    VPosition,
    Phase,
    OverallContrast,
    OverallBrightness,
    ColourContrast,
    ColourBrightness,
    SeamGain,
};

enum class FieldScope {
    Screens,  // one field per screen 1..8
    Edges,    // one field per screen edge: 1 R, 2..7 L and R, 8 L
    Single,   // one field
    Colours,  // one field per colour R, G, B
    Gains,    // one field per seam gain 1..8
};

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

// Where the value goes: the screen number in the field's name, or the channel of a page's selector.
enum class FieldTarget { ScreenFromName, SourceChannel, SeamChannel };

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
    FieldFamily family;
    FieldScope scope;
    const char* edit;  // name templates
    const char* spin;
    const char* next;  // the field Enter moves to
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
    const char* partner;  // HaloPair: the other edit of the edge; WithEnableBox: the check box
    // What a screen reader calls the field: its label, with {s} the side L or R and {colour}
    // Red, Green or Blue.
    const char* accessibleName;
};

extern const std::array<NumericFamilyRow, 12> kNumericFamilies;

// One concrete field.
struct NumericField {
    const NumericFamilyRow* row = nullptr;
    QString edit, spin, next, partner;
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

const NumericFamilyRow& FamilyRow(FieldFamily family);
// Every field of every family, in table order; built once.
const std::vector<NumericField>& AllNumericFields();
std::vector<const NumericField*> FieldsOf(FieldFamily family);
// The field whose edit has this name; nullptr when there is none.
const NumericField* FindNumericField(const QString& editName);

}  // namespace kalvora
