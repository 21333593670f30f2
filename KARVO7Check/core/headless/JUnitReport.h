// A JUnit XML report of a "Check All" run, as test-station and CI tools read it: one test suite
// per card, one test case per result line with card, check, test, verdict, text and duration.
// A test case is named by its check and test, never by what its line happens to say, so that a
// station's history follows each test from run to run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace k7check {

struct ReportLine {
    std::string text;         // the result line as listed
    uint32_t card = 0;        // card number the check ran on
    uint32_t durationMs = 0;  // time since the previous line (or the start of the run)
    std::string check = {};   // the check that wrote it ("Selbsttest"); empty = from the text
    std::string test = {};    // the test of that check ("DSP->PCI-FIFO"); empty = the check's
    // Whether the text is a line of the result list; a check that failed without one is
    // reported with the message it gave instead.
    bool listed = true;
    // Why the check could not end as it would have ("Abgebrochen (SIGTERM)"): the case is an
    // error, whatever its text says; empty for a case with a verdict.
    std::string error = {};
};

// A card the report has a suite for, with its PCI position when it could be read.
struct ReportCard {
    uint32_t number = 0;
    bool located = false;
    uint32_t bus = 0;
    uint32_t slot = 0;
};

// The check a line belongs to: its text up to the first ": " ("PCI Configuration"), or the
// whole line when it has none.
std::string checkNameOf(const std::string& line);
// A line passed when it carries the verdict "OK" as a word of its own.
bool linePassed(const std::string& line);

// A line that only heads the lines below it ("Selbsttest: ").
bool isHeading(const std::string& line);

// The report: a suite for each of `cards` in that order (a card without lines gets an empty
// suite; its properties give the card's number and PCI position), or, when `cards` is empty,
// for each card that has lines. Headings are no test cases.
// Within a suite the test case "Karte<n>.<check>" / <test> names a line of a check that
// writes one line per test; a check's single line is named after the check; further lines of
// a check without test names are named after their text up to ": ". A case passes, fails
// (<failure> with its text) or, with an error given, is an <error> with that message and the
// verdict "abgebrochen".
std::string junitReport(const std::vector<ReportLine>& lines,
                        const std::vector<ReportCard>& cards = {});

}  // namespace k7check
