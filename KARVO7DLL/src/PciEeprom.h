// Byte access to the EEPROM of the card's PCI bridge, shared by the EEPROM operations and the
// configuration record.
#pragma once

#include <cstdint>

#include "Card.h"

namespace k7 {

// The byte at `address` (low 16 bits); 0 when the request fails.
uint8_t eepromReadByte(KARVO7Card* card, uint32_t address);

// Writes the low 8 bits of `value` at `address` (low 16 bits), then pauses 100 ms through the
// device layer's clock whatever the outcome: the bridge needs that long to program the byte.
bool eepromWriteByte(KARVO7Card* card, uint32_t address, uint32_t value);

// Writes the low `bytes` bytes of `value` from `address` on, low byte first, each only after
// the one before was written; bytes already written stay. True when the last one was written.
bool eepromWrite(KARVO7Card* card, uint32_t address, uint32_t value, uint32_t bytes);

}  // namespace k7
