// The card's count of the shots it took, from its 8-bit shot counter (the low byte of the
// measurement status register). Between two readings of a card that keeps up, fewer than 256
// shots pass; after a FIFO overflow, or a hold-up of the reading thread while the FIFO took more
// than 256 shots, the counter may have turned many times, and the time passed at the card's rate
// says how often: the rate measured so far, bounded by the one configured.
#pragma once

#include <cstdint>

namespace k7acquire {

class ShotCounter {
  public:
    // `shotsPerSecond`: the card's rate, or an upper bound of it; 0: unknown.
    explicit ShotCounter(uint32_t shotsPerSecond) : shotsPerSecond_(shotsPerSecond) {}

    // The counter and the millisecond tick when the measurement started.
    void begin(uint8_t counter, uint32_t tick);
    // Whether the card shoots at a steady rate (internally triggered): only then does the time
    // passed without an overflow say whether the counter turned. An external trigger may pause
    // for any time (its shots carry time stamps, which count their losses). Steady by default.
    void steady(bool on) { steady_ = on; }
    // Shots taken since begin() as of `counter` at `tick`, at least `atLeast` (the shots read so
    // far). `turned`: the FIFO ran over since the last reading, so that shots were lost and the
    // counter may have turned any number of times. Without it the time passed judges the turns
    // only for a steady card of a configured rate, once its rate is measured: a card slower than
    // configured is judged at its measured rate, and one of unknown rate by its counter.
    uint64_t advance(uint8_t counter, uint32_t tick, uint64_t atLeast, bool turned);

  private:
    bool rateMeasured() const;
    uint64_t rate() const;

    uint32_t shotsPerSecond_;
    bool steady_ = true;
    uint8_t last_ = 0;
    uint32_t lastTick_ = 0;
    uint64_t taken_ = 0;
    uint64_t measuredShots_ = 0;  // shots and milliseconds counted while no overflow happened
    uint32_t measuredMs_ = 0;
};

}  // namespace k7acquire
