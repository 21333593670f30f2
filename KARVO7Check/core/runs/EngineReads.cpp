#include "runs/EngineReads.h"

#include <algorithm>

#include "Format.h"
#include "KARVO7Acquire.h"
#include "KARVO7Os.h"
#include "runs/ReadFailure.h"

namespace k7check {

CardEngine::CardEngine(RunContext& run, const char* runName, uint32_t cardNumber)
    : run_(run), runName_(runName), cardNumber_(cardNumber) {}

CardEngine::~CardEngine() {
    if (engine_ != nullptr) {
        K7AcqClose(engine_);
    }
}

void CardEngine::fail(const std::string& what, bool shown) {
    const std::string text = runCardText(runName_, cardNumber_, what);
    // Another card's failure may stand in the line already.
    const std::string& before = run_.line().text();
    run_.line().fail(before.empty() || before.back() == ' ' ? text : " " + text);
    if (shown) {
        message_ = text;
    }
    failed_ = true;
    stop();
}

bool CardEngine::start(KARVO7HANDLE card, uint64_t count, uint32_t shotBytes,
                       uint32_t shotsPerSecond, uint32_t engines) {
    K7AcqSettings settings;
    K7AcqDefaults(&settings);
    settings.maxBufferBytes /= std::max(engines, 1u);
    settings.shotBytes = shotBytes;
    settings.shotsPerSecond = shotsPerSecond;
    settings.shotCount = count;
    uint32_t error = 0;
    if (K7AcqStart(card, &settings, &engine_, &error) == 0) {
        engine_ = nullptr;
        fail(errorText("Start", error), true);
        return false;
    }
    ended_ = false;
    return true;
}

void CardEngine::take(std::vector<uint8_t>& buffer,
                      const std::function<bool(uint64_t, uint32_t)>& shot) {
    const uint64_t before = shots_;
    while (!ended_ && takeItem(buffer, shot)) {
    }
    if (shots_ != before) {
        // Once per take, never once per shot: the library's clock is shared with the reading
        // threads of the engine and the card, which must never wait for this thread.
        lastTick_ = K7OsGetTickCount();
    }
}

bool CardEngine::takeItem(std::vector<uint8_t>& buffer,
                          const std::function<bool(uint64_t, uint32_t)>& shot) {
    K7AcqItem item{};
    uint32_t n = 0;
    uint32_t error = 0;
    if (K7AcqRead(engine_, buffer.data(), static_cast<uint32_t>(buffer.size()), &item, 1, 0, &n,
                  &error) == 0) {
        // Nothing more can be taken: the engine is closed with the card stopped.
        fail(errorText("Read", error), false);
        ended_ = true;
        return false;
    }
    if (n == 0) {
        return false;
    }
    if (item.kind == K7ACQ_ITEM_SHOT && !failed_) {
        if (!shot(shots_++, item.bytes)) {
            failed_ = true;
            stop();
        }
    } else if (item.kind == K7ACQ_ITEM_LOSS && !failed_) {
        fail(formatText("FIFO-Überlauf, %llu Schüsse verloren",
                        static_cast<unsigned long long>(item.value)),
             false);
    } else if (item.kind == K7ACQ_ITEM_END) {
        ended_ = true;
        if (item.value != 0 && !failed_) {
            fail(errorText("GetData", static_cast<uint32_t>(item.value)), false);
        }
    }
    return true;
}

void CardEngine::stop() {
    uint32_t error = 0;
    if (engine_ != nullptr) {
        K7AcqStop(engine_, &error);
    }
}

std::optional<uint32_t> readShotsThroughEngine(RunContext& run, RunPace& pace, KARVO7HANDLE card,
                                               const char* runName, uint32_t cardNumber,
                                               uint64_t count, uint32_t shotBytes,
                                               uint32_t shotsPerSecond,
                                               const std::function<bool(uint64_t)>& shown) {
    CardEngine engine(run, runName, cardNumber);
    std::vector<uint8_t>& buffer = run.fetchBuffer();
    bool stopped = false;
    uint32_t begin = 0;
    if (engine.start(card, count, shotBytes, shotsPerSecond)) {
        // The card measures from here.
        begin = run.desktop().tickCount();
        while (!engine.ended()) {
            run.desktop().sleep(kEnginePauseMs);
            if (!stopped && !engine.failed() && pace.stopped()) {
                stopped = true;
                engine.stop();
            }
            engine.take(buffer, [&](uint64_t k, uint32_t length) {
                run.setDataLength(length);
                return shown(k);
            });
            run.displays().serve();
        }
    }
    if (stopped && !engine.failed()) {
        run.stopByOperator();
    }
    if (!engine.message().empty()) {
        run.desktop().messageBox(run.caption(), engine.message());
    }
    if (engine.failed() || stopped) {
        run.showReadingFailure();
        return std::nullopt;
    }
    return engine.lastTick() - begin;
}

}  // namespace k7check
