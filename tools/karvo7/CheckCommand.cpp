// karvo7 check N [CHECK...] [--ini FILE] [--json]: the station checks of the check program's
// "Check All" on one card, a line per check; exit 1 when one fails. Without CHECK the checks the
// parameter file selects (section "Check") run.
#include <cerrno>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>

#include "Ask.h"
#include "Commands.h"
#include "Tool.h"
#include "k7base/Descriptors.h"
#include "k7base/RegularFile.h"
#include "station/StationChecks.h"

namespace karvo7 {

std::string stationCheckWords() {
    std::string words;
    for (const k7check::StationCheck check : k7check::allStationChecks()) {
        words += (words.empty() ? "" : ", ");
        words += k7check::stationCheckWord(check);
    }
    return words;
}

int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    // The reference values first: checks against a file that cannot be read would fail for a
    // reason none of them names.
    if (!options.ini.empty()) {
        std::string text;
        if (!k7base::readRegularFile(options.ini, text)) {
            complain(err,
                     options.ini + ": " +
                         (errno == EINVAL ? std::string("not a regular file (a FIFO or a device)")
                                          : std::string(std::strerror(errno))));
            return kExitUsage;
        }
    }
    std::vector<k7check::StationCheck> checks;
    for (const std::string& word : options.checks) {
        const auto check = k7check::stationCheckOfWord(word);
        if (!check) {
            complain(err, "no check " + word + " (checks: " + stationCheckWords() + ")");
            return kExitUsage;
        }
        checks.push_back(*check);
    }
    if (checks.empty()) {
        checks = k7check::selectedStationChecks(options.ini);
    }
    int exitCode = kExitDone;
    CardHandle card = openCard(options.card, options.opened, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    k7check::LibraryClock clock;
    TerminalObserver observer(std::cin, err, k7base::isTerminal(k7base::kStandardInput));
    const k7check::StationSetup setup{options.ini, clock, observer};
    nlohmann::ordered_json results = nlohmann::ordered_json::array();
    bool passed = true;
    for (const k7check::StationCheck check : checks) {
        const k7check::Verdict verdict = k7check::runStationCheck(card.get(), check, setup);
        passed = passed && verdict.passed;
        if (options.json) {
            results.push_back({{"check", k7check::stationCheckWord(check)},
                               {"name", k7check::stationCheckName(check)},
                               {"passed", verdict.passed},
                               {"result", verdict.line}});
        } else {
            out << k7check::stationCheckWord(check) << ' ' << (verdict.passed ? "pass" : "FAIL")
                << ' ' << oneLine(verdict.line) << '\n';
        }
    }
    if (options.json) {
        out << results.dump() << '\n';
    }
    return passed ? kExitDone : kExitFailed;
}

}  // namespace karvo7
