#include "settings/position_limits.h"

#include <cstdint>

namespace kalvora {

PositionLimits SourcePositionLimits(const InputChannelRecord& r)
{
    // Computed in 64 bits: the record's fields come from a unit or a file and may be anything.
    auto clampInt = [](long long v) {
        return static_cast<int>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
    };
    PositionLimits p;
    long long hMax = (long long)r.HPositionNominal + 128;
    const long long limit =
        r.HPositionLimit == -1 ? (long long)r.HTotal - r.HActive - 2 : (long long)r.HPositionLimit;
    if (limit <= hMax) hMax = limit - 1;
    p.hMax = clampInt(hMax);
    p.hMin = clampInt((long long)r.HPositionNominal - 128);
    long long vMax = (long long)r.VPositionNominal + 16;
    if (r.VPositionLimit != -1 && r.VPositionLimit <= vMax) vMax = (long long)r.VPositionLimit - 1;
    p.vMax = clampInt(vMax);
    p.vMin = clampInt((long long)r.VPositionNominal - 16);
    return p;
}

}  // namespace kalvora
