// The check program without a window, for production test stations: starts the main window's
// logic on the configured cards and parameter file, runs "Check All", prints every result line
// to `out` and every message box to `err`, and closes the cards.
#pragma once

#include <iosfwd>
#include <string>

namespace k7check {

// Exit codes of the headless run.
constexpr int kHeadlessPassed = 0;
constexpr int kHeadlessCheckFailed = 1;
constexpr int kHeadlessNoCards = 2;

// `executablePath` is the program's full path (it names the parameter file); empty = the
// running executable as the operating system reports it.
int runHeadlessCheckAll(const std::string& executablePath, std::ostream& out, std::ostream& err);

}  // namespace k7check
