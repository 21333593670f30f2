#include "runs/RandomSet.h"

#include <algorithm>

namespace k7check {

namespace {

// lo + r mod (hi - lo + 1) in 64 bits; an empty range gives lo.
uint32_t within(int64_t lo, int64_t hi, RandomGenerator& random) {
    const int64_t r = random.next();
    if (hi < lo) {
        return static_cast<uint32_t>(lo);
    }
    return static_cast<uint32_t>(lo + r % (hi - lo + 1));
}

// `value` raised to `lo`, then lowered to `hi` (so `hi` wins when the limits cross).
uint32_t raisedAndLowered(uint32_t value, uint32_t lo, uint32_t hi) {
    return std::min(std::max(value, lo), hi);
}

// A value drawn by `rule` from lo..hi; `mask` is the grid of the sampling rate drawn before.
int64_t drawValue(DrawRule rule, int64_t lo, int64_t hi, uint32_t mask, RandomGenerator& random) {
    switch (rule) {
        case DrawRule::Range:
            return within(lo, hi, random);
        case DrawRule::OnGrid:
            return within(lo, hi, random) & mask;
        case DrawRule::Word:
            return within(lo, hi, random) & 0xFFFFu;
        case DrawRule::Switch:
            return raisedAndLowered(random.next() & 1u, static_cast<uint32_t>(lo),
                                    static_cast<uint32_t>(hi));
        case DrawRule::UpTo:
            return std::max<uint32_t>(random.next() % (static_cast<uint32_t>(hi) + 1u),
                                      static_cast<uint32_t>(lo));
    }
    return lo;
}

}  // namespace

uint32_t alignmentMask(uint32_t samplerate) {
    switch (samplerate) {
        case 0:
        case 5:
            return 0xFFF8;
        case 1:
        case 6:
            return 0xFFFC;
        case 2:
        case 7:
            return 0xFFFE;
        case 3:
            return 0xFFFF;
        default:
            return 0xFFF0;
    }
}

void drawRandomSet(ParameterSet& set, const RandomLimits& limits, RandomGenerator& random) {
    for (const ParameterField* field : randomDrawFields()) {
        const int64_t lo = fieldValue(*field, limits.lower);
        const int64_t hi = fieldValue(*field, limits.upper);
        setFieldValue(*field, set,
                      drawValue(field->random.rule, lo, hi, alignmentMask(set.samplerate), random));
    }
    if (set.aufnahmelaenge < set.faktor) {
        set.faktor = static_cast<uint8_t>(set.aufnahmelaenge);
    }
    set.ascan = set.faktor != 0;
    // The gates' ends were drawn as widths.
    const uint32_t mask = alignmentMask(set.samplerate);
    for (GateSetting& gate : set.gates) {
        const uint64_t end =
            uint64_t{static_cast<uint32_t>(gate.anfang)} + static_cast<uint32_t>(gate.ende);
        gate.ende = static_cast<int32_t>(end > 0xFFFF ? mask : end);
    }
}

}  // namespace k7check
