#pragma once
// The differences between what a send of a configuration file would carry and what the units
// hold, as text lines or as JSON.

#include <string>
#include <vector>

#include "operations/bulk_send.h"

namespace kalvora::cli {

// "unit 2 screen 6: BlackLevel file 30 units 20", one line per value; wall numbers (unit 2
// holds screens and channels 5..8). A value the file cannot send: "file nan (cannot be sent)".
std::string DiffText(const std::vector<CarriedDifference>& diffs);
// {"equal":false,"differences":[{"unit":2,"screen":6,"field":"BlackLevel","command":"BLKGN screen 6",
// "file":30,"units":20},..]}; a value that cannot be sent is null.
std::string DiffJson(const std::vector<CarriedDifference>& diffs);

}  // namespace kalvora::cli
