// The card's 256-byte PCI configuration space. Identity fields come from the bridge EEPROM when
// the card is powered up; the system writes the command, status, cache line, latency, base
// address, expansion ROM and interrupt line registers and the device-specific area.
#pragma once

#include <array>
#include <cstdint>

#include "Eeprom.h"
#include "KARVO7Sim.h"

namespace k7sim {

class PciConfigSpace {
  public:
    // Power-up: identity from the EEPROM, assignments (base addresses, interrupt line, command,
    // status, cache line, latency) from `assigned`.
    void powerUp(const Eeprom& eeprom, const PciIdentity& assigned);
    // Keeps the writable registers of a stored image, the identity stays the EEPROM's.
    void restoreWritable(const std::array<uint8_t, 256>& image);
    // A write of the whole space: each register takes what it lets the system write.
    void write(const uint8_t* image);

    const std::array<uint8_t, 256>& bytes() const { return bytes_; }

  private:
    uint32_t get(uint32_t offset, int width) const;
    void set(uint32_t offset, uint32_t value, int width);
    void writeBase(uint32_t offset, uint32_t value, uint32_t sizeMask);

    std::array<uint8_t, 256> bytes_{};
    uint32_t baseSize_[5] = {};
    uint32_t romSize_ = 0;
};

}  // namespace k7sim
