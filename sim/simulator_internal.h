#pragma once
// Inside the simulator only: the controller's limits, its fixed answers and the address parsing
// that receiving, answering and sending share.

#include <QByteArray>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace kalvora::sim::detail {

using SteadyClock = std::chrono::steady_clock;

constexpr int kMaxLine = 250;     // longer lines are refused, not stored
constexpr qsizetype kMaxEchoBacklog = 64 * 1024;
// Lines waiting for their answer; more arriving meanwhile overflow the unit's input and are lost,
// so a flood of lines can neither grow the memory nor delay the next answer by more than these.
constexpr size_t kMaxWaitingRequests = 256;
constexpr int kPieceGapMs = 2;    // nominal gap between pieces of a reply delivered in parts
constexpr char kPrompt[] = "CTRLR>";
constexpr char kDirectPrompt[] = "\r\n#";

inline QByteArray ControllerPrompt() { return QByteArray(kPrompt); }
inline QByteArray Rejection() { return QByteArray("?\r\n") + kPrompt; }
inline QByteArray ErrorReply(char code) { return QByteArray("!ERR ") + code + "\r\n" + kPrompt; }

inline bool IsDigits(const QByteArray& s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "*<id>rest!" -> id and rest; false when the address is malformed.
inline bool SplitAddressed(const QByteArray& text, int& id, QByteArray& rest)
{
    if (text.size() < 3 || text.front() != '*' || text.back() != '!') return false;
    int k = 1;
    while (k < text.size() - 1 && text[k] >= '0' && text[k] <= '9') ++k;
    const QByteArray digits = text.mid(1, k - 1);
    if (!IsDigits(digits) || digits.size() > 2) return false;
    id = digits.toInt();
    if (id < 1 || id > 32) return false;
    rest = text.mid(k, text.size() - 1 - k);
    return true;
}

inline int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // lower case is not what the program sends
}

inline int RealMsUntil(SteadyClock::time_point t)
{
    const auto now = SteadyClock::now();
    if (t <= now) return 0;
    const double ms = std::chrono::duration<double, std::milli>(t - now).count();
    return static_cast<int>(std::ceil(ms)) + 1;  // +1: after anything due at exactly t
}

}  // namespace kalvora::sim::detail
