#include "runs/BlockCycles.h"

#include <algorithm>

#include "ErrorWords.h"
#include "Format.h"
#include "KARVO7Acquire.h"
#include "app/MainWindowFields.h"
#include "runs/ReadFailure.h"

namespace k7check {

namespace {
// The card's word for a FIFO that ran over: its meaning names the loss.
constexpr uint32_t kFifoOverflowWord = 0xE7060004u;
// How long the run's thread waits for an item before it looks whether the engine is idle.
constexpr uint32_t kItemWaitMs = 5;
constexpr uint32_t kPauseMs = 1;
// The block looks at no shot: the ring buffer only has to hold them until the run's thread
// passes them by.
constexpr uint32_t kBufferMs = 100;
}  // namespace

BlockCycles::BlockCycles(RunContext& run, const char* runName, uint32_t cardNumber)
    : run_(run), runName_(runName), cardNumber_(cardNumber) {}

BlockCycles::~BlockCycles() {
    if (engine_ != nullptr) {
        K7AcqClose(engine_);
    }
}

bool BlockCycles::start(KARVO7HANDLE card, const Options& options, uint32_t& error) {
    if (engine_ != nullptr) {
        K7AcqClose(engine_);
        engine_ = nullptr;
    }
    K7AcqSettings settings;
    K7AcqDefaults(&settings);
    settings.shotBytes = options.shotBytes;
    settings.shotsPerSecond = options.shotsPerSecond;
    settings.bufferMs = kBufferMs;
    settings.resultsBytes = kDataBufferSize;
    settings.startSet = 3;
    K7AcqCycleSettings cycles{};
    cycles.resultsEveryMs = kCycleMs;
    cycles.ascanSet = options.ascanSet;
    cycles.ascanBytes = options.ascans ? kDataBufferSize : 0;
    cycles.recordLayout = run_.virma4Mode() ? 1 : 0;
    if (K7AcqStartCycles(card, &settings, &cycles, &engine_, &error) == 0) {
        engine_ = nullptr;
        return false;
    }
    card_ = card;
    ended_ = false;
    cardLost_ = 0;
    item_.assign(std::max<uint32_t>(kDataBufferSize, options.shotBytes), 0);
    pending_.clear();
    resultsPending_ = false;
    resultsFailed_ = false;
    final_.clear();
    return true;
}

void BlockCycles::failLine(const std::string& what) {
    const std::string& before = run_.line().text();
    const std::string text = runCardText(runName_, cardNumber_, what);
    run_.line().fail(before.empty() || before.back() == ' ' ? text : " " + text);
}

void BlockCycles::fail(const std::string& what) {
    failed_ = true;
    failLine(what);
    uint32_t error = 0;
    K7AcqStop(engine_, &error);
}

BlockCycles::Taken BlockCycles::takeOne(uint32_t waitMs) {
    K7AcqItem item{};
    uint32_t n = 0;
    uint32_t error = 0;
    if (ended_ || K7AcqRead(engine_, item_.data(), static_cast<uint32_t>(item_.size()), &item, 1,
                            waitMs, &n, &error) == 0) {
        ended_ = true;
        return Taken::Ended;
    }
    if (n == 0) {
        return Taken::Nothing;
    }
    switch (item.kind) {
        case K7ACQ_ITEM_RESULTS:
            pending_.insert(pending_.end(), item_.begin(), item_.begin() + item.bytes);
            resultsPending_ = true;
            return Taken::Results;
        case K7ACQ_ITEM_FINAL_RESULTS:
            final_.assign(item_.begin(), item_.begin() + item.bytes);
            return Taken::Other;
        case K7ACQ_ITEM_ASCAN:
            ascanBytes_ = item.bytes;
            return Taken::Ascan;
        case K7ACQ_ITEM_LOSS:
            cardLoss();
            return Taken::Other;
        case K7ACQ_ITEM_RESULTS_ERROR:
            resultsFailed(static_cast<uint32_t>(item.value));
            return Taken::Other;
        case K7ACQ_ITEM_END:
            ended_ = true;
            if (item.value != 0 && !failed_) {
                fail(errorText("GetData", static_cast<uint32_t>(item.value)));
            }
            return Taken::Ended;
        default:
            return Taken::Other;  // the block's shots: read only to notice an overflow
    }
}

void BlockCycles::cardLoss() {
    // Shots the full ring buffer dropped were read from the card: the block loses nothing by
    // them. Those the card's FIFO lost are a failure.
    K7AcqStatistics statistics{};
    K7AcqGetStatistics(engine_, &statistics);
    const uint64_t lost = statistics.shotsLost - statistics.shotsDropped;
    if (lost > cardLost_) {
        fail(formatText("%s, %llu Schüsse verloren", errorMeaning(kFifoOverflowWord).c_str(),
                        static_cast<unsigned long long>(lost - cardLost_)));
        cardLost_ = lost;
    }
}

void BlockCycles::resultsFailed(uint32_t word) {
    // The cycle goes on without its results, so the block cannot pass; the run goes on as
    // the card may deliver the next ones. The technician is told once, at the first.
    if (resultsFailed_) {
        return;
    }
    resultsFailed_ = true;
    run_.say(formatText("GetResults Error %X", word), "Blockmessung Blenden");
    failLine(errorText("GetResults", word));
}

BlockCycles::Taken BlockCycles::next(bool ascanAwaited) {
    const Taken taken = takeOne(0);
    if (taken != Taken::Nothing) {
        return taken;
    }
    // The card's time moves on only while the engine is idle: it has read what the FIFO
    // holds, or it waits for the set's next shot for an A-scan and has read nothing while the
    // run's thread waited for an item.
    uint32_t flag = 0;
    uint32_t error = 0;
    if (KARVO7IsDataInFIFO(card_, &flag, &error) != 0 && flag != 0) {
        const Taken waited = takeOne(kItemWaitMs);
        if (waited != Taken::Nothing || !ascanAwaited) {
            return waited;
        }
    }
    run_.desktop().sleep(kPauseMs);
    return Taken::Nothing;
}

bool BlockCycles::nextResults(std::vector<uint8_t>& results) {
    for (;;) {
        if (resultsPending_) {
            results.insert(results.end(), pending_.begin(), pending_.end());
            pending_.clear();
            resultsPending_ = false;
            return true;
        }
        const Taken taken = next(false);
        if (taken == Taken::Ended || failed_) {
            return false;
        }
    }
}

bool BlockCycles::nextAscan(std::vector<uint8_t>& ascan, uint32_t& length) {
    uint32_t error = 0;
    if (K7AcqRequestAscan(engine_, &error) == 0) {
        return false;
    }
    for (;;) {
        const Taken taken = next(true);
        if (taken == Taken::Ended || failed_) {
            return false;
        }
        if (taken == Taken::Ascan) {
            length = static_cast<uint32_t>(std::min<std::size_t>(ascanBytes_, ascan.size()));
            std::copy_n(item_.begin(), length, ascan.begin());
            return true;
        }
    }
}

void BlockCycles::stop(std::vector<uint8_t>& results) {
    results.clear();  // an engine that did not start fetched nothing
    uint32_t error = 0;
    if (engine_ == nullptr) {
        return;
    }
    K7AcqStop(engine_, &error);
    while (takeOne(kItemWaitMs) != Taken::Ended) {
    }
    results = final_;
}

}  // namespace k7check
