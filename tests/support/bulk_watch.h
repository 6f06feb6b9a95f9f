#pragma once
// Follows a bulk send in a test: what each command's announcement and the stop question do is
// the test's to say; unset, the send runs to its end unwatched.

#include <functional>

#include "operations/bulk_send.h"

namespace kalvora::testing {

struct BulkWatch final : BulkObserver {
    std::function<void(const BulkProgress&)> progress;
    std::function<bool()> stop;
    void Progress(const BulkProgress& p) override
    {
        if (progress) progress(p);
    }
    bool ShouldStop() override { return stop && stop(); }
};

}  // namespace kalvora::testing
