#include "runs/EngineReads.h"

#include <algorithm>
#include <memory>

#include "Format.h"
#include "KARVO7Acquire.h"
#include "KARVO7Os.h"

namespace k7check {

namespace {
// The run's thread pauses this long between serving the desktop and taking shots.
constexpr uint32_t kPauseMs = 5;
// The card's highest rate.
constexpr uint32_t kHighestRate = 20000;
constexpr uint32_t kLargestShotBytes = 131084;

struct EngineCloser {
    void operator()(K7AcqEngine* e) const { K7AcqClose(e); }
};

// What the run's thread has seen of the engine.
struct Taken {
    uint64_t shots = 0;
    uint32_t lastTick = 0;  // the library's tick when the last shot was taken
    bool ended = false;
    bool failed = false;
};

}  // namespace

uint32_t largestShotBytes(const ParameterSet& set) {
    return std::min<uint32_t>(2u * set.aufnahmelaenge + 16u, kLargestShotBytes);
}

uint32_t shotRateOf(const ParameterSet& set) {
    return set.iff != 0 ? std::min(set.iff, kHighestRate) : kHighestRate;
}

uint32_t shotRateOf(const std::vector<const ParameterSet*>& sets) {
    double cycleSeconds = 0.0;
    for (const ParameterSet* set : sets) {
        cycleSeconds += 1.0 / shotRateOf(*set);
    }
    return cycleSeconds > 0 ? static_cast<uint32_t>(static_cast<double>(sets.size()) / cycleSeconds)
                            : kHighestRate;
}

std::optional<uint32_t> readShotsThroughEngine(RunContext& run, RunPace& pace, KARVO7HANDLE card,
                                               uint32_t cardNumber, uint64_t count,
                                               uint32_t shotBytes, uint32_t shotsPerSecond,
                                               const std::function<bool(uint64_t)>& shown) {
    K7AcqSettings settings;
    K7AcqDefaults(&settings);
    settings.shotBytes = shotBytes;
    settings.shotsPerSecond = shotsPerSecond;
    settings.shotCount = count;
    K7AcqEngine* started = nullptr;
    uint32_t error = 0;
    if (K7AcqStart(card, &settings, &started, &error) == 0) {
        run.failWhileReading(formatText("Start Error %X", error));
        run.showReadingFailure();
        return std::nullopt;
    }
    // The card measures from here.
    const uint32_t begin = run.desktop().tickCount();
    std::unique_ptr<K7AcqEngine, EngineCloser> engine(started);
    std::vector<uint8_t>& buffer = run.fetchBuffer();
    Taken taken;
    bool stopped = false;
    // A read's failure is the run's line, as it always was, without a message.
    const auto fail = [&](const std::string& text) {
        run.line().fail(text);
        taken.failed = true;
        K7AcqStop(engine.get(), &error);
    };
    while (!taken.ended) {
        run.desktop().sleep(kPauseMs);
        if (!stopped && !taken.failed && pace.stopped()) {
            stopped = true;
            K7AcqStop(engine.get(), &error);
        }
        K7AcqItem item{};
        uint32_t n = 0;
        while (!taken.ended &&
               K7AcqRead(engine.get(), buffer.data(), static_cast<uint32_t>(buffer.size()), &item,
                         1, 0, &n, &error) != 0 &&
               n == 1) {
            if (item.kind == K7ACQ_ITEM_SHOT && !taken.failed) {
                run.setDataLength(item.bytes);
                taken.lastTick = K7OsGetTickCount();
                if (!shown(taken.shots++)) {
                    taken.failed = true;
                    K7AcqStop(engine.get(), &error);
                }
            } else if (item.kind == K7ACQ_ITEM_LOSS && !taken.failed) {
                fail(formatText("%s Karte %u: FIFO-Überlauf, %llu Schüsse verloren", run.caption(),
                                cardNumber, static_cast<unsigned long long>(item.value)));
            } else if (item.kind == K7ACQ_ITEM_END) {
                taken.ended = true;
                if (item.value != 0 && !taken.failed) {
                    fail(formatText("%s Karte %u: GetData Error %X", run.caption(), cardNumber,
                                    static_cast<uint32_t>(item.value)));
                }
            }
        }
        run.displays().serve();
    }
    if (stopped && !taken.failed) {
        run.stopByOperator();
    }
    if (taken.failed || stopped) {
        run.showReadingFailure();
        return std::nullopt;
    }
    return taken.lastTick - begin;
}

}  // namespace k7check
