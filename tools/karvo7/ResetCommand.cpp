// karvo7 reset N: the card's hardware reset as the check program runs it, then its warm-up.
#include <iostream>

#include "CardReset.h"
#include "Commands.h"
#include "ResetSteps.h"
#include "TerminalDesktop.h"
#include "Tool.h"

namespace karvo7 {

bool resetAndWarmUp(KARVO7HANDLE card, k7check::Desktop& desktop, std::string& failure,
                    uint32_t& milliseconds) {
    const k7check::ResetOutcome reset = k7check::resetAndWait(card, desktop, kResetPolls);
    milliseconds = reset.polls * 10;
    switch (reset.kind) {
        case k7check::ResetOutcome::Kind::ReadyAtOnce:
            failure = "the card reported the end of its reset at once: it did not reset";
            return false;
        case k7check::ResetOutcome::Kind::NeverReady:
            failure = "the card did not finish its reset within " +
                      std::to_string(kResetPolls * 10) + " ms";
            return false;
        case k7check::ResetOutcome::Kind::Ready:
            break;
    }
    uint32_t error = 0;
    if (KARVO7WarmUp(card, &error) == 0) {
        failure = "warm-up after the reset failed, error " + hexWord(error);
        return false;
    }
    return true;
}

int runReset(const CardOptions& options, std::ostream& out, std::ostream& err) {
    int exitCode = kExitDone;
    CardHandle card = openCard(options.card, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    TerminalDesktop desktop(std::cin, err, false);
    std::string failure;
    uint32_t ms = 0;
    if (!resetAndWarmUp(card.get(), desktop, failure, ms)) {
        complain(err, "card " + std::to_string(options.card) + ": " + failure);
        return kExitFailed;
    }
    if (options.json) {
        out << "{\"card\":" << options.card << ",\"reset_ms\":" << ms << "}\n";
    } else {
        out << "card " << options.card << " reset after " << ms << " ms\n";
    }
    return kExitDone;
}

}  // namespace karvo7
