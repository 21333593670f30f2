#include "ShotCounter.h"

#include <algorithm>

namespace k7acquire {

namespace {
// The measured rate counts once it spans this long.
constexpr uint32_t kMeasuredMs = 100;
}  // namespace

void ShotCounter::begin(uint8_t counter, uint32_t tick) {
    last_ = counter;
    lastTick_ = tick;
    taken_ = 0;
    measuredShots_ = 0;
    measuredMs_ = 0;
}

bool ShotCounter::rateMeasured() const {
    return measuredMs_ >= kMeasuredMs;
}

uint64_t ShotCounter::rate() const {
    if (!rateMeasured()) {
        return shotsPerSecond_;
    }
    const uint64_t measured = measuredShots_ * 1000 / measuredMs_;
    return shotsPerSecond_ == 0 ? measured : std::min<uint64_t>(shotsPerSecond_, measured);
}

uint64_t ShotCounter::advance(uint8_t counter, uint32_t tick, uint64_t atLeast, bool turned) {
    uint64_t delta = static_cast<uint8_t>(counter - last_);
    const uint32_t ms = tick - lastTick_;
    // The counter shows the shots modulo 256: the time passed says how many whole turns. After
    // an overflow it may have turned any number of times; without one, too, when the reading
    // thread was held up while the FIFO took more than 256 shots, which a steady card of a known
    // rate tells by the time passed.
    if (turned || (steady_ && shotsPerSecond_ != 0 && rateMeasured())) {
        const uint64_t expected = uint64_t{ms} * rate() / 1000;
        if (expected > delta + 128) {
            delta += 256 * ((expected - delta + 128) / 256);
        }
    }
    const uint64_t before = taken_;
    taken_ += delta;
    while (taken_ < atLeast) {
        taken_ += 256;
    }
    if (!turned) {
        // The shots taken, not those read: the reads fall behind the card by what the FIFO
        // holds at each overflow, and would measure it the slower the more often it runs over.
        measuredShots_ += taken_ - before;
        measuredMs_ += ms;
    }
    last_ = counter;
    lastTick_ = tick;
    return taken_;
}

}  // namespace k7acquire
