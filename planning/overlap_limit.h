#pragma once
// The one rule for the largest overlap width the program sends (DISP) and the overlap width
// field accepts, shared by the window and the command-line tool so that both refuse the same
// values for the same records.

#include "planning/plan_state.h"
#include "settings/records.h"

namespace kalvora {

// Half the width of one projector. Once the units' settings are known (read from them or
// loaded from a file), the output format of unit 1 gives that width, as the units drive their
// projectors with it; a format the units do not have leaves OutputWidth. Before that the
// planned projector resolution does (the plan's OverlapWidthMax).
int OverlapWidthMax(const Settings& settings, const PlanState& plan);

// The same rule for records that are known: a configuration file, or what the units reported.
int OverlapWidthMaxOfRecords(const Settings& settings);

}  // namespace kalvora
