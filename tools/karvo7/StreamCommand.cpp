// karvo7 stream N --sets 1,3 (--seconds T | --count K) -o FILE|-: a continuous block
// measurement of the sets straight into a file or standard output. Each read takes the card's
// next shot directly into the chunk being filled (no copy, nothing allocated per shot); full
// chunks are written on a thread of their own. A read is started and waited for in short
// slices, so that Ctrl-C cancels it at once: the card is then stopped and emptied, and the
// file closed with every shot read so far.
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>

#include "ChunkWriter.h"
#include "Commands.h"
#include "DataRateCommon.h"
#include "Interrupt.h"
#include "KARVO7Protocol.h"
#include "OutputFile.h"
#include "SetToCard.h"
#include "Tool.h"

namespace karvo7 {

namespace {

// How long one wait for a read lasts before the interruption flag is looked at again.
constexpr uint32_t kWaitSliceMs = 50;
constexpr double kProgressSeconds = 0.5;

using Clock = std::chrono::steady_clock;

struct EventCloser {
    void operator()(K7OsEvent* e) const { K7OsCloseEvent(e); }
};

struct Counters {
    uint64_t shots = 0;
    uint64_t bytes = 0;
    uint32_t overflows = 0;  // times the FIFO ran over and shots were lost
};

// True when the card's FIFO has run over: its status register's full/overflow bits.
bool fifoOverflowed(KARVO7HANDLE card) {
    return (KARVO7ReadRegister(card, k7proto::reg::kFifoStatus) & 0x00F0u) != 0;
}

void progressLine(std::ostream& err, const Counters& c, double seconds, bool last) {
    const double s = seconds > 0 ? seconds : 1e-9;
    char text[160];
    std::snprintf(text, sizeof text,
                  "\r%llu shots  %.0f shots/s  %.1f MB/s  %u overflows  %.1f s%s",
                  static_cast<unsigned long long>(c.shots), static_cast<double>(c.shots) / s,
                  static_cast<double>(c.bytes) / s / 1e6, c.overflows, seconds, last ? "\n" : "");
    err << text << std::flush;
}

bool validate(const StreamOptions& o, std::ostream& err) {
    if (o.seconds.has_value() == o.count.has_value()) {
        complain(err, "give either --seconds or --count");
        return false;
    }
    if (o.seconds && !(*o.seconds > 0)) {
        complain(err, "--seconds must be above 0");
        return false;
    }
    if (o.count && *o.count == 0) {
        complain(err, "--count must be at least 1");
        return false;
    }
    if (o.output.empty()) {
        complain(err, "name the output with -o FILE (- for standard output)");
        return false;
    }
    if (o.sets.empty()) {
        complain(err, "--sets names no set");
        return false;
    }
    for (uint32_t s : o.sets) {
        if (s >= k7check::kSetsPerCard) {
            complain(err, "no set " + std::to_string(s) + " (sets 0 to 7)");
            return false;
        }
    }
    return true;
}

// Hands the sets to the card for a continuous block measurement, the way the check program's
// data-rate runs prepare theirs, and leaves it stopped with an empty FIFO.
bool prepare(KARVO7HANDLE card, const StreamOptions& o,
             const std::array<k7check::ParameterSet, k7check::kSetsPerCard>& sets,
             std::ostream& err) {
    uint32_t error = 0;
    const bool version3 = KARVO7IsVersion3(card) != 0;
    std::array<bool, k7check::kSetsPerCard> active{};
    for (uint32_t s : o.sets) {
        active[s] = true;
        if (version3 &&
            KARVO7SetVIRMA4(card, s, layoutIdentification(o.overrides.layout, o.card, s), &error) ==
                0) {
            complain(err, "set " + std::to_string(s) + ": setting the data layout failed, error " +
                              hexWord(error));
            return false;
        }
        if (!k7check::prepareSet(card, s, k7check::cardRecordOf(sets[s], 3), error)) {
            complain(err, "set " + std::to_string(s) + ": the card refused the set, error " +
                              hexWord(error));
            return false;
        }
        if (version3) {
            KARVO7SetExternalClock(card, sets[s].triggerExtern ? 1 : 0, &error);
            k7check::sendTriggerDelay(card, s, sets[s]);
        }
    }
    if (version3 && !k7check::activateSets(card, active, error)) {
        complain(err, "activating the sets failed, error " + hexWord(error));
        return false;
    }
    KARVO7SetMode(card, 1, &error);
    if (KARVO7SetParam(card, o.sets.front(), &error) == 0) {
        complain(err, "selecting set " + std::to_string(o.sets.front()) + " failed, error " +
                          hexWord(error));
        return false;
    }
    k7check::stopAndClear(card);
    return true;
}

enum class ReadEnd { Shot, Interrupted, Failed };

// One shot into `into`: started, then waited for in slices until it ends or Ctrl-C cancels it.
ReadEnd readShot(KARVO7HANDLE card, K7OsEvent* event, uint8_t* into, uint32_t space,
                 uint32_t& length, uint32_t& error) {
    length = space;
    K7OsResetEvent(event);
    if (KARVO7StartGetData(card, &length, into, event, &error) == 0) {
        return ReadEnd::Failed;
    }
    for (;;) {
        const int state = KARVO7IsReadyGetDataIntReturn(card, &length, &error);
        if (state == 0) {
            return ReadEnd::Shot;
        }
        if (state != -3) {
            return ReadEnd::Failed;
        }
        if (interrupted()) {
            uint32_t ignored = 0;
            KARVO7CancelGetData(card, &ignored);
            // Collect the cancelled read, so that nothing writes into the chunk any more.
            while (KARVO7IsReadyGetDataIntReturn(card, nullptr, &ignored) == -3) {
                K7OsWaitForEvent(event, kWaitSliceMs);
            }
            return ReadEnd::Interrupted;
        }
        K7OsWaitForEvent(event, kWaitSliceMs);
    }
}

}  // namespace

int runStream(const StreamOptions& o, int outFd, std::ostream& err) {
    if (!validate(o, err)) {
        return kExitUsage;
    }
    std::array<k7check::ParameterSet, k7check::kSetsPerCard> sets{};
    for (uint32_t s : o.sets) {
        if (!buildSet(o.overrides, o.card == 0 ? 1 : std::min(o.card, 16u), s, sets[s], err)) {
            return kExitUsage;
        }
    }
    int exitCode = kExitDone;
    CardHandle card = openCard(o.card, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    if (KARVO7IsVersion3(card.get()) == 0 && (o.sets.size() != 1 || o.sets.front() != 0)) {
        complain(err, "card " + std::to_string(o.card) + " holds set 0 only");
        return kExitUsage;
    }
    if (!warmUp(card.get(), o.card, err)) {
        return kExitFailed;
    }
    std::unique_ptr<K7OsEvent, EventCloser> event(K7OsCreateEvent(0, 0));
    if (event == nullptr) {
        complain(err, "no event for the card's reads");
        return kExitFailed;
    }
    OutputFile file;
    std::string why;
    if (!file.open(o.output, outFd, why)) {
        complain(err, why);
        return kExitFailed;
    }
    if (!prepare(card.get(), o, sets, err)) {
        return kExitFailed;
    }
    handleInterrupts(true);
    ChunkWriter writer(file);
    Counters counters;
    uint32_t error = 0;
    const Clock::time_point begin = Clock::now();
    if (KARVO7Start(card.get(), &error) == 0) {
        handleInterrupts(false);
        complain(err, "start failed, error " + hexWord(error));
        return kExitFailed;
    }
    Clock::time_point nextProgress = begin + std::chrono::duration_cast<Clock::duration>(
                                                 std::chrono::duration<double>(kProgressSeconds));
    std::string failure;
    bool stoppedByInterruption = false;
    for (;;) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
        if ((o.count && counters.shots >= *o.count) || (o.seconds && elapsed >= *o.seconds)) {
            break;
        }
        if (o.progress && Clock::now() >= nextProgress) {
            progressLine(err, counters, elapsed, false);
            nextProgress += std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(kProgressSeconds));
        }
        if (writer.space() < kLargestShotBytes && !writer.swap()) {
            failure = writer.error();
            break;
        }
        uint32_t length = 0;
        const ReadEnd end = readShot(card.get(), event.get(), writer.chunk() + writer.filled(),
                                     static_cast<uint32_t>(writer.space()), length, error);
        if (end == ReadEnd::Interrupted) {
            stoppedByInterruption = true;
            break;
        }
        if (end == ReadEnd::Failed && fifoOverflowed(card.get())) {
            // The card lost shots while the program could not keep up: counted, the FIFO
            // emptied, and the measurement goes on; every shot in the file stays whole.
            ++counters.overflows;
            KARVO7ClearFIFO(card.get(), &error);
            continue;
        }
        if (end == ReadEnd::Failed) {
            failure = "reading shot " + std::to_string(counters.shots + 1) + " failed, error " +
                      hexWord(error);
            break;
        }
        writer.filled() += length;
        counters.shots += 1;
        counters.bytes += length;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    // The card stops and its FIFO is emptied whatever ended the run.
    k7check::stopAndClear(card.get());
    const bool written = writer.finish();
    if (!written && failure.empty()) {
        failure = writer.error();
    }
    if (failure.empty() && !file.commit(why)) {
        failure = why;
    }
    handleInterrupts(false);
    if (o.progress) {
        progressLine(err, counters, seconds, true);
    }
    if (!failure.empty()) {
        file.discard();
        complain(err, failure);
        return kExitFailed;
    }
    char summary[200];
    std::snprintf(summary, sizeof summary,
                  "%llu shots, %llu bytes in %.2f s (%.0f shots/s, %.1f MB/s), %u overflows",
                  static_cast<unsigned long long>(counters.shots),
                  static_cast<unsigned long long>(counters.bytes), seconds,
                  seconds > 0 ? static_cast<double>(counters.shots) / seconds : 0.0,
                  seconds > 0 ? static_cast<double>(counters.bytes) / seconds / 1e6 : 0.0,
                  counters.overflows);
    if (stoppedByInterruption) {
        complain(err, std::string("interrupted: ") + summary + " written to " + o.output);
        return kExitFailed;
    }
    if (counters.overflows > 0) {
        complain(err, std::string(summary) + ": shots were lost, " + o.output + " has gaps");
        return kExitFailed;
    }
    err << summary << '\n';
    return kExitDone;
}

}  // namespace karvo7
