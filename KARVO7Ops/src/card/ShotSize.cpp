#include "card/ShotSize.h"

#include <algorithm>

namespace k7check {

namespace {
constexpr uint64_t kHeaderBytes = 6;
constexpr uint64_t kTimeStampBytes = 8;
// The card's highest rate.
constexpr uint32_t kHighestRate = 20000;
}  // namespace

uint64_t shotBytes(const ParameterSet& set, bool recordLayout) {
    uint64_t samples = set.aufnahmelaenge;
    if (set.ascan) {
        const uint64_t faktor = std::max<uint64_t>(set.faktor, 1);
        samples = (samples + faktor - 1) / faktor;
    }
    if (!recordLayout) {
        return set.bit8 ? samples : 2 * samples;
    }
    // An 8-bit A-scan packs four 12-bit samples into three words; every other record carries
    // one sample per word.
    const uint64_t words = set.ascan && set.bit8 ? (3 * samples + 3) / 4 : samples;
    return (set.externerTrigger ? kTimeStampBytes : 0) + kHeaderBytes + 2 * words;
}

uint32_t largestShotBytes(const ParameterSet& set) {
    return static_cast<uint32_t>(shotBytes(set, true));
}

uint32_t shotRateOf(const ParameterSet& set) {
    return set.iff != 0 ? std::min(set.iff, kHighestRate) : kHighestRate;
}

uint32_t shotRateOf(const std::vector<const ParameterSet*>& sets) {
    double cycleSeconds = 0.0;
    for (const ParameterSet* set : sets) {
        cycleSeconds += 1.0 / shotRateOf(*set);
    }
    return cycleSeconds > 0 ? static_cast<uint32_t>(static_cast<double>(sets.size()) / cycleSeconds)
                            : kHighestRate;
}

}  // namespace k7check
