#include "card/CardReset.h"

#include "Format.h"

namespace k7check {

ResetOutcome resetAndWait(KARVO7HANDLE card, Clock& clock, uint32_t maxPolls) {
    KARVO7ResetCard(card);
    ResetOutcome outcome;
    while (KARVO7IsReseted(card) == 0) {
        ++outcome.polls;
        if (outcome.polls >= maxPolls) {
            outcome.kind = ResetOutcome::Kind::NeverReady;
            return outcome;
        }
        clock.sleep(10);
    }
    outcome.kind = outcome.polls == 0 ? ResetOutcome::Kind::ReadyAtOnce : ResetOutcome::Kind::Ready;
    return outcome;
}

ResetWarmUpOutcome resetAndWarmUp(KARVO7HANDLE card, Clock& clock, uint32_t maxPolls) {
    ResetWarmUpOutcome outcome;
    outcome.reset = resetAndWait(card, clock, maxPolls);
    if (outcome.reset.ok()) {
        outcome.warmedUp = KARVO7WarmUp(card, &outcome.error) != 0;
    }
    return outcome;
}

std::string resetLine(const ResetWarmUpOutcome& outcome) {
    if (!outcome.reset.ok()) {
        // Reported reset at once (no reset took place) or never: no warm-up either way.
        return "Reset Error";
    }
    if (!outcome.warmedUp) {
        return formatText("WarmUp Error %X", outcome.error);
    }
    return formatText("Reset OK nach %u ms", outcome.reset.polls * 10);
}

}  // namespace k7check
