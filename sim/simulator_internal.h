#pragma once
// Inside the simulator only: the controller's limits and the prompts that receiving, answering
// and sending share.

#include <QByteArray>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "link/frame.h"

namespace kalvora::sim::detail {

using SteadyClock = std::chrono::steady_clock;

constexpr int kMaxLine = 250;     // longer lines are refused, not stored
constexpr qsizetype kMaxEchoBacklog = 64 * 1024;
// Lines waiting for their answer; more arriving meanwhile overflow the unit's input and are lost,
// so a flood of lines can neither grow the memory nor delay the next answer by more than these.
constexpr size_t kMaxWaitingRequests = 256;
constexpr int kPieceGapMs = 2;    // nominal gap between pieces of a reply delivered in parts
// A direct unit's prompt; the controller's answers come from link/frame.h.
inline const QByteArray kDirectPrompt = kDirectReplyEnd.toByteArray();

inline QByteArray ControllerPrompt() { return kControllerPrompt.toByteArray(); }

inline int RealMsUntil(SteadyClock::time_point t)
{
    const auto now = SteadyClock::now();
    if (t <= now) return 0;
    const double ms = std::chrono::duration<double, std::milli>(t - now).count();
    return static_cast<int>(std::ceil(ms)) + 1;  // +1: after anything due at exactly t
}

}  // namespace kalvora::sim::detail
