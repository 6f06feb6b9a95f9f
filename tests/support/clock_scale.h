#pragma once
#include "platform/clock.h"

namespace kalvora::testing {

// Sets the clock's scale for the lifetime of a test and restores it afterwards.
class ClockScale {
public:
    explicit ClockScale(double scale) : saved_(clock::scale()) { clock::setScale(scale); }
    ~ClockScale() { clock::setScale(saved_); }
    ClockScale(const ClockScale&) = delete;
    ClockScale& operator=(const ClockScale&) = delete;

private:
    double saved_;
};

}  // namespace kalvora::testing
