// Handing a set to a card for `karvo7 shot` and `karvo7 stream`: the card operations' one
// hand-over, and a message naming the step the card refused.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "card/SetToCard.h"

namespace karvo7 {

// Hands `record` to the card as set `setNumber`; false, after a message, when the card refused
// any step of it.
bool handSet(KARVO7HANDLE card, uint32_t setNumber, const k7check::CardRecord& record,
             std::ostream& err);
// "set 2: the card refused the trigger delay, error ...": a hand-over's refused step
// (K7OPS_STEP_*) with the card library's word.
std::string refusedText(uint32_t setNumber, uint32_t step, uint32_t error);

}  // namespace karvo7
