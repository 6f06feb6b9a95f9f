#pragma once
// Where two sets of records disagree on the settings a bulk send carries: per unit, input
// channel and output screen, each field whose stored value differs. Values the units measure
// (video present, line totals, formats) are not settings and are not compared; the unit-wide
// values are compared in record 1, where the program keeps them.

#include <string>
#include <vector>

#include "settings/records.h"

namespace kalvora {

struct FieldDifference {
    int unit = 0;        // 1 or 2
    bool input = false;  // an input channel (else an output screen)
    int index = 0;       // 1..4 within the unit
    const FieldDesc* field = nullptr;
    int element = 0;     // 0..7 for SeamGain, else 0
};

// Units 1..unitCount.
std::vector<FieldDifference> CompareSettings(const Settings& a, const Settings& b, int unitCount);

}  // namespace kalvora
