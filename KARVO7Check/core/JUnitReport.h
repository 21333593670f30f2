// A JUnit XML report of a "Check All" run, as test-station and CI tools read it: one test case
// per result line, with card, check, verdict, text and duration.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace k7check {

struct ReportLine {
    std::string text;         // the result line as listed
    uint32_t card = 0;        // card number the check ran on
    uint32_t durationMs = 0;  // time since the previous line (or the start of the run)
};

// The check a line belongs to: its text up to the first ": " ("PCI Configuration"), or the
// whole line when it has none.
std::string checkNameOf(const std::string& line);
// A line passed when it carries the verdict "OK" as a word of its own.
bool linePassed(const std::string& line);

// A line that only heads the lines below it ("Selbsttest: ").
bool isHeading(const std::string& line);

// The report; headings are no test cases.
std::string junitReport(const std::vector<ReportLine>& lines);

}  // namespace k7check
