// The command line of karvo7: the subcommands, their options and help, parsed with CLI11.
#pragma once

#include <ostream>

namespace karvo7 {

// Runs the program with its arguments: data on `out`, messages on `err`; `outFd` is the
// descriptor behind `out` (the stream writes to it directly). Returns the exit code; nothing
// escapes as an exception (running out of memory is exit code 1 with a message).
int runCommandLine(int argc, const char* const* argv, std::ostream& out, int outFd,
                   std::ostream& err);

}  // namespace karvo7
