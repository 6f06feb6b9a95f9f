#pragma once
// The whole wall as the units hold it, as drawing primitives: one frame per screen in the
// projector colours of the planning legend with its test pattern and black level, the overlap
// regions at their width, each feathered edge with its gamma, halo removal on an edge, the
// unit 1 / unit 2 brackets and the screens whose input is not locked. The widget paints
// exactly this; tests check it.

#include <QRect>
#include <QString>
#include <vector>

#include "planning/layout_drawing.h"
#include "settings/records.h"

namespace kalvora {

constexpr int kOverviewWidth = 620;
constexpr int kOverviewWindowWidth = 880;
constexpr int kOverviewHeight = 176;
constexpr Rgb kOverviewBackground = 0x303640;
constexpr Rgb kOverlapShade = 0x000000;  // drawn translucent over both frames
constexpr Rgb kUnlockedFlag = 0xE02020;

struct OverviewEdge {
    char side = 'L';         // 'L' or 'R'
    QRect band;              // the part of the screen that overlaps its neighbour
    bool feathered = false;
    float gamma = 0;
    int haloWidth = 0;
    int haloOffset = 0;
    bool halo = false;       // halo removal on this edge (width above 0)
    TextItem label;          // "L γ 2.2" or "R no feather", and "halo w/o", inside the band
    // Where the label is drawn: within the edge's own screen, from the band into that screen
    // (a left edge's label reads from the band's left side, a right edge's ends at the band's
    // right side), so that at a narrow overlap it never covers the neighbour.
    QRect labelRoom;
    bool labelRightAligned = false;
};

struct OverviewScreen {
    int screen = 0;          // 1..8
    int unit = 0, index = 0;
    QRect frame;
    int textWidth = 0;       // room for the texts: from past the left overlap to the frame's end
    Rgb colour = 0;
    TextItem title;          // "Screen 3"
    TextItem pattern;        // test pattern name, with "+ grid" / "+ raster box"
    TextItem black;          // "Black 20"
    bool unlocked = false;   // the screen's input channel is not locked
    TextItem flag;           // "input not locked" when unlocked
    std::vector<OverviewEdge> edges;  // the screen's overlapping edges, left first
};

struct OverviewOverlap {
    int leftScreen = 0;      // the overlap of this screen and the next
    QRect region;
    int widthPixels = 0;     // the overlap width in output pixels of the left screen's unit
};

struct OverviewBracket {
    int unit = 0;
    int firstScreen = 0, lastScreen = 0;
    Line bar, leftTick, rightTick;
    TextItem label;          // "Unit 1 (screens 1-4)"
};

struct WallOverview {
    int width = kOverviewWidth;
    int height = kOverviewHeight;
    Rgb background = kOverviewBackground;
    int projectors = 0;
    int units = 0;
    bool available = false;  // settings were read from the units or loaded from a file
    TextItem heading;
    std::vector<OverviewScreen> screens;
    std::vector<OverviewOverlap> overlaps;
    std::vector<OverviewBracket> brackets;
};

// The name of a test pattern number as the Display Setup lists it ("Pattern 23" for numbers
// past the list).
QString TestPatternName(int pattern);

// The wall of `settings`: as many screens as unit 1 says the wall has (TotalProjectors, 1..8),
// or `plannedProjectors` while no settings are available or the unit reports none.
// `lineHeight`: the pitch of the text lines, the height of a line of the face they are drawn in;
// the picture grows in height where seven lines of it need more than `height` gives.
WallOverview LayoutWallOverview(const Settings& settings, int plannedProjectors, int width = kOverviewWidth,
                                int height = kOverviewHeight, int lineHeight = 14);

}  // namespace kalvora
