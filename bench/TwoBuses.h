// The rack of the multi-card benchmarks: simulated cards on two PCI buses of 132 MB/s.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <string>

#include "KARVO7Sim.h"

constexpr uint32_t kBusMbPerSecond = 132;

// `cards` cards, the first half (rounded up) on bus 1, the others on bus 2; `program` names the
// simulator's instance.
inline k7sim::Config twoBuses(uint32_t cards, const std::string& program) {
    k7sim::Config c = k7sim::Config::defaults(cards);
    c.persist = false;
    c.instance = program + std::to_string(::getpid());
    c.busMbPerSecond = kBusMbPerSecond;
    const uint32_t half = (cards + 1) / 2;
    for (uint32_t i = 0; i < cards; ++i) {
        c.cards[i].bus = i < half ? 1 : 2;
        c.cards[i].slot = 8 + i % half;
    }
    return c;
}
