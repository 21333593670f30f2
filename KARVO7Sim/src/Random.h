// Deterministic pseudo-random numbers for the card's noise: every value follows from the seed,
// the card and the shot, so equal runs deliver equal bytes.
#pragma once

#include <cstdint>

namespace k7sim {

// Mixes values into one well-spread 64-bit word (splitmix64 finaliser).
inline uint64_t mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

inline uint64_t mix(uint64_t a, uint64_t b) {
    return mix(a ^ mix(b));
}
inline uint64_t mix(uint64_t a, uint64_t b, uint64_t c) {
    return mix(mix(a, b), c);
}

// A fast generator for one shot's noise.
class Noise {
  public:
    explicit Noise(uint64_t seed) : state_(seed | 1) {}

    uint64_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    // Approximately normal, mean 0, standard deviation 1 (sum of four uniform values).
    double gaussian() {
        const uint64_t r = next();
        double sum = 0.0;
        for (int i = 0; i < 4; ++i) {
            sum += static_cast<double>((r >> (16 * i)) & 0xFFFF) / 65535.0;
        }
        return (sum - 2.0) * 1.7320508075688772;  // sqrt(12 / 4)
    }
    // Uniform in [0, n).
    uint32_t below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(next() % n); }

  private:
    uint64_t state_;
};

// The noise of a whole shot, four samples at a time: four lanes of two xorshift32 generators
// each, every sample the sum of four uniform 16-bit values (the same approximately normal
// distribution as Noise::gaussian), so that a shot's noise costs a few instructions a sample.
class NoiseLanes {
  public:
    using Words = uint32_t __attribute__((vector_size(16)));
    using Values = float __attribute__((vector_size(16)));

    explicit NoiseLanes(uint64_t seed) {
        for (int lane = 0; lane < 4; ++lane) {
            const uint64_t m = mix(seed, static_cast<uint64_t>(lane));
            // xorshift32 never leaves 0 and never reaches it from another state.
            a_[lane] = static_cast<uint32_t>(m) | 1u;
            b_[lane] = static_cast<uint32_t>(m >> 32) | 1u;
        }
    }
    // Four values, mean 0, standard deviation 1.
    Values next() {
        a_ = step(a_);
        b_ = step(b_);
        const Words sum = (a_ & 0xFFFFu) + (a_ >> 16) + (b_ & 0xFFFFu) + (b_ >> 16);
        const Values u = __builtin_convertvector(sum, Values);
        return (u - 131070.0f) * (1.7320508075688772f / 65535.0f);
    }

  private:
    static Words step(Words x) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    }
    Words a_{};
    Words b_{};
};

}  // namespace k7sim
