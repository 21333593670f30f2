// The JUnit report of the unattended "Check All": what the run did on its cards (StationOutcome)
// and the result list's lines with their origins, as one test case per line, a failing case for
// each missing card and for each check refused without a line, and the check a signal
// interrupted as an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Session.h"
#include "desktop/scripted/WindowlessDesktop.h"
#include "headless/JUnitReport.h"

namespace k7check {

// What the run did on its cards.
struct StationOutcome {
    int ran = 0;
    bool passed = true;
    uint32_t missing = 0;           // cards of the channel table that did not open
    std::vector<uint32_t> reached;  // the cards the report has a suite for
    std::vector<ReportLine> extra;  // cases that are no line of the result list
    uint32_t interruptedCard = 0;   // the card being checked when a signal came; 0 = none
    std::string interruptedCheck;   // the check then running ("Check All" between checks)
};

// A check that failed without a result line ("Keine KARVO7F!"): its text is the last message
// given since `firstMessage` (the card's run of "Check All").
ReportLine failedWithoutLine(const WindowlessDesktop& desktop, size_t firstMessage, uint32_t card,
                             const std::string& check);
// A missing card's case "Karte", with the text missingCardText gives it.
ReportLine missingCardLine(const MissingCard& card);

// The report: every line of the result list since the desktop's tick `startTick`, the outcome's
// extra cases, one suite per card reached (a missing card at its channel's position) and, after
// `signal`, the interrupted check an error.
std::string stationReport(Session& session, uint32_t startTick, const StationOutcome& outcome,
                          int signal);

}  // namespace k7check
