#include "card/ShotSize.h"

#include <algorithm>

namespace k7check {

namespace {
constexpr uint64_t kHeaderBytes = 6;
constexpr uint64_t kTimeStampBytes = 8;
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

}  // namespace k7check
