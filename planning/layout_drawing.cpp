#include "planning/layout_drawing.h"

#include <algorithm>
#include <cmath>

#include "settings/number_format.h"

namespace kalvora {

namespace {

constexpr int kFrameLeft = 5;
constexpr int kFrameTop = 5;
constexpr int kFrameWidth = 110;
constexpr int kFrameBottom = 99;
constexpr int kRulerY = 20;
// Keep drawing coordinates far inside int whatever the overlap width field holds: eight
// frames moved by the largest overlap still stay below the coordinate limit.
constexpr long long kOverlapLimit = 100'000;
constexpr long long kCoordinateLimit = 1'000'000;

int ClampCoordinate(long long v) { return static_cast<int>(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)); }

}  // namespace

ProjectorStrip LayoutProjectorStrip(int n, int overlapWidth, double projResH,
                                    const std::array<Rgb, kMaxProjectors>& colours, int width, int height)
{
    n = std::clamp(n, 1, kMaxProjectors);
    ProjectorStrip strip;
    strip.width = width;
    strip.height = height;
    const long long res = TruncateToInteger(projResH);
    const long long d = res > 0 ? static_cast<long long>(overlapWidth) * kFrameWidth / res : 0;
    strip.overlapPixels = static_cast<int>(std::clamp(d, -kOverlapLimit, kOverlapLimit));

    std::vector<Frame> ascending;
    long long left = kFrameLeft;
    for (int k = 1; k <= n; ++k) {
        if (k > 1) left = left + kFrameWidth - strip.overlapPixels;
        ascending.push_back({k, ClampCoordinate(left), kFrameTop, ClampCoordinate(left + kFrameWidth), kFrameBottom,
                             colours[k - 1]});
    }
    // Projector n first, so that the lower-numbered colours lie on top where borders cross.
    strip.frames.assign(ascending.rbegin(), ascending.rend());
    return strip;
}

PlacementRuler LayoutPlacementRuler(const PlanState& plan, int n, const QString& horizontalText, int width,
                                    int height)
{
    n = std::clamp(n, 1, kMaxProjectors);
    PlacementRuler ruler;
    ruler.width = width;
    ruler.height = height;
    ruler.axis = {{5, kRulerY}, {width - 10, kRulerY}, false};
    ruler.zero = {{3, 5}, QStringLiteral("0")};
    ruler.size = {{width - 20, 5}, horizontalText};

    const double half = plan.ProjResH * 0.5;
    long long centre = TruncateToInteger(half);
    for (int j = 1; j <= n; ++j) {
        if (j > 1) centre = TruncateToInteger(half - plan.ProjOverlap + half + static_cast<double>(centre));
        ruler.centres.push_back(centre);
    }

    // A screen or image width of 0 (a refused size, see the calculator) places nothing.
    const bool placeable = plan.OutSizeH != 0 && plan.ImageSizeH != 0 && std::isfinite(plan.OutSizeH) &&
                           std::isfinite(plan.ImageSizeH);
    if (!placeable) return ruler;
    for (int j = 1; j <= n; ++j) {
        const auto position = static_cast<float>(static_cast<double>(ruler.centres[j - 1]) / plan.ImageSizeH * plan.OutSizeH);
        const auto scaled = static_cast<float>(position / plan.OutSizeH * width);
        const int x = ClampCoordinate(TruncateToInteger(scaled));
        PlacementMarker m;
        m.x = x;
        m.position = position;
        m.line = {{x, kRulerY}, {x, height}, true};
        m.label = {{x - 8, height - 15}, QStringLiteral("Proj %1").arg(j)};
        m.value = {{x - 8, 5}, FormatG3(position)};
        ruler.markers.push_back(m);
    }
    return ruler;
}

}  // namespace kalvora
