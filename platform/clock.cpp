#include "platform/clock.h"

#include <algorithm>
#include <cmath>

namespace kalvora::clock {
namespace {
double g_scale = 1.0;
}

void setScale(double scale) { g_scale = std::clamp(scale, 0.0, 1000.0); }
double scale() { return g_scale; }

int scaled(int nominalMs)
{
    if (nominalMs <= 0) return 0;
    const double ms = std::ceil(nominalMs * g_scale);
    return static_cast<int>(std::clamp(ms, 0.0, 2.0e9));
}

}  // namespace kalvora::clock
