// Single shots and runs: runs over the active sets produce their shots at the sets' pulse
// repetition as the card's time passes; externally triggered sets wait for the edges of the
// trigger source.
#include <algorithm>
#include <cmath>

#include "Measurement.h"

namespace k7sim {

namespace {
constexpr size_t kMostArmed = 4096;  // single shots waiting for the trigger
constexpr uint64_t kTickUs = 1000;   // the library clock's resolution
}  // namespace

Measurement::Measurement(const Context& context, const Specimen& specimen, uint32_t fifoBytes,
                         uint32_t resultsBytes, double externalTriggerHz, uint32_t maxRepetitionHz)
    : ctx_(context),
      signal_(specimen),
      maxRepetitionHz_(maxRepetitionHz),
      fifo_(fifoBytes),
      results_(resultsBytes) {
    if (externalTriggerHz > 0.0) {
        const double period = std::round(1e6 / std::min(externalTriggerHz, 1e6));
        triggerPeriodUs_ = static_cast<uint64_t>(std::max(1.0, period));
    }
    powerUp();
}

void Measurement::powerUp() {
    cache_.assign(ctx_.firmware.setCount(), BaseCache{});
    run_ = Run{};
    fifo_.clear();
    results_.restart();
    fifoOverflow_ = false;
    resultsOverflow_ = false;
    busyUntilUs_ = 0;
    armed_.clear();
}

void Measurement::advance(uint64_t hostWaitingSinceUs) {
    hostWaitingSinceUs_ = hostWaitingSinceUs;
    fireArmed();
    runShots();
    hostWaitingSinceUs_ = kNever;
}

bool Measurement::storedLate(uint64_t atUs) const {
    return atUs >= hostWaitingSinceUs_ && atUs + kTickUs <= ctx_.nowUs;
}

bool Measurement::fifoTakes(uint64_t atUs) const {
    return !fifo_.full() || (storedLate(atUs) && fifo_.lateRoom());
}

// Mode 1 takes one shot; modes 2 and 3 run over the sets until stopped.
void Measurement::start(uint32_t mode, uint32_t fallback) {
    endRun();
    if (mode == 1) {
        singleShot(ctx_.firmware.selected(), Destination::Fifo);
        return;
    }
    Run run;
    run.sets = ctx_.firmware.runSets(fallback);
    run.on = true;
    run.modus = static_cast<uint8_t>(mode);
    run_ = run;
    // The first shot comes at once, or for an externally triggered set with the next trigger;
    // a card still busy with a single shot begins when that shot's period is over.
    const bool waits = ctx_.firmware.set(run_.sets[0]).externalTrigger() || ctx_.singleShotsWait;
    run_.nextUs = shotTime(run_.sets[0], waits ? std::max(ctx_.nowUs, busyUntilUs_) : ctx_.nowUs);
}

void Measurement::stop() {
    endRun();
    armed_.clear();
}

void Measurement::abandon() {
    run_.on = false;
    armed_.clear();
    fifo_.clear();
    results_.restart();
    fifoOverflow_ = false;
    resultsOverflow_ = false;
}

void Measurement::clear() {
    discardFifo();
    results_.clear();
    fifoOverflow_ = false;
    resultsOverflow_ = false;
}

// A FIFO emptied while the card measures throws away shots it took that nobody read: they are
// lost as those it had no room for are. A stopped card's FIFO holds shots after the last one the
// host wanted.
void Measurement::discardFifo() {
    if (run_.on) {
        dropped_ += fifo_.unreadShots();
    }
    fifo_.clear();
}

void Measurement::clearFifo() {
    discardFifo();
    fifoOverflow_ = false;
}

bool Measurement::measures(uint32_t set) const {
    bool measured = false;
    for (uint32_t s : run_.sets) {
        measured = measured || (run_.on && s == set);
    }
    return measured;
}

uint64_t Measurement::periodUs(uint32_t set) const {
    const ParameterSet& s = ctx_.firmware.set(set);
    uint32_t hz = maxRepetitionHz_;
    if (s.iffUsed() && s.iff != 0) {
        hz = std::min(hz, s.iff);
    }
    const double recordUs = (static_cast<double>(s.delay) + s.length) / samplingMHz(s.samplerate());
    double period = std::max(1e6 / hz, recordUs + 2.0);
    if (s.averaging()) {
        period *= std::ldexp(1.0, static_cast<int>(s.average & 7u));
    }
    return std::max<uint64_t>(1, static_cast<uint64_t>(std::llround(period)));
}

// The start of a shot of `set` at or after `earliestUs`: at once, or for an externally
// triggered set at the next edge of the trigger source (never without one).
uint64_t Measurement::shotTime(uint32_t set, uint64_t earliestUs) const {
    if (!ctx_.firmware.set(set).externalTrigger() || earliestUs == kNever) {
        return earliestUs;
    }
    if (triggerPeriodUs_ == 0) {
        return kNever;
    }
    const uint64_t edges = earliestUs / triggerPeriodUs_ + (earliestUs % triggerPeriodUs_ != 0);
    return edges > (kNever - 1) / triggerPeriodUs_ ? kNever : edges * triggerPeriodUs_;
}

// A shot outside a run: at once, or armed until the external trigger fires. Shots follow one
// another at the set's pulse repetition at most, so that each carries its own card time, and
// a shot the card cannot take yet waits for card time. The card's time moves in the library
// clock's milliseconds: a shot whose time lies within the millisecond that has begun is taken.
void Measurement::singleShot(uint32_t set, Destination destination) {
    const uint64_t atUs = shotTime(set, std::max(ctx_.nowUs, busyUntilUs_));
    if (atUs == kNever) {
        return;  // the trigger never comes
    }
    busyUntilUs_ = atUs + periodUs(set);
    uint64_t dueUs = atUs;
    if (!ctx_.firmware.set(set).externalTrigger()) {
        dueUs = !ctx_.singleShotsWait || atUs < ctx_.nowUs + kTickUs ? ctx_.nowUs
                                                                     : atUs - (kTickUs - 1);
    }
    if (dueUs <= ctx_.nowUs) {
        takeShot(set, atUs, destination);
    } else if (armed_.size() < kMostArmed) {
        armed_.push_back({set, atUs, dueUs, destination});
        fireArmed();
    }
}

void Measurement::fireArmed() {
    size_t fired = 0;
    while (fired < armed_.size() && armed_[fired].dueUs <= ctx_.nowUs) {
        const Armed shot = armed_[fired++];
        takeShot(shot.set, shot.atUs, shot.destination);
    }
    armed_.erase(armed_.begin(), armed_.begin() + static_cast<std::ptrdiff_t>(fired));
}

// The run ends: a cycle it cut short is delivered as it is, and ends the fetch that takes it.
void Measurement::endRun() {
    if (run_.on && !results_.commit(true)) {
        resultsOverflow_ = true;
    }
    run_.on = false;
}

// Whole cycles of the run that nothing could take: the card took their shots (its counter
// counts them), and those that deliver data into the FIFO are lost to it.
void Measurement::skipCycles(uint64_t cycles) {
    if (cycles == 0) {
        return;
    }
    for (uint32_t s : run_.sets) {
        const ParameterSet& set = ctx_.firmware.set(s);
        shots_ += cycles;
        if (set.output() == 1 || set.output() == 2) {
            dropped_ += cycles;
            fifoOverflow_ = true;
        }
        if (keepsResults(s)) {
            resultsOverflow_ = true;
        }
    }
}

void Measurement::runShots() {
    // A card far behind its clock measures the next shots and drops the rest, so that a jump of
    // the clock cannot stall the driver.
    int budget = 4096;
    while (run_.on && run_.nextUs <= ctx_.nowUs) {
        if (budget-- <= 0 ||
            (!fifoTakes(run_.nextUs) && results_.full() && !ctx_.port.wishesAnyAscan())) {
            // Nothing can take the shots: skip whole cycles without computing them.
            uint64_t cycleUs = 0;
            for (uint32_t s : run_.sets) {
                cycleUs += periodUs(s);
            }
            const uint64_t cycles = (ctx_.nowUs - run_.nextUs) / cycleUs;
            run_.nextUs = shotTime(run_.sets[run_.position], run_.nextUs + cycles * cycleUs);
            skipCycles(cycles);
            if (cycles > 0) {
                continue;
            }
        }
        const uint32_t set = run_.sets[run_.position];
        takeShot(set, run_.nextUs, Destination::Fifo, true);
        busyUntilUs_ = run_.nextUs + periodUs(set);
        // The cycle's control word follows the last gate record of the cycle, in the same step,
        // so that no fetch can separate them.
        if (ctx_.firmware.set(set).recordLayout() && keepsResults(set)) {
            bool later = false;
            for (size_t p = run_.position + 1; p < run_.sets.size(); ++p) {
                later = later || (ctx_.firmware.set(run_.sets[p]).recordLayout() &&
                                  keepsResults(run_.sets[p]));
            }
            if (!later) {
                results_.pushControl(record::kEndePruefzyklus);
            }
        }
        if (++run_.position == run_.sets.size()) {
            run_.position = 0;
            if (!results_.commit()) {
                resultsOverflow_ = true;
            }
        }
        run_.nextUs = shotTime(run_.sets[run_.position], busyUntilUs_);
    }
}

}  // namespace k7sim
