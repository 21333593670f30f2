#include "headless/JUnitReport.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

namespace k7check {

namespace {

std::string escaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                // Control characters are not allowed in XML 1.0 text.
                out += static_cast<unsigned char>(c) < 0x20 && c != '\t' ? ' ' : c;
                break;
        }
    }
    return out;
}

std::string seconds(uint32_t milliseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%03u", milliseconds / 1000u, milliseconds % 1000u);
    return text;
}

std::string withoutIndent(const std::string& text) {
    const size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : text.substr(start);
}

std::string suiteName(uint32_t card) {
    return "Karte" + std::to_string(card);
}

struct TestCase {
    const ReportLine* line;
    std::string check;
    std::string name;
};

// Names every case: by its test; a check's only line by the check; further lines of a check by
// their text up to ": ". A name that repeats within a check gets " #2", " #3" ...
void nameCases(std::vector<TestCase>& cases) {
    std::map<std::pair<uint32_t, std::string>, int> linesOfCheck;
    for (const TestCase& c : cases) {
        ++linesOfCheck[{c.line->card, c.check}];
    }
    std::map<std::pair<uint32_t, std::string>, int> seen;
    for (TestCase& c : cases) {
        if (!c.line->test.empty()) {
            c.name = c.line->test;
        } else if (linesOfCheck[{c.line->card, c.check}] == 1) {
            c.name = c.check;
        } else {
            c.name = checkNameOf(withoutIndent(c.line->text));
        }
        const int count = ++seen[{c.line->card, c.check + '\n' + c.name}];
        if (count > 1) {
            c.name += " #" + std::to_string(count);
        }
    }
}

std::string testCase(const TestCase& c) {
    const ReportLine& line = *c.line;
    const bool errored = !line.error.empty();
    const bool passed = !errored && linePassed(line.text);
    std::string xml = "    <testcase classname=\"" + escaped(suiteName(line.card) + "." + c.check) +
                      "\" name=\"" + escaped(c.name) + "\" time=\"" + seconds(line.durationMs) +
                      "\">\n";
    xml += "      <properties>\n";
    xml += "        <property name=\"card\" value=\"" + std::to_string(line.card) + "\"/>\n";
    xml += "        <property name=\"check\" value=\"" + escaped(c.check) + "\"/>\n";
    if (!line.test.empty()) {
        xml += "        <property name=\"test\" value=\"" + escaped(line.test) + "\"/>\n";
    }
    const char* verdict = errored ? "abgebrochen" : passed ? "OK" : "Fehler";
    xml += "        <property name=\"verdict\" value=\"" + std::string(verdict) + "\"/>\n";
    xml += "      </properties>\n";
    if (errored) {
        xml += "      <error message=\"" + escaped(line.error) + "\"/>\n";
    } else if (!passed) {
        xml += "      <failure message=\"" + escaped(line.text) + "\"/>\n";
    }
    if (line.listed) {
        xml += "      <system-out>" + escaped(line.text) + "</system-out>\n";
    }
    xml += "    </testcase>\n";
    return xml;
}

std::string suite(const ReportCard& card, const std::vector<TestCase>& cases) {
    size_t tests = 0;
    size_t failures = 0;
    size_t errors = 0;
    uint32_t total = 0;
    std::string body;
    for (const TestCase& c : cases) {
        if (c.line->card != card.number) {
            continue;
        }
        ++tests;
        const bool errored = !c.line->error.empty();
        errors += errored ? 1 : 0;
        failures += errored || linePassed(c.line->text) ? 0 : 1;
        total += c.line->durationMs;
        body += testCase(c);
    }
    std::string xml = "  <testsuite name=\"" + suiteName(card.number) + "\" tests=\"" +
                      std::to_string(tests) + "\" failures=\"" + std::to_string(failures) +
                      "\" errors=\"" + std::to_string(errors) + "\" time=\"" + seconds(total) +
                      "\">\n";
    xml += "    <properties>\n";
    xml += "      <property name=\"card\" value=\"" + std::to_string(card.number) + "\"/>\n";
    if (card.located) {
        xml += "      <property name=\"bus\" value=\"" + std::to_string(card.bus) + "\"/>\n";
        xml += "      <property name=\"slot\" value=\"" + std::to_string(card.slot) + "\"/>\n";
    }
    xml += "    </properties>\n";
    return xml + body + "  </testsuite>\n";
}

}  // namespace

std::string checkNameOf(const std::string& line) {
    const size_t colon = line.find(": ");
    return colon == std::string::npos ? line : line.substr(0, colon);
}

bool linePassed(const std::string& line) {
    // The verdict "OK" as a word of its own: at the end ("Kennung: OK") or followed by a remark
    // ("DSP-Programm: Karte 1 OK (Reset nach 50 ms)").
    for (size_t at = line.find("OK"); at != std::string::npos; at = line.find("OK", at + 2)) {
        const bool wordStart = at == 0 || line[at - 1] == ' ';
        const bool wordEnd = at + 2 == line.size() || line[at + 2] == ' ';
        if (wordStart && wordEnd) {
            return true;
        }
    }
    return false;
}

bool isHeading(const std::string& line) {
    const size_t end = line.find_last_not_of(' ');
    return end != std::string::npos && line[end] == ':';
}

std::string junitReport(const std::vector<ReportLine>& all, const std::vector<ReportCard>& cards) {
    std::vector<TestCase> cases;
    for (const ReportLine& line : all) {
        if (!isHeading(line.text)) {
            const std::string text = withoutIndent(line.text);
            cases.push_back({&line, line.check.empty() ? checkNameOf(text) : line.check, ""});
        }
    }
    nameCases(cases);

    std::vector<ReportCard> suites = cards;
    if (suites.empty()) {
        for (const TestCase& c : cases) {
            if (std::none_of(suites.begin(), suites.end(),
                             [&](const ReportCard& card) { return card.number == c.line->card; })) {
                suites.push_back({c.line->card});
            }
        }
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
    for (const ReportCard& card : suites) {
        xml += suite(card, cases);
    }
    xml += "</testsuites>\n";
    return xml;
}

}  // namespace k7check
