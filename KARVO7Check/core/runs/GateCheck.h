// The gate check of a continuous block run: every gate results record of a fetch (record
// layout) is matched to its parameter set by its identification, and each present gate
// position B1 to B4 must lie between the start and the end of that set's gate.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "card/ParameterSet.h"

namespace k7check {

struct GateCheckInput {
    // The card's sets (their gates) and active flags, and the identification of each set.
    const std::array<ParameterSet, kSetsPerCard>* sets = nullptr;
    std::array<bool, kSetsPerCard> active{};
    std::array<int16_t, kSetsPerCard> ids{};
    uint64_t cycle = 0;  // the run's cycle, counted from 0
};

struct GateCheckResult {
    enum class Kind {
        Ok,
        NoGates,         // the fetch does not start with a gate record: "Keine Blenden! ..."
        WrongKennung,    // a record of no active set 1..7: "Falsche Kennung %d"
        OutsideTheGate,  // "Block %d Satz %d B%d %d - %d - %d "
    };
    Kind kind = Kind::Ok;
    std::string text;  // the message or line text
};

// Checks one fetch of `length` bytes. Only complete records inside the fetched bytes count.
GateCheckResult checkGates(std::span<const uint8_t> fetched, const GateCheckInput& input);

}  // namespace k7check
