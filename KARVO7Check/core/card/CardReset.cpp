#include "card/CardReset.h"

namespace k7check {

ResetOutcome resetAndWait(KARVO7HANDLE card, Desktop& desktop, uint32_t maxPolls) {
    KARVO7ResetCard(card);
    ResetOutcome outcome;
    while (KARVO7IsReseted(card) == 0) {
        ++outcome.polls;
        if (outcome.polls >= maxPolls) {
            outcome.kind = ResetOutcome::Kind::NeverReady;
            return outcome;
        }
        desktop.sleep(10);
    }
    outcome.kind = outcome.polls == 0 ? ResetOutcome::Kind::ReadyAtOnce : ResetOutcome::Kind::Ready;
    return outcome;
}

}  // namespace k7check
