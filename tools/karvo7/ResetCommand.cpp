// karvo7 reset N: the card's hardware reset as the check program runs it, then its warm-up.
#include <iostream>

#include "Commands.h"
#include "Tool.h"
#include "card/CardReset.h"

namespace karvo7 {

namespace {

// Polls of 10 ms the card gets for its reset: one second.
constexpr uint32_t kResetPolls = 100;

}  // namespace

std::string readinessFailure(const k7check::ResetWarmUpOutcome& outcome, uint32_t polls) {
    switch (outcome.reset.kind) {
        case k7check::ResetOutcome::Kind::ReadyAtOnce:
            return "the card reported the end of its reset at once: it did not reset";
        case k7check::ResetOutcome::Kind::NeverReady:
            return "the card did not finish its reset within " + std::to_string(polls * 10) + " ms";
        case k7check::ResetOutcome::Kind::Ready:
            break;
    }
    return outcome.warmedUp ? ""
                            : "warm-up after the reset failed, error " + errorWord(outcome.error);
}

int runReset(const CardOptions& options, std::ostream& out, std::ostream& err) {
    int exitCode = kExitDone;
    CardHandle card = openCard(options.card, options.opened, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    k7check::LibraryClock clock;
    const k7check::ResetWarmUpOutcome outcome =
        k7check::resetAndWarmUp(card.get(), clock, kResetPolls);
    if (!outcome.ok()) {
        complain(err, "card " + std::to_string(options.card) + ": " +
                          readinessFailure(outcome, kResetPolls));
        return kExitFailed;
    }
    const uint32_t ms = outcome.reset.polls * 10;
    if (options.json) {
        out << "{\"card\":" << options.card << ",\"reset_ms\":" << ms << "}\n";
    } else {
        out << "card " << options.card << " reset after " << ms << " ms\n";
    }
    return kExitDone;
}

}  // namespace karvo7
