// A card reset as the check program runs it: KARVO7ResetCard, then KARVO7IsReseted polled
// every 10 ms until the card reports the end of its reset or the polls run out. Every pause
// goes through the clock, so the windows stay painted and tests run in virtual time.
#pragma once

#include <cstdint>
#include <string>

#include "KARVO7DLL.h"
#include "card/Clock.h"

namespace k7check {

struct ResetOutcome {
    enum class Kind {
        ReadyAtOnce,  // reported reset at the first poll: the reset did not take place
        Ready,        // reported the end of its reset after `polls` polls
        NeverReady,   // still resetting after the last poll
    };
    Kind kind = Kind::NeverReady;
    uint32_t polls = 0;  // unsuccessful polls, 10 ms each
    bool ok() const { return kind == Kind::Ready; }
};

ResetOutcome resetAndWait(KARVO7HANDLE card, Clock& clock, uint32_t maxPolls);

// A reset followed by the warm-up. A card that reported the end of its reset at once did not
// reset and one that never reports it is no running card: neither is warmed up.
struct ResetWarmUpOutcome {
    ResetOutcome reset;
    bool warmedUp = false;
    uint32_t error = 0;  // the warm-up's error word when it failed
    bool ok() const { return reset.ok() && warmedUp; }
};

ResetWarmUpOutcome resetAndWarmUp(KARVO7HANDLE card, Clock& clock, uint32_t maxPolls);

// The line of the command window's hardware reset: "Reset OK nach %u ms", "Reset Error" or
// "WarmUp Error %X".
std::string resetLine(const ResetWarmUpOutcome& outcome);

}  // namespace k7check
