// karvo7 selftest N [TEST...]: the card's self tests as the check program's "Selbsttest"
// window runs them, a line per test; exit 1 when one fails. The DAC ramps (test 9) need
// someone watching them: the test asks on the terminal and runs only when named.
#include <unistd.h>

#include <iostream>
#include <nlohmann/json.hpp>

#include "Ask.h"
#include "Commands.h"
#include "Tool.h"
#include "card/SelfTests.h"

namespace karvo7 {

namespace {}  // namespace

int runSelftest(const SelftestOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<uint32_t> tests = options.tests;
    for (uint32_t t : tests) {
        if (t >= k7check::kSelfTestCount) {
            complain(err, "no self test " + std::to_string(t) + " (tests 0 to " +
                              std::to_string(k7check::kSelfTestCount - 1) + ")");
            return kExitUsage;
        }
    }
    if (tests.empty()) {
        for (uint32_t t = 0; t < k7check::kSelfTestCount; ++t) {
            if (t != k7check::kObservedSelfTest) {
                tests.push_back(t);
            }
        }
    }
    int exitCode = kExitDone;
    CardHandle card = openCard(options.card, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    k7check::LibraryClock clock;
    TerminalObserver observer(std::cin, err, ::isatty(STDIN_FILENO) != 0);
    nlohmann::ordered_json results = nlohmann::ordered_json::array();
    bool passed = true;
    for (uint32_t t : tests) {
        const k7check::Verdict result = k7check::runSelfTest(card.get(), t, clock, observer);
        const bool ok = result.passed;
        const std::string& line = result.line;
        passed = passed && ok;
        if (options.json) {
            results.push_back({{"test", t},
                               {"name", k7check::selfTestName(t)},
                               {"passed", ok},
                               {"result", line}});
        } else {
            out << t << ' ' << (ok ? "pass" : "FAIL") << ' ' << oneLine(line) << '\n';
        }
    }
    if (options.json) {
        out << results.dump() << '\n';
    }
    return passed ? kExitDone : kExitFailed;
}

}  // namespace karvo7
