#pragma once
// The name of every value the editor pages show, in the wall's terms: which field, of which
// screen, edge, gain or colour. The pages, the bulk send, the records and the command-line tool
// all address values by these keys; only the editors know which control shows a key.

#include <QHashFunctions>
#include <cstdint>
#include <vector>

namespace kalvora {

enum class Field : uint8_t {
    // Wall-wide (Display Setup page).
    ProjectorCount,   // a list: the projector count 1..8 as index 0..7
    Alignment,        // a list: horizontal 0, vertical 1
    OverlapWidth,
    BasicGamma,
    DataDoubling,     // a check box
    BasicFeathering,  // a check box
    AdvancedMode,     // a check box
    // Per screen (place: the screen 1..8).
    TestPattern,      // a list: the pattern 0..10
    OutputRaster,     // a check box
    TestGrid,         // a check box
    BlackLevel,
    // Per edge of a screen (place: the screen, side: 0 left, 1 right).
    HaloWidth,
    HaloOffset,
    EdgeGamma,
    EdgeFeathering,   // a check box: the edge's feathering enabled
    // The source channel selected on the Source Setup page.
    HPosition,
    VPosition,
    Phase,
    OverallContrast,
    OverallBrightness,
    ColourContrast,    // place: the colour 1 red, 2 green, 3 blue
    ColourBrightness,  // place: the colour
    // The channel selected on the Seam Removal page.
    SeamGain,    // place: the gain 1..8
    SeamBridge,  // a check box
};

// The two pages that show one channel at a time, chosen by the operator.
enum class ChannelPage : uint8_t { Source, Seam };

struct FieldKey {
    Field field = Field::ProjectorCount;
    int place = 0;  // the screen, gain or colour the field belongs to; 0 for a single field
    int side = -1;  // an edge field's side: 0 left, 1 right; -1 otherwise
    bool operator==(const FieldKey&) const = default;
};

constexpr FieldKey ScreenKey(Field field, int screen) { return {field, screen, -1}; }
constexpr FieldKey EdgeKey(Field field, int screen, int side) { return {field, screen, side}; }
constexpr FieldKey WallKey(Field field) { return {field, 0, -1}; }

// The page whose selected channel a field belongs to.
constexpr bool OnSourcePage(Field f) { return f >= Field::HPosition && f <= Field::ColourBrightness; }
constexpr bool OnSeamPage(Field f) { return f == Field::SeamGain || f == Field::SeamBridge; }

// The places a field has.
enum class FieldScope {
    Single,   // one value: wall-wide, or of the channel a page shows
    Screens,  // one per screen 1..8
    Edges,    // one per screen edge: 1 right, 2..7 left and right, 8 left
    Colours,  // one per colour 1..3 (red, green, blue)
    Gains,    // one per seam gain 1..8
};
FieldScope ScopeOf(Field field);
// Every key of the field, screens and gains in order, a screen's left edge before its right.
std::vector<FieldKey> KeysOf(Field field);
// Every key of every field, in the order of Field.
const std::vector<FieldKey>& AllFieldKeys();

inline size_t qHash(const FieldKey& key, size_t seed = 0) noexcept
{
    return ::qHash((int(key.field) << 16) ^ (key.place << 4) ^ (key.side + 1), seed);
}

}  // namespace kalvora
