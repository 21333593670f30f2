// The C interface over the engine: its arguments and the rules of its use checked before the
// engine sees them (see the header's "Threads" and "Misuse").
#include "KARVO7Acquire.h"

#include <atomic>
#include <memory>
#include <thread>

#include "CardClaims.h"
#include "Engine.h"
#include "ShotSize.h"

namespace {
// An engine handle carries this while it is valid; a close clears it.
constexpr uint32_t kSignature = 0x4B374151u;
}  // namespace

struct K7AcqEngine {
    std::atomic<uint32_t> signature{kSignature};
    KARVO7HANDLE card = nullptr;
    std::unique_ptr<k7acquire::Engine> engine;
    // A consumer call inside the engine (K7AcqRead, K7AcqReadBatch): one thread at a time.
    std::atomic<bool> reading{false};
};

namespace {

void setError(uint32_t* error, uint32_t word) {
    if (error != nullptr) {
        *error = word;
    }
}

bool valid(const K7AcqEngine* engine) {
    return engine != nullptr && engine->signature.load() == kSignature;
}

// A handle the card library takes: a cheap question that a foreign or closed handle fails.
bool cardValid(KARVO7HANDLE card) {
    CardStatus status{};
    return card != nullptr &&
           (KARVO7GetStatus(card, &status) != 0 || K7OsGetLastError() != K7_ERROR_INVALID_HANDLE);
}

// A refused start leaves the card as every end of the engine does: stopped, FIFO empty.
void leaveStoppedAndEmpty(KARVO7HANDLE card) {
    uint32_t ignored = 0;
    KARVO7Stop(card, &ignored);
    KARVO7ClearFIFO(card, &ignored);
}

bool settingsValid(const K7AcqSettings& s, const K7AcqCycleSettings& c) {
    for (uint32_t word : c.reserved) {
        if (word != 0) {
            return false;
        }
    }
    constexpr uint32_t kLastSet = 7;
    return s.startSet <= kLastSet || s.startSet == K7ACQ_START_PLAIN;
}

// The engine's settings with the read size the card's prepared set needs, derived from the card
// when the caller gives none. `records`: the set delivers records, whose headers tell the engine
// when a read smaller than a shot cut one (the engine then ends with K7ACQ_ERROR_SHOT_SIZE).
bool withShotSize(KARVO7HANDLE card, K7AcqSettings& s, bool& records, uint32_t& error) {
    const uint32_t largest = k7acquire::largestShotOnCard(card, records);
    if (s.shotBytes == 0) {
        s.shotBytes = largest;
    }
    error = s.shotBytes == 0 ? K7ACQ_ERROR_ARGUMENT : 0;
    return s.shotBytes != 0;
}

}  // namespace

extern "C" {

KARVO7ACQUIRE_API uint32_t K7AcqVersion(void) {
    return KARVO7ACQUIRE_VERSION_NUMBER;
}

KARVO7ACQUIRE_API void K7AcqDefaults(K7AcqSettings* settings) {
    if (settings == nullptr) {
        return;
    }
    *settings = K7AcqSettings{};
    settings->bufferMs = 1000;
    settings->maxBufferBytes = 256u << 20;
    settings->startSet = K7ACQ_START_PLAIN;
    settings->realTime = 1;
}

KARVO7ACQUIRE_API uint32_t K7AcqShotBytes(const MeasureParams* measure, uint32_t recordLayout) {
    if (measure == nullptr) {
        return 0;
    }
    return static_cast<uint32_t>(
        k7acquire::shotBytes(measure->Aufnahmelaenge, measure->ASCAN != 0, measure->Faktor,
                             measure->Bit8 != 0, measure->ExternerTrigger != 0, recordLayout != 0));
}

KARVO7ACQUIRE_API int K7AcqStart(KARVO7HANDLE card, const K7AcqSettings* settings,
                                 K7AcqEngine** engine, uint32_t* error) {
    return K7AcqStartCycles(card, settings, nullptr, engine, error);
}

KARVO7ACQUIRE_API int K7AcqStartCycles(KARVO7HANDLE card, const K7AcqSettings* settings,
                                       const K7AcqCycleSettings* cycles, K7AcqEngine** engine,
                                       uint32_t* error) {
    setError(error, 0);
    if (engine != nullptr) {
        *engine = nullptr;
    }
    if (!cardValid(card)) {
        setError(error, K7ACQ_ERROR_ARGUMENT);
        return 0;
    }
    // A card another engine reads is left to it, untouched.
    if (!k7acquire::claimCard(card)) {
        setError(error, K7ACQ_ERROR_CARD_BUSY);
        return 0;
    }
    const K7AcqCycleSettings none{};
    const K7AcqCycleSettings& work = cycles != nullptr ? *cycles : none;
    uint32_t word = K7ACQ_ERROR_ARGUMENT;
    K7AcqSettings s{};
    bool records = false;
    bool usable = settings != nullptr && engine != nullptr && settingsValid(*settings, work);
    if (usable) {
        s = *settings;
        usable = withShotSize(card, s, records, word);
    }
    std::unique_ptr<k7acquire::Engine> made =
        usable ? k7acquire::Engine::create(card, s, work, word) : nullptr;
    std::unique_ptr<K7AcqEngine> handle(made ? new (std::nothrow) K7AcqEngine : nullptr);
    if (handle == nullptr) {
        setError(error, made ? K7ACQ_ERROR_MEMORY : word);
        leaveStoppedAndEmpty(card);
        k7acquire::releaseCard(card);
        return 0;
    }
    made->checkRecordLengths(records);
    // A failed start has left the card stopped and empty.
    if (!made->start(word)) {
        setError(error, word);
        k7acquire::releaseCard(card);
        return 0;
    }
    handle->card = card;
    handle->engine = std::move(made);
    *engine = handle.release();
    return 1;
}

KARVO7ACQUIRE_API int K7AcqRead(K7AcqEngine* engine, void* data, uint32_t dataBytes,
                                K7AcqItem* items, uint32_t maxItems, uint32_t timeoutMs,
                                uint32_t* count, uint32_t* error) {
    return K7AcqReadBatch(engine, data, dataBytes, items, maxItems, 1, timeoutMs, count, error);
}

KARVO7ACQUIRE_API int K7AcqReadBatch(K7AcqEngine* engine, void* data, uint32_t dataBytes,
                                     K7AcqItem* items, uint32_t maxItems, uint32_t minItems,
                                     uint32_t timeoutMs, uint32_t* count, uint32_t* error) {
    setError(error, 0);
    if (count != nullptr) {
        *count = 0;
    }
    // No room for an item, or more items awaited than may be taken: a wait that can never end.
    if (!valid(engine) || items == nullptr || count == nullptr || maxItems == 0 ||
        minItems > maxItems || (data == nullptr && dataBytes != 0)) {
        setError(error, K7ACQ_ERROR_ARGUMENT);
        return 0;
    }
    if (engine->reading.exchange(true)) {
        setError(error, K7ACQ_ERROR_BUSY);  // another consumer thread is taking items
        return 0;
    }
    uint32_t word = 0;
    const bool read = engine->engine->read(static_cast<uint8_t*>(data), dataBytes, items, maxItems,
                                           minItems, timeoutMs, *count, word);
    engine->reading.store(false);
    if (!read) {
        setError(error, word);
        return 0;
    }
    return 1;
}

KARVO7ACQUIRE_API int K7AcqStop(K7AcqEngine* engine, uint32_t* error) {
    setError(error, 0);
    if (!valid(engine)) {
        setError(error, K7ACQ_ERROR_ARGUMENT);
        return 0;
    }
    engine->engine->stop();
    return 1;
}

KARVO7ACQUIRE_API int K7AcqRequestAscan(K7AcqEngine* engine, uint32_t* error) {
    setError(error, 0);
    if (!valid(engine) || !engine->engine->requestAscan()) {
        setError(error, K7ACQ_ERROR_ARGUMENT);
        return 0;
    }
    return 1;
}

KARVO7ACQUIRE_API int K7AcqGetStatistics(K7AcqEngine* engine, K7AcqStatistics* statistics) {
    if (!valid(engine) || statistics == nullptr) {
        return 0;
    }
    *statistics = engine->engine->statistics();
    return 1;
}

KARVO7ACQUIRE_API void K7AcqClose(K7AcqEngine* engine) {
    if (!valid(engine)) {
        return;
    }
    engine->signature.store(0);  // no further call comes in
    // Stopped, the card is stopped and empty and a consumer waiting in a read has its end item:
    // it leaves the engine before the engine goes.
    engine->engine->stop();
    while (engine->reading.load()) {
        std::this_thread::yield();
    }
    engine->engine.reset();
    k7acquire::releaseCard(engine->card);
    delete engine;
}

}  // extern "C"
