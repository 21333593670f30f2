// The card's monitor ADC: temperature and supply voltages as the three raw words the firmware
// delivers (two 16-bit readings per word, 10-bit converter on a 2.5 V reference).
#include <algorithm>
#include <cmath>

#include "Firmware.h"
#include "Random.h"

namespace k7sim {

namespace {
// Raw converter counts for a voltage at the converter's input.
uint32_t counts(double volts) {
    return static_cast<uint32_t>(std::lround(std::clamp(volts / 2.5 * 1024.0, 0.0, 65535.0)));
}
}  // namespace

Bytes Firmware::monitorReading(uint64_t seed, uint32_t card) {
    Noise noise(mix(seed, card, 0xADC0000ull + monitorReads_++));
    const auto jitter = [&noise](uint32_t value) {
        const uint32_t step = noise.below(3);  // -1, 0 or +1 count
        return value + step >= 1 ? value + step - 1 : 0u;
    };
    const double hs = 100.0 + 25.0 * selectedSet().energy();
    const uint32_t temperature = static_cast<uint32_t>(36.0 * 4.0) + noise.below(4);
    const uint32_t analogPlus = powered_ ? jitter(counts(5.0 * 4.02 / 10.06)) : 0u;
    const uint32_t analogMinus = powered_ ? jitter(812) : 0u;  // -5 V analog divider tap
    const uint32_t high = powered_ ? counts(hs / 500.0) : 0u;
    const uint32_t digitalMinus = jitter(814);  // -5 V digital divider tap
    const uint32_t reference = 1024;
    Bytes out;
    put32(out, temperature | analogPlus << 16);
    put32(out, analogMinus | high << 16);
    put32(out, digitalMinus | reference << 16);
    return out;
}

}  // namespace k7sim
