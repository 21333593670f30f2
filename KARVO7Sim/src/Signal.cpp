// Signal generation of the simulated card.
#include "Signal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "Random.h"

namespace k7sim {

double samplingMHz(uint32_t index) {
    static constexpr double kRates[8] = {80.0, 40.0, 20.0, 10.0, 160.0, 5.0, 2.5, 1.25};
    return kRates[index & 7u];
}

namespace {

constexpr double kPulseWidthUs[8] = {0.025, 0.050, 0.100, 0.150, 0.250, 0.450, 0.450, 0.450};

// The receiver's gain range in 0.1 dB: the gain word and a depth compensation curve together
// cannot drive the amplifier beyond it, so that every amplified value stays finite.
constexpr double kGainLimitTenthsDb = 2000.0;

// The repeat of the interface echo (a second trip through the delay line), relative to it.
constexpr double kInterfaceRepeat = 0.5;

// Round trips through the plate are followed at most this far.
constexpr int kMostRepeats = 100000;

// A broadband echo: Gaussian envelope on the probe's centre frequency, peak at t0.
double echo(double t, double t0, double probeMHz) {
    const double sigma = 0.5 / probeMHz;
    const double x = (t - t0) / sigma;
    if (std::fabs(x) > 6.0) {
        return 0.0;
    }
    return std::exp(-0.5 * x * x) * std::cos(2.0 * std::numbers::pi * probeMHz * (t - t0));
}

}  // namespace

double SignalModel::echoTimeUs(int k) const {
    const double roundTripUs = 2.0 * specimen_.thicknessMm / specimen_.velocityMps * 1000.0;
    return specimen_.interfaceUs + k * roundTripUs;
}

// Gain of the receiver at a sample: the set's gain plus the depth compensation curve.
double SignalModel::gainFactor(const ParameterSet& set, int64_t index) const {
    double tenthsDb = set.gain;
    if (set.depthCompensation() && !set.taTable.empty() && set.taSpacing > 0) {
        const size_t points = std::min<size_t>(set.taTable.size(), size_t{set.taPoints} + 1);
        const double pos = static_cast<double>(index - set.taDelay) / set.taSpacing;
        double add = 0.0;
        if (pos <= 0.0) {
            add = set.taTable[0];
        } else if (pos >= static_cast<double>(points - 1)) {
            add = set.taTable[points - 1];
        } else {
            const auto p = static_cast<size_t>(pos);
            const double f = pos - static_cast<double>(p);
            add = set.taTable[p] * (1.0 - f) + set.taTable[p + 1] * f;
        }
        tenthsDb += add;
    }
    tenthsDb = std::clamp(tenthsDb, -kGainLimitTenthsDb, kGainLimitTenthsDb);
    return std::pow(10.0, tenthsDb / 200.0);
}

SignalModel::Clean SignalModel::clean(const ParameterSet& set, int64_t first, size_t count) const {
    Clean out;
    out.first = first;
    out.values.assign(count, 0.0f);
    out.gain.resize(count);
    const bool curve = set.depthCompensation() && !set.taTable.empty() && set.taSpacing > 0;
    const double flat = gainFactor(set, 0);
    for (size_t j = 0; j < count; ++j) {
        out.gain[j] =
            static_cast<float>(curve ? gainFactor(set, first + static_cast<int64_t>(j)) : flat);
    }
    if (set.transmitterOff()) {
        return out;
    }
    const double fs = samplingMHz(set.samplerate());
    const double f0 = specimen_.probeMHz;
    const double energy = (static_cast<double>(set.energy()) + 1.0) / 2.0;
    const double width = kPulseWidthUs[set.pulseWidth()];
    const double widthMatch = 0.5 + 0.5 * std::sin(std::numbers::pi * std::min(width * f0, 0.5));
    const double inputLoss = std::pow(10.0, -2.0 * set.inputDamping() / 20.0);
    const double ringUs = width + 0.3 / (1.0 + set.transmitterDamping());
    const double pulse = specimen_.pulseAmplitude * energy * (set.separateReceiver() ? 0.02 : 1.0);

    const double lastUs = static_cast<double>(first + static_cast<int64_t>(count)) / fs + 1.0;
    std::vector<std::pair<double, double>> echoes;  // time, amplitude at 0 dB
    echoes.emplace_back(echoTimeUs(0), specimen_.interfaceAmplitude);
    echoes.emplace_back(2.0 * specimen_.interfaceUs,
                        specimen_.interfaceAmplitude * kInterfaceRepeat);
    // A reflector `roundTripUs` deep in time and its repeats, each round trip losing the
    // plate's loss per echo.
    const auto reflector = [&](double roundTripUs, double amplitude) {
        if (!(roundTripUs > 0.0)) {
            return;
        }
        for (int k = 1; k < kMostRepeats; ++k) {
            const double t0 = specimen_.interfaceUs + k * roundTripUs;
            const double a = amplitude * std::pow(10.0, -specimen_.echoLossDb * (k - 1) / 20.0);
            if (!(t0 < lastUs) || !(std::fabs(a) >= 1e-6)) {
                break;
            }
            echoes.emplace_back(t0, a);
        }
    };
    reflector(echoTimeUs(1) - echoTimeUs(0), specimen_.echoAmplitude);
    for (const Flaw& flaw : specimen_.flaws) {
        reflector(2.0 * flaw.depthMm / specimen_.velocityMps * 1000.0, flaw.amplitude);
    }
    const double echoScale = energy * widthMatch * inputLoss;
    const double halfSpan = 3.0 / f0;

    for (size_t j = 0; j < count; ++j) {
        const int64_t index = first + static_cast<int64_t>(j);
        const double t = static_cast<double>(index) / fs;
        double x = 0.0;
        for (const auto& [t0, amplitude] : echoes) {
            if (std::fabs(t - t0) < halfSpan) {
                x += amplitude * echo(t, t0, f0);
            }
        }
        x *= echoScale;
        if (t >= 0.0 && t < ringUs * 8.0) {
            x -= pulse * std::exp(-t / ringUs) * std::cos(2.0 * std::numbers::pi * f0 * t);
        }
        out.values[j] = static_cast<float>(x * out.gain[j]);
    }
    return out;
}

int16_t toSample(double value) {
    // NaN carries no signal; beyond the converter's range the sample clips.
    if (std::isnan(value)) {
        return 0;
    }
    const double v = std::clamp(std::floor(value + 0.5), -32768.0, 32767.0);
    return static_cast<int16_t>(static_cast<int32_t>(v) & ~0xF);
}

SignalModel::Base SignalModel::base(const ParameterSet& set, const Clean& clean,
                                    bool offsetAdjusted) const {
    Base out;
    out.first = clean.first;
    const size_t n = clean.values.size();
    out.level.resize(n);
    out.spread.resize(n);
    out.quiet.resize(n);
    const double shots = set.averaging() ? std::ldexp(1.0, static_cast<int>(set.average & 7)) : 1;
    const double sigma = specimen_.noise / std::sqrt(shots);
    const double offset = offsetAdjusted ? 0.0 : specimen_.adcOffset;
    out.noisy = sigma > 0.0;
    for (size_t j = 0; j < n; ++j) {
        const double level = static_cast<double>(clean.values[j]) * 32768.0 + offset;
        const double spread = out.noisy ? sigma * clean.gain[j] * 32768.0 : 0.0;
        out.quiet[j] = toSample(level);
        out.level[j] = static_cast<float>(level);
        out.spread[j] = static_cast<float>(spread);
        out.finite = out.finite && std::isfinite(out.level[j]) && std::isfinite(out.spread[j]);
    }
    return out;
}

namespace {

using Values = NoiseLanes::Values;
using Ints = int32_t __attribute__((vector_size(16)));
using Samples = int16_t __attribute__((vector_size(8)));

// toSample for four finite values: rounded to the nearest integer, clipped at the converter's
// limits, bits 0-3 cleared.
Samples quantise(Values v) {
    // Clipped before rounding down: floor(v + 0.5) then lies within [-32768, 32767].
    const Values lo = {-32768.0f, -32768.0f, -32768.0f, -32768.0f};
    const Values hi = {32767.5f, 32767.5f, 32767.5f, 32767.5f};
    v += 0.5f;
    v = v < lo ? lo : v;
    v = v > hi ? hi : v;
    Ints i = __builtin_convertvector(v, Ints);    // toward zero
    i += __builtin_convertvector(i, Values) > v;  // -1 where that was up: down to the floor
    return __builtin_convertvector(i & ~0xF, Samples);
}

}  // namespace

void SignalModel::shot(const Base& base, uint64_t noiseSeed, SampleRun& out) const {
    out.first = base.first;
    const size_t n = base.quiet.size();
    out.samples.resize(n);
    if (!base.noisy) {
        std::copy(base.quiet.begin(), base.quiet.end(), out.samples.begin());
        return;
    }
    int16_t* samples = out.samples.data();
    if (!base.finite) {
        // Values beyond any number the converter could see: one at a time, as toSample says.
        Noise noise(noiseSeed);
        for (size_t j = 0; j < n; ++j) {
            samples[j] = toSample(static_cast<double>(base.level[j]) +
                                  static_cast<double>(base.spread[j]) * noise.gaussian());
        }
        return;
    }
    NoiseLanes noise(noiseSeed);
    const float* level = base.level.data();
    const float* spread = base.spread.data();
    size_t j = 0;
    for (; j + 4 <= n; j += 4) {
        Values l;
        Values s;
        std::memcpy(&l, level + j, sizeof l);
        std::memcpy(&s, spread + j, sizeof s);
        const Samples q = quantise(l + s * noise.next());
        std::memcpy(samples + j, &q, sizeof q);
    }
    if (j < n) {
        const Values g = noise.next();
        for (size_t k = 0; j < n; ++j, ++k) {
            const Values one = {level[j] + spread[j] * g[k], 0.0f, 0.0f, 0.0f};
            samples[j] = quantise(one)[0];
        }
    }
}

}  // namespace k7sim
