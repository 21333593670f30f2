// One shot: the set's signal is recorded, its gates evaluated, and the shot's data block and
// gate results go to the data FIFO, the results store, the registers or the read port.
#include <algorithm>

#include "Measurement.h"
#include "Random.h"

namespace k7sim {

namespace {
constexpr int64_t kLongestSpan = int64_t{1} << 21;  // samples evaluated at most per shot
}  // namespace

// The echoes, the gain and the noise's spread of a set change only with its settings: they
// are computed when the set (or the span, or the offset) changed, and each shot adds its noise.
const SignalModel::Base& Measurement::shotBase(uint32_t set, int64_t first, int64_t end) {
    BaseCache& c = cache_[set];
    if (c.version != ctx_.firmware.version(set) ||
        c.offsetAdjusted != ctx_.firmware.offsetAdjusted() || c.base.first != first ||
        c.end != end) {
        const SignalModel::Clean clean =
            signal_.clean(ctx_.firmware.set(set), first, static_cast<size_t>(end - first));
        c.base = signal_.base(ctx_.firmware.set(set), clean, ctx_.firmware.offsetAdjusted());
        c.version = ctx_.firmware.version(set);
        c.offsetAdjusted = ctx_.firmware.offsetAdjusted();
        c.end = end;
    }
    return c.base;
}

bool Measurement::keepsResults(uint32_t set) const {
    // Readers file record-layout results under sets 1 to 7, compact entries under sets 1 to 6.
    return set >= 1 && set <= (ctx_.firmware.set(set).recordLayout() ? 7u : 6u);
}

void Measurement::takeShot(uint32_t set, uint64_t atUs, Destination destination, bool inCycle) {
    const ParameterSet& s = ctx_.firmware.set(set);
    const bool samplesWanted = (s.output() == 1 || s.output() == 2) &&
                               (destination == Destination::Reply || ctx_.port.wishesAscan(set) ||
                                (destination == Destination::Fifo && fifoTakes(atUs)));
    const bool resultsKept = keepsResults(set);
    if (destination == Destination::Fifo && !samplesWanted && !ctx_.port.wishesAscan(set) &&
        (!resultsKept || results_.full())) {
        // Nothing can take this shot: it is lost without being computed. The gate values of
        // the set are then those of a fresh shot when asked for.
        ++shots_;
        ctx_.firmware.forgetGates(set);
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
        signal_.shot(shotBase(set, first, end), mix(ctx_.seed, ctx_.card, shots_), run);
    }
    ++shots_;
    const ShotGates result = evaluateGates(s, run);
    ctx_.firmware.recordGates(set, result);
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
    if (ctx_.port.wishesAscan(set) || destination == Destination::Reply) {
        ctx_.port.shotAnswers(block);
    }
    if (destination != Destination::Fifo) {
        return;
    }
    if ((s.output() == 1 || s.output() == 2) &&
        (block.empty() || !(storedLate(atUs) ? fifo_.pushLate(block) : fifo_.push(block)))) {
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

}  // namespace k7sim
