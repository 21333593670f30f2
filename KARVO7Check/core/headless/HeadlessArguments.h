// The program's command line: no arguments for the window, or "--check-all" with the options of
// a production test station.
#pragma once

#include <string>
#include <vector>

#include "headless/HeadlessCheckAll.h"

namespace k7check {

struct CommandLine {
    bool checkAll = false;    // run "Check All" without a window
    HeadlessOptions options;  // its options
    std::string error;        // why the arguments were refused; empty when they were not
};

inline constexpr const char* kUsage =
    "Aufruf: KARVO7Check [--check-all [--card N | --all-cards] [--ini DATEI] [--report DATEI]]";

// `arguments` without the program's name.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

}  // namespace k7check
