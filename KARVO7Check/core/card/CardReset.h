// A card reset as the check program runs it: KARVO7ResetCard, then KARVO7IsReseted polled
// every 10 ms until the card reports the end of its reset or the polls run out. Every pause
// goes through the desktop, so the windows stay painted and tests run in virtual time.
#pragma once

#include <cstdint>

#include "KARVO7DLL.h"
#include "desktop/Desktop.h"

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

ResetOutcome resetAndWait(KARVO7HANDLE card, Desktop& desktop, uint32_t maxPolls);

}  // namespace k7check
