#include "JUnitReport.h"

#include <cstdio>

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

std::string junitReport(const std::vector<ReportLine>& all) {
    // A heading ("Selbsttest: ") only introduces the verdict lines below it.
    std::vector<ReportLine> lines;
    for (const ReportLine& line : all) {
        if (!isHeading(line.text)) {
            lines.push_back(line);
        }
    }
    size_t failures = 0;
    uint32_t total = 0;
    for (const ReportLine& line : lines) {
        failures += linePassed(line.text) ? 0 : 1;
        total += line.durationMs;
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<testsuites>\n";
    xml += "  <testsuite name=\"KARVO7Check\" tests=\"" + std::to_string(lines.size()) +
           "\" failures=\"" + std::to_string(failures) + "\" errors=\"0\" time=\"" +
           seconds(total) + "\">\n";
    for (const ReportLine& line : lines) {
        const std::string check = checkNameOf(line.text);
        xml += "    <testcase classname=\"Karte" + std::to_string(line.card) + "\" name=\"" +
               escaped(check) + "\" time=\"" + seconds(line.durationMs) + "\">\n";
        xml += "      <properties>\n";
        xml += "        <property name=\"card\" value=\"" + std::to_string(line.card) + "\"/>\n";
        xml += "        <property name=\"check\" value=\"" + escaped(check) + "\"/>\n";
        xml += "        <property name=\"verdict\" value=\"" +
               std::string(linePassed(line.text) ? "OK" : "Fehler") + "\"/>\n";
        xml += "      </properties>\n";
        if (!linePassed(line.text)) {
            xml += "      <failure message=\"" + escaped(line.text) + "\"/>\n";
        }
        xml += "      <system-out>" + escaped(line.text) + "</system-out>\n";
        xml += "    </testcase>\n";
    }
    xml += "  </testsuite>\n</testsuites>\n";
    return xml;
}

}  // namespace k7check
