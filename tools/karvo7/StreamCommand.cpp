// karvo7 stream N --set 1,3 (--seconds T | --count K) -o FILE|-: a continuous block
// measurement of the sets straight into a file or standard output, behind a header that says how
// the capture is read (KARVO7Stream.h, "captures"). The acquisition engine reads
// the card on a thread of its own into its ring buffer; this program takes whole shots from the
// ring into the chunk being filled, and full chunks are written on a thread of their own. Shots
// the card lost are counted and named in the summary and the exit code. Ctrl-C stops the engine
// at once: the card is then stopped and emptied, and the file closed with every shot taken.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>

#include "ChunkWriter.h"
#include "Commands.h"
#include "HandOver.h"
#include "Interrupt.h"
#include "KARVO7Acquire.h"
#include "KARVO7Ops.h"
#include "KARVO7Stream.h"
#include "OutputFile.h"
#include "Tool.h"
#include "card/OpsRecord.h"
#include "card/ShotSize.h"

namespace karvo7 {

namespace {

// How long one wait for the engine's shots lasts before the interruption flag and the clock are
// looked at again.
constexpr uint32_t kWaitSliceMs = 50;
constexpr double kProgressSeconds = 0.5;
// Items taken from the ring at a time.
constexpr uint32_t kItemsAtATime = 256;
// The longest run --seconds asks for: a year.
constexpr double kLongestSeconds = 365.0 * 24 * 3600;
// --results: the card's gate results fetched after this many shots and at the end, at most
// this many bytes a fetch.
constexpr uint32_t kResultsEvery = 128;
constexpr uint32_t kResultsBytes = 65536;

using Clock = std::chrono::steady_clock;

struct EngineCloser {
    void operator()(K7AcqEngine* e) const { K7AcqClose(e); }
};
using Engine = std::unique_ptr<K7AcqEngine, EngineCloser>;

struct Counters {
    uint64_t shots = 0;  // shots taken from the ring into the output
    uint64_t bytes = 0;
    uint64_t lost = 0;  // shots the card took that are not in the output
    uint64_t overflowEvents = 0;
    bool ended = false;
    uint32_t error = 0;         // the read failure that ended the engine
    uint32_t lastShotTick = 0;  // the library's clock when the last shot came (or the start)
};

void progressLine(std::ostream& err, const Counters& c, double seconds, bool last) {
    const double s = seconds > 0 ? seconds : 1e-9;
    char text[160];
    std::snprintf(text, sizeof text, "\r%llu shots  %.0f shots/s  %.1f MB/s  %llu lost  %.1f s%s",
                  static_cast<unsigned long long>(c.shots), static_cast<double>(c.shots) / s,
                  static_cast<double>(c.bytes) / s / 1e6, static_cast<unsigned long long>(c.lost),
                  seconds, last ? "\n" : "");
    err << text << std::flush;
}

bool validate(const StreamOptions& o, std::ostream& err) {
    if (o.seconds.has_value() == o.count.has_value()) {
        complain(err, "give either --seconds or --count");
        return false;
    }
    if (o.seconds && !(*o.seconds > 0 && *o.seconds <= kLongestSeconds)) {
        complain(err, "--seconds must be above 0 and at most 31536000 (a year)");
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
    if (o.results && o.overrides.layout == Layout::Native) {
        // Native gate results are bare compact entries, not to be told from samples.
        complain(err, "--results needs the record layout");
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

// Gives the sets their layout, then has the card operations prepare them for a continuous
// block measurement as the check program's data-rate runs prepare theirs (start code 3, the
// first set selected), and leave the card stopped with an empty FIFO. `stream` gets what the
// engine is given.
bool prepare(KARVO7HANDLE card, const StreamOptions& o,
             const std::array<k7check::ParameterSet, k7check::kSetsPerCard>& sets,
             K7OpsStreamLayout& stream, std::ostream& err) {
    uint32_t error = 0;
    const bool version3 = KARVO7IsVersion3(card) != 0;
    std::array<K7OpsSet, k7check::kSetsPerCard> records{};
    uint32_t active = 0;
    for (uint32_t s : o.sets) {
        active |= 1u << s;
        records[s] = k7check::opsRecordOf(k7check::cardRecordOf(sets[s]));
        if (version3 &&
            KARVO7SetVIRMA4(card, s, layoutIdentification(o.overrides.layout, o.card, s), &error) ==
                0) {
            complain(err, "set " + std::to_string(s) + ": setting the data layout failed, error " +
                              errorWord(error));
            return false;
        }
    }
    uint32_t failedSet = 0;
    uint32_t step = 0;
    const uint32_t layout =
        o.overrides.layout == Layout::Record ? K7OPS_LAYOUT_RECORD : K7OPS_LAYOUT_NATIVE;
    if (K7OpsPrepareStream(card, records.data(), active, layout, 1, &stream, &failedSet, &step,
                           &error) == 0) {
        complain(
            err,
            step == K7OPS_STEP_ACTIVE_SETS ? "activating the sets failed, error " + errorWord(error)
            : step == K7OPS_STEP_SELECT_SET ? "selecting set " + std::to_string(failedSet) +
                                                  " failed, error " + errorWord(error)
            : step != K7OPS_STEP_NONE ? refusedText(failedSet, step, error)
                                      : "preparing the stream failed, error " + errorWord(error));
        return false;
    }
    return true;
}

// The line that ends a stream: "N shots read, N shots lost, N overflow events; N bytes in ...".
std::string summaryOf(const Counters& c, double seconds) {
    char text[240];
    std::snprintf(text, sizeof text,
                  "%llu shots read, %llu shots lost, %llu overflow events; %llu bytes in %.2f s "
                  "(%.0f shots/s, %.1f MB/s)",
                  static_cast<unsigned long long>(c.shots), static_cast<unsigned long long>(c.lost),
                  static_cast<unsigned long long>(c.overflowEvents),
                  static_cast<unsigned long long>(c.bytes), seconds,
                  seconds > 0 ? static_cast<double>(c.shots) / seconds : 0.0,
                  seconds > 0 ? static_cast<double>(c.bytes) / seconds / 1e6 : 0.0);
    return text;
}

// The engine for the sets: each read asks for the largest block a shot of them delivers, the
// ring buffer holds a second of shots at their rate (both as the card operations prepared
// them), and it ends after --count shots.
K7AcqSettings engineSettings(const StreamOptions& o, const K7OpsStreamLayout& stream) {
    K7AcqSettings s;
    K7AcqDefaults(&s);
    s.shotBytes = stream.shotBytes;
    s.shotsPerSecond = stream.shotsPerSecond;
    s.startSet = stream.startSet;
    s.shotCount = o.count.value_or(0);
    if (o.results) {
        s.resultsEvery = kResultsEvery;
        s.resultsBytes = kResultsBytes;
    }
    return s;
}

// The capture's header: how its records are read (the sets' layout, sample width and samples a
// shot when they agree), which sets took part at which rates, when and by what it was written.
void putCaptureHeader(const StreamOptions& o,
                      const std::array<k7check::ParameterSet, k7check::kSetsPerCard>& sets,
                      const K7AcqSettings& settings, ChunkWriter& writer) {
    const k7check::ParameterSet& first = sets[o.sets.front()];
    const auto samplesOf = [](const k7check::ParameterSet& set) {
        return static_cast<uint32_t>(k7check::shotBytes(set, false) / (set.bit8 ? 1 : 2));
    };
    KARVO7StreamCapture c{};
    c.struct_size = sizeof c;
    c.layout = o.overrides.layout == Layout::Native ? KARVO7STREAM_LAYOUT_NATIVE
                                                    : KARVO7STREAM_LAYOUT_RECORD;
    c.sample_bits = first.bit8 ? 8 : 16;
    c.samples_per_shot = samplesOf(first);
    c.sample_rate = first.samplerate;
    for (uint32_t s : o.sets) {
        c.active_sets |= 1u << s;
        if (samplesOf(sets[s]) != c.samples_per_shot || sets[s].bit8 != first.bit8) {
            c.samples_per_shot = 0;
        }
        if (sets[s].samplerate != first.samplerate) {
            c.sample_rate = KARVO7STREAM_CAPTURE_MIXED;
        }
    }
    c.shots_per_second = settings.shotsPerSecond;
    c.flags = o.results ? KARVO7STREAM_CAPTURE_RESULTS : 0;
    c.start_time_us = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                std::chrono::system_clock::now().time_since_epoch())
                                                .count());
    c.writer_version = KARVO7STREAM_VERSION_NUMBER_OF(
        KARVO7STREAM_VERSION_MAJOR, KARVO7STREAM_VERSION_MINOR, KARVO7STREAM_VERSION_PATCH);
    const int32_t bytes = KARVO7StreamWriteCapture(&c, writer.chunk() + writer.filled(),
                                                   static_cast<uint32_t>(writer.space()));
    writer.filled() += static_cast<std::size_t>(std::max(bytes, 0));
    writer.itemEnds(false);
}

// Takes what the engine has into the writer's chunk; false when the chunk could not be
// handed to the writer.
bool takeShots(K7AcqEngine* engine, ChunkWriter& writer, uint32_t itemBytes, Counters& counters) {
    if (writer.space() < itemBytes && !writer.swap()) {
        return false;
    }
    K7AcqItem items[kItemsAtATime];
    uint32_t count = 0;
    uint32_t error = 0;
    if (K7AcqRead(engine, writer.chunk() + writer.filled(), static_cast<uint32_t>(writer.space()),
                  items, kItemsAtATime, kWaitSliceMs, &count, &error) == 0) {
        counters.ended = true;
        counters.error = error;
        return true;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const K7AcqItem& item = items[i];
        if (item.kind == K7ACQ_ITEM_SHOT) {
            writer.filled() += item.bytes;
            writer.itemEnds(true);
            counters.shots += 1;
            counters.bytes += item.bytes;
            counters.lastShotTick = K7OsGetTickCount();
        } else if (item.kind == K7ACQ_ITEM_RESULTS || item.kind == K7ACQ_ITEM_FINAL_RESULTS) {
            // Gate results records between the shots, as the card delivered them.
            writer.filled() += item.bytes;
            writer.itemEnds(false);
            counters.bytes += item.bytes;
        } else if (item.kind == K7ACQ_ITEM_LOSS) {
            counters.lost += item.value;
        } else if (item.kind == K7ACQ_ITEM_END) {
            counters.ended = true;
            counters.error = static_cast<uint32_t>(item.value);
        }
    }
    return true;
}

// After the output failed: the file cut to the whole items that reached it and completed, or
// discarded when not even the header did. Says what the file holds.
std::string keepWhatWasWritten(OutputFile& file, ChunkWriter& writer, const Counters& counters) {
    const int64_t reached = file.written();
    const ChunkWriter::Whole whole =
        writer.wholeItemsWritten(reached > 0 ? static_cast<uint64_t>(reached) : 0);
    const std::string read = std::to_string(counters.shots) + " shots read";
    if (reached < 0) {
        return read;  // standard output, a pipe or a device: what went there is the reader's
    }
    std::string why;
    if (whole.bytes == 0 || !file.keepFirst(whole.bytes, why)) {
        file.discard();
        return read + ", " + (why.empty() ? "nothing of them kept" : why);
    }
    return read + ", " + file.name() + " keeps the first " + std::to_string(whole.shots) + " (" +
           std::to_string(whole.bytes) + " bytes)";
}

}  // namespace

int runStream(const StreamOptions& given, int outFd, std::ostream& err) {
    if (!validate(given, err)) {
        return kExitUsage;
    }
    int exitCode = kExitDone;
    CardHandle card = openCard(given.card, given.opened, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    const bool version3 = KARVO7IsVersion3(card.get()) != 0;
    StreamOptions o = given;
    if (o.sets.empty()) {
        o.sets = {version3 ? 1u : 0u};
    }
    if (!version3) {
        // A card that is not a version-3 card knows no record layout: it delivers its native
        // data, and the capture's header says so.
        if (o.results) {
            complain(err, "card " + std::to_string(o.card) +
                              " delivers the native layout only: --results needs the record "
                              "layout");
            return kExitUsage;
        }
        o.overrides.layout = Layout::Native;
    }
    std::array<k7check::ParameterSet, k7check::kSetsPerCard> sets{};
    for (uint32_t s : o.sets) {
        if (!buildSet(o.overrides, o.card == 0 ? 1 : std::min(o.card, 16u), s, sets[s], err)) {
            return kExitUsage;
        }
    }
    if (!version3 && (o.sets.size() != 1 || o.sets.front() != 0)) {
        complain(err, "card " + std::to_string(o.card) + " holds set 0 only");
        return kExitUsage;
    }
    if (!withinCardLimits(card.get(), o.card, o.overrides, err)) {
        return kExitUsage;
    }
    if (!warmUp(card.get(), o.card, err)) {
        return kExitFailed;
    }
    OutputFile file;
    std::string why;
    if (!file.open(o.output, outFd, why)) {
        complain(err, why);
        return kExitFailed;
    }
    K7OpsStreamLayout stream{};
    if (!prepare(card.get(), o, sets, stream, err)) {
        return kExitFailed;
    }
    const bool externalTrigger = std::any_of(o.sets.begin(), o.sets.end(),
                                             [&](uint32_t s) { return sets[s].externerTrigger; });
    if (externalTrigger && !setTriggerWait(card.get(), err)) {
        return kExitFailed;
    }
    handleInterrupts(true);
    ChunkWriter writer(file);
    Counters counters;
    const K7AcqSettings settings = engineSettings(o, stream);
    putCaptureHeader(o, sets, settings, writer);
    uint32_t error = 0;
    const Clock::time_point begin = Clock::now();
    K7AcqEngine* started = nullptr;
    // The first read starts within the start: the wait for a trigger is counted from before it.
    counters.lastShotTick = K7OsGetTickCount();
    if (K7AcqStart(card.get(), &settings, &started, &error) == 0) {
        handleInterrupts(false);
        complain(err, "start failed, error " + errorWord(error));
        return kExitFailed;
    }
    Engine engine(started);
    Clock::time_point nextProgress = begin + std::chrono::duration_cast<Clock::duration>(
                                                 std::chrono::duration<double>(kProgressSeconds));
    std::string failure;
    bool stopping = false;
    bool stoppedByInterruption = false;
    // The engine ends by itself after --count shots; after --seconds, on Ctrl-C or when the output
    // fails it is stopped, and what it read before is still taken.
    while (!counters.ended) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
        if (!stopping && (interrupted() || (o.seconds && elapsed >= *o.seconds))) {
            stoppedByInterruption = interrupted();
            stopping = true;
            K7AcqStop(engine.get(), &error);
        }
        if (o.progress && Clock::now() >= nextProgress) {
            progressLine(err, counters, elapsed, false);
            nextProgress += std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(kProgressSeconds));
        }
        if (!takeShots(engine.get(), writer, std::max(settings.shotBytes, settings.resultsBytes),
                       counters)) {
            failure = writer.error();
            break;
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    // The card stops and its FIFO is emptied whatever ended the run.
    K7AcqStop(engine.get(), &error);
    K7AcqStatistics statistics{};
    K7AcqGetStatistics(engine.get(), &statistics);
    counters.overflowEvents = statistics.overflowEvents;
    counters.lost = std::max(counters.lost, statistics.shotsLost);
    if (failure.empty() && counters.error != 0) {
        const bool waited =
            externalTrigger &&
            noTriggerCame(counters.error, K7OsGetTickCount() - counters.lastShotTick);
        failure = "reading shot " + std::to_string(counters.shots + counters.lost + 1) +
                  (waited ? ": " + noTriggerText(counters.error)
                          : " failed, error " + errorWord(counters.error));
    }
    const bool written = writer.finish();
    if (!written && failure.empty()) {
        failure = writer.error();
    }
    if (!written) {
        // The output failed (a full disk): the file keeps the whole shots that reached it, as a
        // stop with Ctrl-C keeps every shot read.
        handleInterrupts(false);
        complain(err, failure + "; " + keepWhatWasWritten(file, writer, counters));
        return kExitFailed;
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
    const std::string summary = summaryOf(counters, seconds);
    if (stoppedByInterruption) {
        complain(err, "interrupted: " + summary + " written to " + o.output);
        return kExitFailed;
    }
    if (counters.lost > 0) {
        complain(err, summary + ": " + std::to_string(counters.lost) + " shots lost, " + o.output +
                          " has gaps");
        return kExitFailed;
    }
    complain(err, summary);
    return kExitDone;
}

}  // namespace karvo7
