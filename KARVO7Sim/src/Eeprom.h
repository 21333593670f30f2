// The PCI bridge's serial EEPROM: bytes 0x00-0x7F the bridge's PCI identity and expansion-ROM
// header, from 0x80 the card's identification record.
#pragma once

#include <array>
#include <cstdint>

#include "KARVO7Sim.h"
#include "Kennung.h"

namespace k7sim {

class Eeprom {
  public:
    static constexpr uint32_t kSize = 2048;
    static constexpr uint32_t kLengthWord = 0x80;
    static constexpr uint32_t kDirectory = 0x84;

    // The bridge header of `identity` and the stored form of `record`; the rest erased (0xFF).
    void setDefaults(const PciIdentity& identity, const Kennung& record);

    uint8_t byte(uint32_t address) const { return bytes_[address % kSize]; }
    void setByte(uint32_t address, uint8_t value) { bytes_[address % kSize] = value; }
    uint16_t word(uint32_t address) const;
    uint32_t dword(uint32_t address) const;

    // Size of the stored identification area (directory, data, CRC) from the length word, or 0
    // when the length word does not describe an area that fits the chip.
    uint16_t storedAreaSize() const;

    std::array<uint8_t, kSize>& bytes() { return bytes_; }
    const std::array<uint8_t, kSize>& bytes() const { return bytes_; }

  private:
    std::array<uint8_t, kSize> bytes_{};
};

}  // namespace k7sim
