// Handing a set to a card for `karvo7 shot` and `karvo7 stream`: the card operations' one
// hand-over, and a message naming the step the card refused.
#pragma once

#include <cstdint>
#include <ostream>

#include "card/SetToCard.h"

namespace karvo7 {

// Hands `record` to the card as set `setNumber`; false, after a message, when the card refused
// any step of it.
bool handSet(KARVO7HANDLE card, uint32_t setNumber, const k7check::CardRecord& record,
             std::ostream& err);

}  // namespace karvo7
