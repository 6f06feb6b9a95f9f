#include "operations/position_window.h"

#include <algorithm>
#include <limits>

namespace kalvora {
namespace {

int32_t Saturate(int64_t v)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

PositionWindow PositionWindowOf(const InputChannelRecord& r)
{
    PositionWindow w;
    int64_t hMax = int64_t(r.HPositionNominal) + 128;
    const int64_t hLimit = r.HPositionLimit == -1 ? int64_t(r.HTotal) - r.HActive - 2 : int64_t(r.HPositionLimit);
    if (hLimit <= hMax) hMax = hLimit - 1;
    w.HPositionMax = Saturate(hMax);
    w.HPositionMin = Saturate(int64_t(r.HPositionNominal) - 128);

    int64_t vMax = int64_t(r.VPositionNominal) + 16;
    if (r.VPositionLimit != -1 && r.VPositionLimit <= vMax) vMax = int64_t(r.VPositionLimit) - 1;
    w.VPositionMax = Saturate(vMax);
    w.VPositionMin = Saturate(int64_t(r.VPositionNominal) - 16);
    return w;
}

QString HPositionOutOfBoundsMessage(const PositionWindow& w)
{
    if (w.HEmpty())
        return QStringLiteral("Error! H Position value out of bounds! The Tornel reports no valid H Position range for "
                              "this channel (lowest %1, highest %2): the H Position stays as read from the Tornel.")
            .arg(w.HPositionMin)
            .arg(w.HPositionMax);
    return QStringLiteral("Error! H Position value out of bounds! (%1 - %2)").arg(w.HPositionMin).arg(w.HPositionMax);
}

}  // namespace kalvora
