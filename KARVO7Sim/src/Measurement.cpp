// Shots: the set's signal is recorded, its gates evaluated, and the shot's data block and gate
// results go to the data FIFO, the results store and the registers. Runs over the active sets
// produce their shots at the sets' pulse repetition as the card's time passes.
#include <algorithm>
#include <cmath>

#include "Card.h"
#include "Random.h"

namespace k7sim {

namespace {
constexpr int64_t kLongestSpan = int64_t{1} << 21;  // samples evaluated at most per shot
}

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

const SignalModel::Clean& Card::cleanSignal(uint32_t set, int64_t first, int64_t end) {
    CleanCache& c = cache_[set];
    if (c.version != versions_[set] || c.signal.first != first ||
        static_cast<int64_t>(c.signal.values.size()) != end - first) {
        c.signal = signal_.clean(sets_[set], first, static_cast<size_t>(end - first));
        c.version = versions_[set];
    }
    return c.signal;
}

void Card::takeShot(uint32_t set, uint64_t atUs, Destination destination) {
    const ParameterSet& s = sets_[set];
    const bool samplesWanted = (s.output() == 1 || s.output() == 2) &&
                               (destination == Destination::Reply || ascanWanted_ == int(set) ||
                                (destination == Destination::Fifo && !fifo_.full()));
    const bool resultsKept = s.recordLayout() || (set >= 1 && set <= 6);
    if (destination == Destination::Fifo && !samplesWanted && ascanWanted_ != int(set) &&
        (!resultsKept || results_.full())) {
        // Nothing can take this shot: it is lost without being computed. The gate values of
        // the set are then those of a fresh shot when asked for.
        ++shots_;
        lastGates_[set].reset();
        if (s.output() == 1 || s.output() == 2 || resultsKept) {
            ++dropped_;
            overflow_ = true;
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
    SampleRun run;
    if (end > first) {
        signal_.shot(s, cleanSignal(set, first, end), mix(settings_.seed, config_.number, shots_),
                     offsetAdjusted_, run);
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
        std::vector<int16_t> recorded(s.length);
        for (int64_t i = 0; i < s.length; ++i) {
            recorded[static_cast<size_t>(i)] = run.at(recordFirst + i);
        }
        block = shotBlock(s, outputSamples(s, recorded.data(), recorded.size()), stamp);
        lastBlock_[set] = block;
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
        ++dropped_;
        overflow_ = true;
    }
    bool stored = true;
    if (s.recordLayout()) {
        stored = results_.push(gateRecord(s, result, stamp));
    } else if (set >= 1 && set <= 6) {
        const auto entry = compactEntry(result);
        stored = results_.push(Bytes(entry.begin(), entry.end()));
    }
    overflow_ = overflow_ || !stored;
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
            run_.nextUs += cycles * cycleUs;
            dropped_ += cycles * run_.sets.size();
            if (cycles > 0) {
                continue;
            }
        }
        const uint32_t set = run_.sets[run_.position];
        takeShot(set, run_.nextUs, Destination::Fifo);
        run_.nextUs += periodUs(set);
        if (++run_.position == run_.sets.size()) {
            run_.position = 0;
            bool records = false;
            for (uint32_t s : run_.sets) {
                records = records || sets_[s].recordLayout();
            }
            if (records) {
                results_.pushControl(record::kEndePruefzyklus);
            }
        }
    }
}

}  // namespace k7sim
