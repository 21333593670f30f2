#include "card/ShotSize.h"

#include <algorithm>

namespace k7check {

namespace {
constexpr uint64_t kHeaderBytes = 6;
constexpr uint64_t kTimeStampBytes = 8;
// The card's highest rate.
constexpr uint32_t kHighestRate = 20000;

// What a shot's size depends on, in a set and in a card's record alike.
struct ShotShape {
    uint64_t recorded;  // "Aufnahmelaenge"
    bool ascan;
    uint64_t faktor;
    bool bit8;
    bool externalTrigger;
};

uint64_t samplesOf(const ShotShape& s) {
    if (!s.ascan) {
        return s.recorded;
    }
    const uint64_t faktor = std::max<uint64_t>(s.faktor, 1);
    return (s.recorded + faktor - 1) / faktor;
}

uint64_t bytesOf(const ShotShape& s, bool recordLayout) {
    const uint64_t samples = samplesOf(s);
    if (!recordLayout) {
        return s.bit8 ? samples : 2 * samples;
    }
    // An 8-bit A-scan packs four 12-bit samples into three words; every other record carries
    // one sample per word.
    const uint64_t words = s.ascan && s.bit8 ? (3 * samples + 3) / 4 : samples;
    return (s.externalTrigger ? kTimeStampBytes : 0) + kHeaderBytes + 2 * words;
}

ShotShape shapeOf(const MeasureParams& m) {
    return {m.Aufnahmelaenge, m.ASCAN != 0, m.Faktor, m.Bit8 != 0, m.ExternerTrigger != 0};
}

}  // namespace

uint64_t shotBytes(const ParameterSet& set, bool recordLayout) {
    return bytesOf({set.aufnahmelaenge, set.ascan, set.faktor, set.bit8, set.externerTrigger},
                   recordLayout);
}

uint64_t shotBytes(const MeasureParams& measure, bool recordLayout) {
    return bytesOf(shapeOf(measure), recordLayout);
}

uint64_t shotSamples(const MeasureParams& measure) {
    return samplesOf(shapeOf(measure));
}

uint32_t largestShotBytes(const ParameterSet& set) {
    return static_cast<uint32_t>(shotBytes(set, true));
}

uint32_t shotRateOf(const ParameterSet& set) {
    return set.iff != 0 ? std::min(set.iff, kHighestRate) : kHighestRate;
}

uint32_t shotRateOf(const std::vector<const ParameterSet*>& sets) {
    std::vector<uint32_t> iffs;
    for (const ParameterSet* set : sets) {
        iffs.push_back(set->iff);
    }
    return cycleRateOf(iffs);
}

uint32_t cycleRateOf(const std::vector<uint32_t>& iffs) {
    double cycleSeconds = 0.0;
    for (const uint32_t iff : iffs) {
        cycleSeconds += 1.0 / (iff != 0 ? std::min(iff, kHighestRate) : kHighestRate);
    }
    if (cycleSeconds <= 0) {
        return kHighestRate;
    }
    // Whole shots a second, the fraction dropped. The sum of the periods is rounded, so that a
    // whole rate (a set at 7000, sets all at 20000) would fall a shot short without the
    // allowance: a millionth of a shot a second, far above that rounding and far below a shot.
    constexpr double kRoundingAllowance = 1e-6;
    return static_cast<uint32_t>(static_cast<double>(iffs.size()) / cycleSeconds +
                                 kRoundingAllowance);
}

}  // namespace k7check
