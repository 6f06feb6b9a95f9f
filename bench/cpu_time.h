#pragma once
// CPU time of this process, all threads, to the nanosecond (getrusage counts in scheduler ticks,
// too coarse for the tenth of a second a whole bulk send takes).

#include <ctime>

namespace kalvora {

inline double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

}  // namespace kalvora
