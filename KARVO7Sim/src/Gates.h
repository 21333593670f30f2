// Gate evaluation of the data LCA: the echo-start gate and the measuring gates B0 to B4 on the
// samples of one shot.
#pragma once

#include <cstdint>

#include "ParameterSet.h"
#include "Signal.h"

namespace k7sim {

struct GateOutcome {
    bool present = false;    // the gate is enabled and its threshold was reached
    uint32_t time = 0;       // sample of the first threshold crossing (relative to the echo start
                             // when the set's gates are relative)
    uint16_t amplitude = 0;  // maximum in the gate, 12-bit scale
    bool marker = false;     // the signal in the gate clipped (either sign)
};

struct ShotGates {
    bool esFound = false;
    uint32_t esDelay = 0;      // sample of the echo start
    uint16_t esAmplitude = 0;  // 12-bit scale
    GateOutcome gate[5];
};

// Samples the evaluation needs: [first, end) counted from the trigger.
struct GateSpan {
    int64_t first = 0;
    int64_t end = 0;
};
GateSpan gateSpan(const ParameterSet& set);

// Amplitude of a sample on the 12-bit scale of thresholds and gate maxima: |sample| / 16, so
// that a quarter of it (the 10-bit value of a compact entry) equals the sample on the display's
// ADC axis (sample / 64), where the display draws the threshold of a gate.
inline uint16_t amplitude12(int16_t sample) {
    const int32_t magnitude = sample < 0 ? -static_cast<int32_t>(sample) : sample;
    return static_cast<uint16_t>(magnitude >> 4);
}

// The converter's limits, 12 bits left-aligned: the receiver clipped the signal.
inline bool clipped(int16_t sample) {
    return sample >= 0x7FF0 || sample <= -0x8000;
}

ShotGates evaluateGates(const ParameterSet& set, const SampleRun& run);

// The echo-start gate searches this many samples from its time on.
constexpr int64_t kEchoStartSpan = 1024;

}  // namespace k7sim
