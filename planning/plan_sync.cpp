#include "planning/plan_sync.h"

#include <algorithm>
#include <cmath>

#include "settings/number_format.h"

namespace kalvora {

void SyncPlanFromUnit(PlanState& plan, int n, const UnitPlan& unit, PlanShow& show)
{
    n = std::clamp(n, 1, kMaxProjectors);
    const double w = unit.inputWidth;
    plan.ImageSizeH = n * w - (n - 1) * static_cast<double>(unit.overlapWidth);
    if (unit.inputHeight != 0) {
        plan.AspectRatio = plan.ImageSizeH / unit.inputHeight;
        plan.OutSizeH = plan.AspectRatio * 10;
        show.aspectRatio = FormatG3(plan.AspectRatio);
        show.horizontalSize = FormatG5(plan.OutSizeH);
    }
    plan.ProjOverlap = n > 1 ? std::ceil((n * w - plan.ImageSizeH) / (n - 1)) : 0;
    plan.ProjResH = unit.outputWidth;
    plan.ProjResV = unit.outputHeight;
    plan.ImageSizeV = plan.ProjResV;
    show.imageSizeV = FormatG15(plan.ImageSizeV);
}

int ResolutionIndexForWidth(double width)
{
    for (int i = 0; i < static_cast<int>(kProjectorResolutions.size()); ++i)
        if (kProjectorResolutions[i].width == width) return i;
    return -1;
}

}  // namespace kalvora
