// The faults a card has been given: each request, command or behaviour it should get wrong.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "KARVO7Sim.h"

namespace k7sim {

class Faults {
  public:
    void add(const Fault& fault) { list_.push_back(fault); }
    void clear() { list_.clear(); }

    // Driver error word for a failing request or command, consuming a one-time fault.
    std::optional<uint32_t> request(uint32_t code);
    std::optional<uint32_t> command(uint32_t code, bool hasWord, uint32_t firstWord);
    // The first fault of a kind, if the card has one.
    const Fault* find(Fault::Kind kind) const;
    bool has(Fault::Kind kind) const { return find(kind) != nullptr; }
    // EEPROM bytes that read back differently.
    std::optional<uint8_t> readBack(uint32_t address) const;

  private:
    std::vector<Fault> list_;
};

}  // namespace k7sim
