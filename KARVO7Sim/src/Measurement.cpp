// Shots: the set's signal is recorded, its gates evaluated, and the shot's data block and gate
// results go to the data FIFO, the results store and the registers. Runs over the active sets
// produce their shots at the sets' pulse repetition as the card's time passes; externally
// triggered sets wait for the edges of the trigger source.
#include <algorithm>
#include <cmath>

#include "Card.h"
#include "Random.h"

namespace k7sim {

namespace {
constexpr int64_t kLongestSpan = int64_t{1} << 21;  // samples evaluated at most per shot
constexpr size_t kMostArmed = 4096;                 // single shots waiting for the trigger
constexpr uint64_t kTickUs = 1000;                  // the library clock's resolution
}  // namespace

uint64_t Card::periodUs(uint32_t set) const {
    const ParameterSet& s = sets_[set];
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

// The echoes, the gain and the noise's spread of a set change only with its settings: they
// are computed when the set (or the span, or the offset) changed, and each shot adds its noise.
const SignalModel::Base& Card::shotBase(uint32_t set, int64_t first, int64_t end) {
    BaseCache& c = cache_[set];
    if (c.version != versions_[set] || c.offsetAdjusted != offsetAdjusted_ ||
        c.base.first != first || c.end != end) {
        const SignalModel::Clean clean =
            signal_.clean(sets_[set], first, static_cast<size_t>(end - first));
        c.base = signal_.base(sets_[set], clean, offsetAdjusted_);
        c.version = versions_[set];
        c.offsetAdjusted = offsetAdjusted_;
        c.end = end;
    }
    return c.base;
}

bool Card::keepsResults(uint32_t set) const {
    // Readers file record-layout results under sets 1 to 7, compact entries under sets 1 to 6.
    return set >= 1 && set <= (sets_[set].recordLayout() ? 7u : 6u);
}

// The start of a shot of `set` at or after `earliestUs`: at once, or for an externally
// triggered set at the next edge of the trigger source (never without one).
uint64_t Card::shotTime(uint32_t set, uint64_t earliestUs) const {
    if (!sets_[set].externalTrigger() || earliestUs == kNever) {
        return earliestUs;
    }
    if (triggerPeriodUs_ == 0) {
        return kNever;
    }
    const uint64_t edges = earliestUs / triggerPeriodUs_ + (earliestUs % triggerPeriodUs_ != 0);
    return edges > (kNever - 1) / triggerPeriodUs_ ? kNever : edges * triggerPeriodUs_;
}

void Card::takeShot(uint32_t set, uint64_t atUs, Destination destination, bool inCycle) {
    const ParameterSet& s = sets_[set];
    const bool samplesWanted = (s.output() == 1 || s.output() == 2) &&
                               (destination == Destination::Reply || ascanWanted_ == int(set) ||
                                (destination == Destination::Fifo && !fifo_.full()));
    const bool resultsKept = keepsResults(set);
    if (destination == Destination::Fifo && !samplesWanted && ascanWanted_ != int(set) &&
        (!resultsKept || results_.full())) {
        // Nothing can take this shot: it is lost without being computed. The gate values of
        // the set are then those of a fresh shot when asked for.
        ++shots_;
        lastGates_[set].reset();
        if (s.output() == 1 || s.output() == 2) {
            ++dropped_;
            fifoOverflow_ = true;
        }
        if (resultsKept) {
            resultsOverflow_ = true;
            if (inCycle && !s.recordLayout()) {
                results_.stageLost();
            }
        }
        return;
    }
    const int64_t recordFirst = static_cast<int64_t>(s.delay) - s.prerun;
    const int64_t recordEnd = recordFirst + s.length;
    const GateSpan gates = gateSpan(s);
    int64_t first = gates.first;
    int64_t end = gates.end;
    if (samplesWanted) {
        first = gates.end > gates.first ? std::min(first, recordFirst) : recordFirst;
        end = std::max(end, recordEnd);
    }
    if (end - first > kLongestSpan) {
        first = samplesWanted ? recordFirst : first;
        end = first + std::min<int64_t>(kLongestSpan, end - first);
    }
    SampleRun& run = samples_;
    run.first = first;
    run.samples.clear();
    if (end > first) {
        signal_.shot(shotBase(set, first, end), mix(settings_.seed, config_.number, shots_), run);
    }
    ++shots_;
    const ShotGates result = evaluateGates(s, run);
    lastGates_[set] = result;
    if (set == selected_) {
        lca_.showGates(result);
    }
    const auto stamp = static_cast<uint32_t>(atUs & 0xFFFFFFFFu);
    Bytes block;
    if (samplesWanted) {
        const int16_t* recorded = nullptr;
        if (recordFirst >= run.first && recordEnd <= run.end()) {
            recorded = run.samples.data() + (recordFirst - run.first);
        } else {
            recorded_.resize(s.length);
            for (int64_t i = 0; i < s.length; ++i) {
                recorded_[static_cast<size_t>(i)] = run.at(recordFirst + i);
            }
            recorded = recorded_.data();
        }
        block = s.output() == 2 ? shotBlock(s, outputSamples(s, recorded, s.length), stamp)
                                : shotBlock(s, recorded, s.length, stamp);
    }
    if (ascanWanted_ == static_cast<int>(set) || destination == Destination::Reply) {
        reply_ = block;
        replyPosition_ = 0;
        ascanWanted_ = -1;
    }
    if (destination != Destination::Fifo) {
        return;
    }
    if ((s.output() == 1 || s.output() == 2) && (block.empty() || !fifo_.push(block))) {
        // Too large for the room left, or for the FIFO at all: lost, and the reader is told.
        ++dropped_;
        fifoOverflow_ = true;
    }
    if (!resultsKept) {
        return;
    }
    if (s.recordLayout()) {
        resultsOverflow_ = !results_.push(gateRecord(s, result, stamp)) || resultsOverflow_;
    } else {
        const auto entry = compactEntry(result);
        if (inCycle) {
            results_.stage(Bytes(entry.begin(), entry.end()));
        } else {
            resultsOverflow_ =
                !results_.push(Bytes(entry.begin(), entry.end())) || resultsOverflow_;
        }
    }
}

// A shot outside a run: at once, or armed until the external trigger fires. Shots follow one
// another at the set's pulse repetition at most, so that each carries its own card time, and
// a shot the card cannot take yet waits for card time. The card's time moves in the library
// clock's milliseconds: a shot whose time lies within the millisecond that has begun is taken.
void Card::singleShot(uint32_t set, Destination destination) {
    const uint64_t atUs = shotTime(set, std::max(nowUs_, busyUntilUs_));
    if (atUs == kNever) {
        return;  // the trigger never comes
    }
    busyUntilUs_ = atUs + periodUs(set);
    uint64_t dueUs = atUs;
    if (!sets_[set].externalTrigger()) {
        dueUs =
            !settings_.singleShotsWait || atUs < nowUs_ + kTickUs ? nowUs_ : atUs - (kTickUs - 1);
    }
    if (dueUs <= nowUs_) {
        takeShot(set, atUs, destination);
    } else if (armed_.size() < kMostArmed) {
        armed_.push_back({set, atUs, dueUs, destination});
        fireArmed();
    }
}

void Card::fireArmed() {
    size_t fired = 0;
    while (fired < armed_.size() && armed_[fired].dueUs <= nowUs_) {
        const Armed shot = armed_[fired++];
        takeShot(shot.set, shot.atUs, shot.destination);
    }
    armed_.erase(armed_.begin(), armed_.begin() + static_cast<std::ptrdiff_t>(fired));
}

// The run ends: a cycle it cut short is delivered as it is, and ends the fetch that takes it.
void Card::endRun() {
    if (run_.on && !results_.commit(true)) {
        resultsOverflow_ = true;
    }
    run_.on = false;
}

void Card::runShots() {
    // A card far behind its clock measures the next shots and drops the rest, so that a jump of
    // the clock cannot stall the driver.
    int budget = 4096;
    while (run_.on && run_.nextUs <= nowUs_) {
        if (budget-- <= 0 || (fifo_.full() && results_.full() && ascanWanted_ < 0)) {
            // Nothing can take the shots: skip whole cycles without computing them.
            uint64_t cycleUs = 0;
            for (uint32_t s : run_.sets) {
                cycleUs += periodUs(s);
            }
            const uint64_t cycles = (nowUs_ - run_.nextUs) / cycleUs;
            run_.nextUs = shotTime(run_.sets[run_.position], run_.nextUs + cycles * cycleUs);
            dropped_ += cycles * run_.sets.size();
            if (cycles > 0) {
                continue;
            }
        }
        const uint32_t set = run_.sets[run_.position];
        takeShot(set, run_.nextUs, Destination::Fifo, true);
        busyUntilUs_ = run_.nextUs + periodUs(set);
        // The cycle's control word follows the last gate record of the cycle, in the same step,
        // so that no fetch can separate them.
        if (sets_[set].recordLayout() && keepsResults(set)) {
            bool later = false;
            for (size_t p = run_.position + 1; p < run_.sets.size(); ++p) {
                later = later || (sets_[run_.sets[p]].recordLayout() && keepsResults(run_.sets[p]));
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
