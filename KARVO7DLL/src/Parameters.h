// Parameter-set operations shared inside the library (warm-up and the sibling-card
// identification use the set selection and the transmitter preparation).
#pragma once

#include <cstdint>

#include "Card.h"

namespace k7 {

// Set selection with the set number's low 8 bits: later commands address that set.
Result selectSet(KARVO7Card* card, uint32_t set);

// Transmitter preparation of a set: validation first, then set selection on a version-3 card,
// the sender, input and hardware configuration commands.
Result prepareTransmitter(KARVO7Card* card, uint32_t set, const SpecialParams& params);

}  // namespace k7
