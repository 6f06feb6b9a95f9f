#pragma once
// kalvora-cli show FILE.tnc [--json]: every field of a configuration file, without a device.

#include "cli/command_line.h"

namespace kalvora::cli {

class TerminalOperator;

int Show(const CliOptions& o, TerminalOperator& op);

}  // namespace kalvora::cli
