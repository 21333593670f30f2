// Parameter-set operations shared inside the library (warm-up and the sibling-card
// identification use the set selection and the transmitter preparation).
#pragma once

#include <cstdint>

#include "Card.h"

namespace k7 {

// Set selection: command 0x2001 with the set number's low 8 bits.
Result selectSet(KARVO7Card* card, uint32_t set);

// Transmitter preparation of a set: validation, set selection on a version-3 card, commands
// 0x4801, 0x4C01, 0x5401.
Result prepareTransmitter(KARVO7Card* card, uint32_t set, const SpecialParams& params);

}  // namespace k7
