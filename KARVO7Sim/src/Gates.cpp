// Gate evaluation: first threshold crossing and maximum in each gate's window.
#include "Gates.h"

#include <algorithm>

namespace k7sim {

namespace {
bool relative(const ParameterSet& set) {
    return (set.esFlags & 1u) != 0;
}
bool echoStartUsed(const ParameterSet& set) {
    return set.esLevel != 0 || relative(set);
}
}  // namespace

GateSpan gateSpan(const ParameterSet& set) {
    GateSpan span{INT64_MAX, INT64_MIN};
    const int64_t esEnd = static_cast<int64_t>(set.esTime) + kEchoStartSpan;
    if (echoStartUsed(set)) {
        span.first = std::min<int64_t>(span.first, set.esTime);
        span.end = std::max<int64_t>(span.end, esEnd);
    }
    for (int g = 0; g < 5; ++g) {
        if ((set.gateEnables & (1u << g)) == 0) {
            continue;
        }
        int64_t start = set.gates[g].start;
        int64_t end = static_cast<int64_t>(set.gates[g].end) + 1;
        if (relative(set)) {
            start += set.esTime;
            end += esEnd;
        }
        span.first = std::min(span.first, start);
        span.end = std::max(span.end, end);
    }
    if (span.first > span.end) {
        return {0, 0};
    }
    return span;
}

ShotGates evaluateGates(const ParameterSet& set, const SampleRun& run) {
    ShotGates out;
    int64_t origin = 0;
    if (echoStartUsed(set)) {
        const int64_t end = static_cast<int64_t>(set.esTime) + kEchoStartSpan;
        for (int64_t i = set.esTime; i < end; ++i) {
            if (set.esLevel != 0 && amplitude12(run.at(i)) >= set.esLevel) {
                out.esFound = true;
                out.esDelay = static_cast<uint32_t>(i) & 0xFFFFFu;
                uint16_t peak = 0;
                for (int64_t k = i; k < i + 32; ++k) {
                    peak = std::max(peak, amplitude12(run.at(k)));
                }
                out.esAmplitude = peak;
                origin = i;
                break;
            }
        }
    }
    if (relative(set) && !out.esFound) {
        return out;  // relative gates without an echo start have nothing to measure against
    }
    for (int g = 0; g < 5; ++g) {
        GateOutcome& result = out.gate[g];
        if ((set.gateEnables & (1u << g)) == 0) {
            continue;
        }
        const int64_t shift = relative(set) ? origin : 0;
        const int64_t start = shift + set.gates[g].start;
        const int64_t end = shift + set.gates[g].end;
        uint16_t peak = 0;
        int64_t crossing = -1;
        bool clip = false;
        for (int64_t i = start; i <= end; ++i) {
            const int16_t sample = run.at(i);
            const uint16_t a = amplitude12(sample);
            peak = std::max(peak, a);
            clip = clip || clipped(sample);
            if (crossing < 0 && a >= set.gates[g].threshold && set.gates[g].threshold != 0) {
                crossing = i;
            }
        }
        result.amplitude = peak;
        result.marker = clip;
        if (crossing >= 0) {
            result.present = true;
            result.time = static_cast<uint32_t>(crossing - shift) & 0xFFFFFu;
        }
    }
    return out;
}

}  // namespace k7sim
