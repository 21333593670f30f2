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

// A drawn value into a record field of its own width.
template <typename Field>
void put(Field& field, uint32_t value) {
    field = static_cast<Field>(value);
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

void drawRandomRecord(CardRecord& record, const RandomLimits& limits, RandomGenerator& random) {
    const ParameterSet& lo = limits.lower;
    const ParameterSet& hi = limits.upper;
    MeasureParams& m = record.measure;
    SpecialParams& s = record.special;
    const auto draw = [&random](int64_t low, int64_t high) { return within(low, high, random); };

    put(m.Average, draw(lo.average, hi.average));
    put(m.Samplerate, draw(lo.samplerate, hi.samplerate));
    const uint32_t mask = alignmentMask(m.Samplerate);
    put(m.IFF, draw(lo.iff, hi.iff) & mask);
    put(m.PKVorlauf, draw(lo.pkVorlauf, hi.pkVorlauf) & mask);
    put(m.Aufnahmelaenge, draw(lo.aufnahmelaenge, hi.aufnahmelaenge) & mask);
    put(m.Aufnahmedelay, draw(lo.aufnahmedelay, hi.aufnahmedelay) & mask);

    put(m.Faktor, draw(lo.faktor, hi.faktor));
    put(m.Gleichrichtung, draw(lo.gleichrichtung, hi.gleichrichtung));
    put(s.Sendeimpulsbreite, draw(lo.sendeimpulsbreite, hi.sendeimpulsbreite));
    put(s.Sendeenergie, draw(lo.sendeenergie, hi.sendeenergie));
    record.verstaerkung = draw(lo.verstaerkung, hi.verstaerkung) & 0xFFFFu;

    if (m.Aufnahmelaenge < m.Faktor) {
        put(m.Faktor, m.Aufnahmelaenge);
    }
    m.ASCAN = m.Faktor != 0 ? 1 : 0;

    put(s.Senderdaempfung,
        raisedAndLowered(random.next() & 1u, lo.senderdaempfung, hi.senderdaempfung));
    put(s.Eingangsdaempfung,
        raisedAndLowered(random.next() & 1u, lo.eingangsdaempfung, hi.eingangsdaempfung));
    put(s.Filter, std::max<uint32_t>(random.next() % (uint32_t{hi.filter} + 1u), lo.filter));

    for (uint32_t g = 0; g < kGates; ++g) {
        GateParam& gate = record.gates.Gate[g];
        const uint32_t start = draw(lo.gates[g].anfang, hi.gates[g].anfang) & mask;
        const uint64_t end = uint64_t{start} + (draw(lo.gates[g].ende, hi.gates[g].ende) & mask);
        gate.Anfang = start;
        gate.Ende = end > 0xFFFF ? mask : static_cast<uint32_t>(end);
    }
}

}  // namespace k7check
