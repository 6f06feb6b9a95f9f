#pragma once
// Bringing the plan in line with what the units report (after a read or a file load): the
// wall-wide values of unit 1's first output record and the input and output sizes.

#include "planning/plan_state.h"

namespace kalvora {

struct UnitPlan {
    int totalProjectors = 0;  // the count the units were told (record field TotalProjectors)
    int overlapWidth = 0;     // record field OverlapWidth
    int inputWidth = 0;       // InputImageWidth()
    int inputHeight = 0;      // InputImageHeight()
    int outputWidth = 0;      // OutputWidth
    int outputHeight = 0;     // OutputHeight
};

// n is the working count after the page selected the units' count. Sets the image width from
// the input width and the overlap, the aspect ratio and horizontal size from it (a vertical
// size of 10), the planned overlap, the projector resolution from the output format.
// An input height of 0 leaves the aspect ratio and the horizontal size as they were.
void SyncPlanFromUnit(PlanState& plan, int n, const UnitPlan& unit, PlanShow& show);

// Index of the projector list entry with this width; -1 when the list has none.
int ResolutionIndexForWidth(double width);

}  // namespace kalvora
