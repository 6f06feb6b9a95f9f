#pragma once
// The one convention every handler follows:
// - an operation on the units runs only when no other is running (EditorBusy), and clears the
//   flag on every way out, exceptions included;
// - values written into controls from the records are written with FormFilling set, so that the
//   control handlers they trigger send nothing;
// - commands go out only while the link is established and no fill is running.

#include "settings/main_flags.h"

namespace kalvora {

class EditorBusyGuard {
public:
    explicit EditorBusyGuard(MainFlags& flags) : flags_(flags), acquired_(!flags.EditorBusy)
    {
        if (acquired_) flags_.EditorBusy = true;
    }
    ~EditorBusyGuard()
    {
        if (acquired_) flags_.EditorBusy = false;
    }
    EditorBusyGuard(const EditorBusyGuard&) = delete;
    EditorBusyGuard& operator=(const EditorBusyGuard&) = delete;

    // False when another operation holds the flag: the handler returns at once.
    explicit operator bool() const { return acquired_; }

private:
    MainFlags& flags_;
    bool acquired_;
};

// Runs op under EditorBusy; returns false (without running it) when another operation is running.
template <typename Op>
bool RunExclusive(MainFlags& flags, Op&& op)
{
    EditorBusyGuard guard(flags);
    if (!guard) return false;
    op();
    return true;
}

// Sets FormFilling around writing controls from the records.
class FillingGuard : public FlagGuard {
public:
    explicit FillingGuard(MainFlags& flags) : FlagGuard(flags.FormFilling, true) {}
};

inline bool MaySend(const MainFlags& flags, bool linkEstablished) { return linkEstablished && !flags.FormFilling; }

}  // namespace kalvora
