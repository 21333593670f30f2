#include "headless/HeadlessArguments.h"

#include "card/ParameterSet.h"

namespace k7check {

namespace {

// A card number 1..kMaxCards written in decimal digits only; 0 when it is none.
uint32_t cardNumber(const std::string& text) {
    if (text.empty() || text.size() > 2) {
        return 0;
    }
    uint32_t number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return 0;
        }
        number = number * 10 + static_cast<uint32_t>(c - '0');
    }
    return number <= kMaxCards ? number : 0;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool stationOption = false;
    for (size_t i = 0; i < arguments.size() && line.error.empty(); ++i) {
        const std::string& argument = arguments[i];
        const bool takesValue =
            argument == "--card" || argument == "--ini" || argument == "--report";
        if (takesValue && i + 1 == arguments.size()) {
            line.error = argument + " ohne Wert";
            break;
        }
        if (argument == "--check-all") {
            line.checkAll = true;
        } else if (argument == "--all-cards") {
            line.options.allCards = true;
            stationOption = true;
        } else if (argument == "--card") {
            const std::string& value = arguments[++i];
            line.options.card = cardNumber(value);
            if (line.options.card == 0) {
                line.error = "Ungültige Kartennummer " + value + " (1 bis " +
                             std::to_string(kMaxCards) + ")";
            }
            stationOption = true;
        } else if (argument == "--ini") {
            line.options.parameterFile = arguments[++i];
            stationOption = true;
        } else if (argument == "--report") {
            line.options.reportFile = arguments[++i];
            stationOption = true;
        } else {
            line.error = "Unbekanntes Argument " + argument;
        }
    }
    if (line.error.empty() && line.options.allCards && line.options.card != 0) {
        line.error = "--card und --all-cards schließen einander aus";
    }
    if (line.error.empty() && stationOption && !line.checkAll) {
        line.error = "--card, --all-cards, --ini und --report gelten nur mit --check-all";
    }
    return line;
}

}  // namespace k7check
