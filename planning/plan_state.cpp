#include "planning/plan_state.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "settings/number_format.h"

namespace kalvora {

namespace {

int SaturateToInt(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

}  // namespace

void CalcImageSize(PlanState& plan, PlanShow& show)
{
    plan.ImageSizeH = plan.ProjResV * plan.AspectRatio;
    plan.ImageSizeV = plan.ProjResV;
    show.imageSizeH = FormatG15(plan.ImageSizeH);
    show.imageSizeV = FormatG15(plan.ImageSizeV);
}

int CalcNumOfProjectors(PlanState& plan)
{
    // Product first, then the division: the order decides the last bit, and so the ceiling.
    const double product = plan.ProjResV * plan.AspectRatio;
    plan.NumOfProjectors = std::ceil(product / plan.ProjResH);
    return SaturateToInt(TruncateToInteger(plan.NumOfProjectors));
}

void UpdateAspectFromImage(PlanState& plan, PlanShow& show)
{
    plan.AspectRatio = plan.ImageSizeH / plan.ImageSizeV;
    plan.OutSizeH = plan.OutSizeV * plan.AspectRatio;
    show.aspectRatio = FormatG3(plan.AspectRatio);
    show.horizontalSize = FormatG5(plan.OutSizeH);
}

void CalcOverlap(PlanState& plan, int n, const OverlapLimit& limit, PlanShow& show)
{
    n = std::clamp(n, 1, kMaxProjectors);
    const auto clampTo = [&](double overlap) {
        plan.NumOfProjectors = n;
        plan.ProjOverlap = overlap;
        plan.ImageSizeH = n * plan.ProjResH - (n - 1) * overlap;
        show.imageSizeH = FormatG15(plan.ImageSizeH);
        UpdateAspectFromImage(plan, show);
    };

    if (n > 1) {
        plan.ProjOverlap = std::ceil((n * plan.ProjResH - plan.ImageSizeH) / (n - 1));
        if (plan.ProjOverlap < kMinOverlap) clampTo(kMinOverlap);
    } else {
        plan.ProjOverlap = 0;
    }

    // The largest overlap: half the input width for two projectors, the input width shared by
    // the overlaps beyond that. A unit that reports no (or a nonsensical) input width leaves
    // the bound at half a projector.
    long long maxOverlap;
    if (limit.statusRead && limit.inputImageWidth > 0) {
        maxOverlap = n <= 2 ? limit.inputImageWidth / 2 : limit.inputImageWidth / (n - 1);
    } else {
        maxOverlap = TruncateToInteger(plan.ProjResH * 0.5);
    }
    if (static_cast<double>(maxOverlap) < plan.ProjOverlap) clampTo(static_cast<double>(maxOverlap));

    show.overlap = FormatG15(plan.ProjOverlap);
    show.overlapWidth = QString::number(TruncateToInteger(plan.ProjOverlap));
    plan.OverlapWidthMax = SaturateToInt(TruncateToInteger(plan.ProjResH * 0.5));
}

std::optional<ImagePositions> UpdateImagePositions(PlanState& plan, int n, int w, int alignment,
                                                   PlanShow& show)
{
    if (alignment < 0) return std::nullopt;
    n = std::clamp(n, 1, kMaxProjectors);
    const long long width = TruncateToInteger(plan.ProjResH);
    const long long total = TruncateToInteger(static_cast<double>(n - 1) * w);
    const long long offset = alignment == Centered ? total / 2 : 0;

    ImagePositions out;
    long long end = 0;
    for (int k = 1; k <= kMaxProjectors; ++k) {
        if (k > n) {
            out.start[k - 1] = out.end[k - 1] = QStringLiteral("N/A");
            continue;
        }
        const long long start = k == 1 ? offset : end - w;
        end = start + width;
        out.startValue[k - 1] = start;
        out.endValue[k - 1] = end;
        out.start[k - 1] = QString::number(start);
        out.end[k - 1] = QString::number(end);
    }
    plan.ImageSizeH = static_cast<double>(end - offset);
    show.imageSizeH = FormatG15(plan.ImageSizeH);
    return out;
}

}  // namespace kalvora
