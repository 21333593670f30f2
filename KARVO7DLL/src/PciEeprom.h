// Byte access to the EEPROM of the card's PCI bridge, shared by the EEPROM operations and the
// configuration record.
#pragma once

#include <cstdint>

#include "Card.h"

namespace k7 {

// Reads the byte at `address` (low 16 bits); 0 when the request fails.
uint8_t eepromReadByte(KARVO7Card* card, uint32_t address);

// Writes the low 8 bits of `value` at `address` (low 16 bits), then pauses 100 ms through the
// device layer's clock whatever the outcome: the bridge needs that long to program the byte.
bool eepromWriteByte(KARVO7Card* card, uint32_t address, uint32_t value);

// Writes the two bytes of a 16-bit value, low byte first; the high byte only after the low
// byte was written. The result is the outcome of the last byte written.
bool eepromWriteWord(KARVO7Card* card, uint32_t address, uint32_t value);

}  // namespace k7
