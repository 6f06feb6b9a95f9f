#pragma once
// The differences between a configuration file and the units, as text lines or as JSON.

#include <string>
#include <vector>

#include "settings/settings_diff.h"

namespace kalvora::cli {

// "unit 2 screen 6: BlackLevel file 30 units 20", one line per difference; wall numbers
// (unit 2 holds screens and channels 5..8).
std::string DiffText(const std::vector<FieldDifference>& diffs, const Settings& file, const Settings& units);
// {"equal":false,"differences":[{"unit":2,"screen":6,"field":"BlackLevel","file":30,"units":20},..]}
std::string DiffJson(const std::vector<FieldDifference>& diffs, const Settings& file, const Settings& units);

}  // namespace kalvora::cli
