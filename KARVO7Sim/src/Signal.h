// The synthetic specimen and the card's receiver: transmit pulse, interface echo and its repeat,
// back-wall and flaw echoes of a plate, amplified by the set's gain and depth compensation, with
// noise, the ADC's offset and its 12-bit quantisation.
#pragma once

#include <cstdint>
#include <vector>

#include "KARVO7Sim.h"
#include "ParameterSet.h"

namespace k7sim {

// A run of samples at consecutive sample indexes counted from the trigger.
struct SampleRun {
    int64_t first = 0;
    std::vector<int16_t> samples;  // 16-bit, 12 significant bits left-aligned

    int64_t end() const { return first + static_cast<int64_t>(samples.size()); }
    int16_t at(int64_t index) const {
        return index < first || index >= end() ? int16_t{0}
                                               : samples[static_cast<size_t>(index - first)];
    }
};

// The 12-bit converter: a value in 16-bit sample units to its sample (bits 0-3 clear), clipped
// at the converter's limits; a value that is not a number gives 0.
int16_t toSample(double value);

class SignalModel {
  public:
    explicit SignalModel(const Specimen& specimen) : specimen_(specimen) {}

    // The noiseless signal of the set at sample indexes [first, first + count), as fractions of
    // full scale, with the receiver's gain factor at each sample.
    struct Clean {
        int64_t first = 0;
        std::vector<float> values;
        std::vector<float> gain;
    };
    Clean clean(const ParameterSet& set, int64_t first, size_t count) const;

    // What every shot of a set shares, in 16-bit sample units: the clean signal with the ADC
    // offset (unless it has been adjusted), the r.m.s. of the noise at each sample (the
    // specimen's noise, less with averaging, amplified by the receiver) and the samples of a
    // shot without noise. Computed once for a set's settings; each shot then only adds noise.
    struct Base {
        int64_t first = 0;
        std::vector<float> level;
        std::vector<float> spread;
        std::vector<int16_t> quiet;
        bool noisy = false;  // the noise reaches the samples
        bool finite = true;  // every level and spread is a finite number
    };
    Base base(const ParameterSet& set, const Clean& clean, bool offsetAdjusted) const;

    // One shot: the base plus the noise of `noiseSeed`, quantised to 12 bits.
    void shot(const Base& base, uint64_t noiseSeed, SampleRun& out) const;

    // Time of back-wall echo k (k = 0: interface echo) in microseconds after the pulse.
    double echoTimeUs(int k) const;

    const Specimen& specimen() const { return specimen_; }

  private:
    double gainFactor(const ParameterSet& set, int64_t index) const;
    Specimen specimen_;
};

}  // namespace k7sim
