// karvo7 selftest N [TEST...]: the card's self tests as the check program's "Selbsttest"
// window runs them, a line per test; exit 1 when one fails. The DAC ramps (test 9) need
// someone watching them: the test asks on the terminal and runs only when named; without a
// terminal to ask on it is skipped, and a run in which no test ran is no pass.
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>

#include "Ask.h"
#include "Commands.h"
#include "Tool.h"
#include "card/SelfTests.h"
#include "k7base/Descriptors.h"

namespace karvo7 {

namespace {

constexpr const char* kNobodyWatching = "the DAC ramps need someone watching at a terminal";

}  // namespace

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
    CardHandle card = openCard(options.card, options.opened, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    k7check::LibraryClock clock;
    const bool canAsk = k7base::isTerminal(k7base::kStandardInput);
    TerminalObserver observer(std::cin, err, canAsk);
    nlohmann::ordered_json results = nlohmann::ordered_json::array();
    bool passed = true;
    bool ran = false;
    for (uint32_t t : tests) {
        // A test not run has no verdict: "passed" is null in JSON, "skipped" in the text.
        std::optional<bool> ok;
        std::string line = kNobodyWatching;
        if (t != k7check::kObservedSelfTest || canAsk) {
            const k7check::Verdict result = k7check::runSelfTest(card.get(), t, clock, observer);
            ok = result.passed;
            line = result.line;
            ran = true;
            passed = passed && result.passed;
        }
        if (options.json) {
            results.push_back({{"test", t},
                               {"name", k7check::selfTestName(t)},
                               {"passed", ok ? nlohmann::ordered_json(*ok) : nullptr},
                               {"skipped", !ok},
                               {"result", line}});
        } else {
            out << t << ' '
                << (!ok   ? "skipped"
                    : *ok ? "pass"
                          : "FAIL")
                << ' ' << oneLine(line) << '\n';
        }
    }
    if (options.json) {
        out << results.dump() << '\n';
    }
    if (!ran) {
        complain(err, "no self test ran");
        return kExitFailed;
    }
    return passed ? kExitDone : kExitFailed;
}

}  // namespace karvo7
