// Which cards an engine of this process reads: a card has one reading thread at most. A second
// engine on a card whose engine still runs would stop the card, empty its FIFO and start it under
// the first one's reads; it is refused instead, and the running one goes on untouched.
#pragma once

#include "KARVO7DLL.h"

namespace k7acquire {

// Claims `card` for an engine; false when an engine of this process has it.
bool claimCard(KARVO7HANDLE card);
// Gives the card free again once its engine is closed.
void releaseCard(KARVO7HANDLE card);

}  // namespace k7acquire
