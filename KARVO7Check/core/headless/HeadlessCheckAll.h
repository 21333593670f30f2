// The check program without a window, for production test stations: starts the session on the
// cards and the parameter file, runs exactly what "Check All" runs in the window (with the
// same effects; questions answered No) on one card or on every card in turn, prints every
// result line to `out` and every message box to `err`, optionally writes a JUnit XML report
// with one test suite per card, and closes the cards. SIGINT and SIGTERM stop it between two
// checks (StationSignals).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "app/CheckButtons.h"

namespace k7check {

// Exit codes of the headless run, the first that applies in this order:
constexpr int kHeadlessBadArguments = 64;  // unknown card, missing parameter file, bad option
constexpr int kHeadlessNoCards = 2;        // no card opened and none is missing
// Stopped by a signal: 128 + its number (130 SIGINT, 143 SIGTERM). The check in progress ended
// (a write to the card finished), no further check started; lines and report are written, the
// interrupted check an error in the report.
constexpr int kHeadlessInterrupted = 128;
// A card to check that the channel table expects did not open (in use, not found, failing): a
// failing case "Karte" of its own; the other cards are checked under their own numbers.
constexpr int kHeadlessCardNotChecked = 4;
constexpr int kHeadlessNothingChecked = 3;  // no automatic box set, or none available
constexpr int kHeadlessCheckFailed = 1;  // a check of a card failed, or a card failed at start-up;
                                         // also a report that could not be written
constexpr int kHeadlessPassed = 0;
// Anything the run did not foresee (no memory left): a message, the cards closed, no report.
constexpr int kHeadlessInternalError = 70;

struct HeadlessOptions {
    // The program's full path (it names the parameter file); empty = the running executable.
    std::string executablePath;
    // Where the JUnit XML report goes; empty = no report.
    std::string reportFile;
    // The program's windows; tests hand in their own.
    const CheckRegistry* registry = nullptr;
    // The parameter file to use instead of the one beside the program; empty = that one.
    std::string parameterFile = {};
    // The card to check (1..number of cards); 0 = the card the parameter file selects.
    uint32_t card = 0;
    // Every card in turn, each with its own parameter sets.
    bool allCards = false;
};

int runHeadlessCheckAll(const HeadlessOptions& options, std::ostream& out, std::ostream& err);

}  // namespace k7check
