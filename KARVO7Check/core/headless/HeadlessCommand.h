// What the program does with its command line before any window: a refused command line is
// named with the usage on standard error, and "--check-all" runs the unattended "Check All" with
// the result lines alone on standard output (the library's lines go to standard error).
#pragma once

#include <optional>

#include "headless/HeadlessArguments.h"

namespace k7check {

// The program's exit code when the command line is handled without a window; nothing when the
// window is to open.
std::optional<int> runWithoutWindow(const CommandLine& line);

}  // namespace k7check
