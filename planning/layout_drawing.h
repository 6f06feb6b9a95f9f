#pragma once
// The two planning drawings as plain primitives: the strip of projector frames and the
// projector placement ruler. The widgets paint exactly these; tests check them.

#include <QPoint>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "planning/plan_state.h"

namespace kalvora {

using Rgb = std::uint32_t;  // 0xRRGGBB
constexpr Rgb kSilver = 0xC0C0C0;
constexpr Rgb kBlack = 0x000000;
// Background colours of the screens' legend labels, in projector order.
inline constexpr std::array<Rgb, kMaxProjectors> kProjectorColours{
    0xFFFF00, 0xFF0000, 0x0000FF, 0x00FF00, 0xFF00FF, 0x00FFFF, 0x800080, 0x008080};

constexpr int kStripWidth = 905;
constexpr int kStripHeight = 110;
constexpr int kRulerWidth = 477;
constexpr int kRulerHeight = 128;

// A frame given by left, top and exclusive right, bottom (as 5, 5, 115, 99).
struct Frame {
    int projector;  // 1..8
    int left, top, right, bottom;
    Rgb colour;
};

struct ProjectorStrip {
    int width = kStripWidth;
    int height = kStripHeight;
    Rgb background = kSilver;
    int overlapPixels = 0;       // d: the overlap width scaled to a 110-pixel frame
    std::vector<Frame> frames;   // in drawing order: projector n first, projector 1 last
};

struct TextItem {
    QPoint topLeft;
    QString text;
};

struct Line {
    QPoint from, to;
    bool dashed;
};

struct PlacementMarker {
    int x;
    float position;  // the centre on the screen, in the operator's length unit
    Line line;       // dashed, (x, 20) .. (x, height)
    TextItem label;  // "Proj k" at (x - 8, height - 15)
    TextItem value;  // position in G3 at (x - 8, 5)
};

struct PlacementRuler {
    int width = kRulerWidth;
    int height = kRulerHeight;
    Rgb background = kSilver;
    Line axis;                           // solid, (5, 20) .. (width - 10, 20)
    TextItem zero;                       // "0" at (3, 5)
    TextItem size;                       // the horizontal size text at (width - 20, 5)
    std::vector<long long> centres;      // projector centres in input-image pixels
    std::vector<PlacementMarker> markers;  // empty when the screen or image width is 0
};

// n: working count 1..8 (clamped); overlapWidth: the integer in the overlap width field.
ProjectorStrip LayoutProjectorStrip(int n, int overlapWidth, double projResH,
                                    const std::array<Rgb, kMaxProjectors>& colours = kProjectorColours,
                                    int width = kStripWidth, int height = kStripHeight);

PlacementRuler LayoutPlacementRuler(const PlanState& plan, int n, const QString& horizontalText,
                                    int width = kRulerWidth, int height = kRulerHeight);

}  // namespace kalvora
