// The check program without a window, for production test stations: starts the session on the
// configured cards and parameter file, runs exactly what "Check All" runs in the window (with
// the same effects; questions answered No), prints every result line to `out` and every
// message box to `err`, optionally writes a JUnit XML report, and closes the cards.
#pragma once

#include <iosfwd>
#include <string>

#include "CheckButtons.h"

namespace k7check {

// Exit codes of the headless run.
constexpr int kHeadlessPassed = 0;
constexpr int kHeadlessCheckFailed = 1;  // a check failed, or a card failed at start-up
constexpr int kHeadlessNoCards = 2;
constexpr int kHeadlessNothingChecked = 3;  // no automatic box set, or none available

struct HeadlessOptions {
    // The program's full path (it names the parameter file); empty = the running executable.
    std::string executablePath;
    // Where the JUnit XML report goes; empty = no report.
    std::string reportFile;
    // The program's windows; tests hand in their own.
    const CheckRegistry* registry = nullptr;
};

int runHeadlessCheckAll(const HeadlessOptions& options, std::ostream& out, std::ostream& err);

}  // namespace k7check
