#include "planning/wall_overview.h"

#include <algorithm>
#include <cmath>

#include "settings/number_format.h"

namespace kalvora {
namespace {

constexpr int kMargin = 6;

QString GammaText(float gamma) { return FormatG3(gamma); }

}  // namespace

QString TestPatternName(int pattern)
{
    static const char* const kNames[] = {"Off",   "Alignment Position", "1 Pixel On / 1 Pixel Off",
                                         "2 Pixel On / 2 Pixel Off", "Horizontal Bars", "Black",
                                         "Grey - 25%", "Grey - 50%", "Grey - 75%", "White", "Horizontal Ramp"};
    if (pattern >= 0 && pattern < int(std::size(kNames))) return QString::fromLatin1(kNames[pattern]);
    return QStringLiteral("Pattern %1").arg(pattern);
}

WallOverview LayoutWallOverview(const Settings& settings, int plannedProjectors, int width, int height, int lineHeight)
{
    const int linePitch = std::max(8, lineHeight);
    const int headingHeight = linePitch + 4;
    const int bracketHeight = 2 * linePitch + 2;
    // Title, pattern, black level and two edge tags of two lines each, under the heading.
    height = std::max(height, headingHeight + 2 + 7 * linePitch + 8 + bracketHeight);
    WallOverview w;
    w.width = width;
    w.height = height;
    w.available = settings.SettingsAvailable();
    const OutputScreenRecord& unit1 = settings.output(1, 1);
    int n = w.available && unit1.TotalProjectors >= 1 && unit1.TotalProjectors <= kMaxProjectors ? unit1.TotalProjectors
                                                                                                  : plannedProjectors;
    n = std::clamp(n, 1, kMaxProjectors);
    w.projectors = n;
    w.units = n > 4 ? 2 : 1;

    // Frames side by side, each overlap as wide in the picture as in the output image.
    int outputWidth = 0, outputHeight = 0;
    if (!OutputFormatSize(unit1.OutputFormat, outputWidth, outputHeight)) outputWidth = settings.OutputWidth;
    const int overlap = w.available ? unit1.OverlapWidth : 0;
    const double ratio = outputWidth > 0 ? std::clamp(double(overlap) / outputWidth, 0.0, 0.45) : 0.0;
    const double usable = width - 2.0 * kMargin;
    const double frameWidth = usable / (n - (n - 1) * ratio);
    const double step = frameWidth * (1.0 - ratio);
    const int band = std::max(1, int(std::lround(frameWidth * ratio)));  // one overlap in the picture
    const int top = headingHeight + 2;
    const int bottom = std::max(top + 4 * linePitch, height - bracketHeight);

    QString heading = QStringLiteral("%1 screen%2, %3 unit%4")
                          .arg(n)
                          .arg(n == 1 ? "" : "s")
                          .arg(w.units)
                          .arg(w.units == 1 ? "" : "s");
    if (!w.available) heading += QStringLiteral(" (planned): no settings read from the units or loaded yet");
    else if (overlap > 0) heading += QStringLiteral(", overlap %1 px of %2").arg(overlap).arg(outputWidth);
    if (w.available && w.units == 2 && settings.output(2, 1).OverlapWidth != overlap)
        heading += QStringLiteral(" (unit 2: %1 px)").arg(settings.output(2, 1).OverlapWidth);
    w.heading = {QPoint(kMargin, 2), heading};

    for (int k = 1; k <= n; ++k) {
        OverviewScreen s;
        s.screen = k;
        const UnitIndex ui = WallToUnit(k);
        s.unit = ui.unit;
        s.index = ui.index;
        const int left = kMargin + int(std::lround((k - 1) * step));
        const int right = k == n ? width - kMargin : left + int(std::lround(frameWidth));
        s.frame = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
        s.colour = kProjectorColours[size_t(k - 1)];
        // The texts start past the overlap with the screen on the left, where that screen's
        // own texts may reach, and end at the frame's right side.
        const int textLeft = left + 4 + (k > 1 && ratio > 0 ? band : 0);
        s.textWidth = std::max(0, right - textLeft - 3);
        s.title = {QPoint(textLeft, top + 3), QStringLiteral("Screen %1").arg(k)};
        if (w.available) {
            const OutputScreenRecord& r = settings.output(s.unit, s.index);
            QString pattern = TestPatternName(r.TestPattern);
            if (r.TestGrid) pattern += QStringLiteral(" + grid");
            if (r.OutputRaster) pattern += QStringLiteral(" + raster box");
            s.pattern = {QPoint(textLeft, top + 3 + linePitch), pattern};
            s.black = {QPoint(textLeft, top + 3 + 2 * linePitch), QStringLiteral("Black %1").arg(r.BlackLevel)};
            s.unlocked = !settings.IsChannelLocked(s.unit, s.index);
            if (s.unlocked)
                s.flag = {QPoint(textLeft, bottom - 3 - linePitch), QStringLiteral("input not locked")};

            // The unit's mode decides whose feathering counts: each edge's own in advanced
            // mode, the unit-wide basic one otherwise.
            const OutputScreenRecord& unitRecord = settings.output(s.unit, 1);
            const bool advanced = unitRecord.ControlMode == 1;
            for (const char side : {'L', 'R'}) {
                if ((side == 'L' && k == 1) || (side == 'R' && k == n)) continue;
                OverviewEdge e;
                e.side = side;
                e.band = side == 'L' ? QRect(left, top, band, bottom - top) : QRect(right - band, top, band, bottom - top);
                e.feathered = advanced ? (side == 'L' ? r.LeftFeather : r.RightFeather) != 0 : unitRecord.BasicFeather != 0;
                e.gamma = advanced ? (side == 'L' ? r.LeftGamma : r.RightGamma) : unitRecord.BasicGamma;
                e.haloWidth = side == 'L' ? r.LeftHaloWidth : r.RightHaloWidth;
                e.haloOffset = side == 'L' ? r.LeftHaloOffset : r.RightHaloOffset;
                e.halo = e.haloWidth > 0;
                // The side first: the two tags of an overlap stand one above the other.
                QString label = QStringLiteral("%1 ").arg(QLatin1Char(side)) +
                                (e.feathered ? QStringLiteral("γ %1").arg(GammaText(e.gamma)) : QStringLiteral("no feather"));
                if (e.halo) label += QStringLiteral("\nhalo %1/%2").arg(e.haloWidth).arg(e.haloOffset);
                // Left edges label the lower half of the overlap, right edges the upper, so
                // neighbours never write over each other.
                const int y = side == 'R' ? top + 3 + 3 * linePitch : top + 3 + 5 * linePitch;
                const int labelTop = std::min(y, bottom - 2 * linePitch);
                e.label = {QPoint(e.band.left() + 2, labelTop), label};
                e.labelRightAligned = side == 'R';
                e.labelRoom = side == 'L' ? QRect(QPoint(e.band.left() + 2, labelTop), QPoint(right - 4, bottom - 2))
                                          : QRect(QPoint(left + 3, labelTop), QPoint(e.band.right() - 2, bottom - 2));
                s.edges.push_back(e);
            }
        }
        w.screens.push_back(s);
    }

    if (w.available && overlap > 0) {
        for (int k = 1; k < n; ++k) {
            const QRect a = w.screens[size_t(k - 1)].frame, b = w.screens[size_t(k)].frame;
            if (b.left() > a.right()) continue;
            OverviewOverlap o;
            o.leftScreen = k;
            o.region = QRect(QPoint(b.left(), a.top()), QPoint(a.right(), a.bottom()));
            o.widthPixels = settings.output(WallToUnit(k).unit, 1).OverlapWidth;
            w.overlaps.push_back(o);
        }
    }

    for (int u = 1; u <= w.units; ++u) {
        OverviewBracket b;
        b.unit = u;
        b.firstScreen = u == 1 ? 1 : 5;
        b.lastScreen = u == 1 ? std::min(n, 4) : n;
        const int x0 = w.screens[size_t(b.firstScreen - 1)].frame.left() + 2;
        const int x1 = w.screens[size_t(b.lastScreen - 1)].frame.right() - 2;
        const int y = bottom + 8;
        b.bar = {QPoint(x0, y), QPoint(x1, y), false};
        b.leftTick = {QPoint(x0, y - 5), QPoint(x0, y), false};
        b.rightTick = {QPoint(x1, y - 5), QPoint(x1, y), false};
        const QString screens = b.firstScreen == b.lastScreen ? QStringLiteral("screen %1").arg(b.firstScreen)
                                                               : QStringLiteral("screens %1-%2").arg(b.firstScreen).arg(b.lastScreen);
        b.label = {QPoint((x0 + x1) / 2 - 50, y + 3), QStringLiteral("Unit %1 (%2)").arg(u).arg(screens)};
        w.brackets.push_back(b);
    }
    return w;
}

}  // namespace kalvora
