#pragma once
// The window of positions the source page accepts for one input channel, from its record.

#include "settings/records.h"

namespace kalvora {

struct PositionLimits {
    int hMin = 0, hMax = 0, vMin = 0, vMax = 0;
};

// Horizontal: nominal ± 128, kept below the unit's limit (or, when the unit gives none, below
// the blanking: total − active − 2). Vertical: nominal ± 16, kept below the unit's limit when
// it gives one.
PositionLimits SourcePositionLimits(const InputChannelRecord& r);

}  // namespace kalvora
