// The C interface over the engine.
#include "KARVO7Acquire.h"

#include <memory>

#include "Engine.h"

struct K7AcqEngine {
    std::unique_ptr<k7acquire::Engine> engine;
};

namespace {
void setError(uint32_t* error, uint32_t word) {
    if (error != nullptr) {
        *error = word;
    }
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

KARVO7ACQUIRE_API int K7AcqStart(KARVO7HANDLE card, const K7AcqSettings* settings,
                                 K7AcqEngine** engine, uint32_t* error) {
    return K7AcqStartCycles(card, settings, nullptr, engine, error);
}

KARVO7ACQUIRE_API int K7AcqStartCycles(KARVO7HANDLE card, const K7AcqSettings* settings,
                                       const K7AcqCycleSettings* cycles, K7AcqEngine** engine,
                                       uint32_t* error) {
    setError(error, 0);
    if (settings == nullptr || engine == nullptr) {
        setError(error, K7ACQ_ERROR_ARGUMENT);
        return 0;
    }
    *engine = nullptr;
    uint32_t word = 0;
    const K7AcqCycleSettings none{};
    std::unique_ptr<k7acquire::Engine> made =
        k7acquire::Engine::create(card, *settings, cycles != nullptr ? *cycles : none, word);
    std::unique_ptr<K7AcqEngine> handle(made ? new (std::nothrow) K7AcqEngine : nullptr);
    if (handle == nullptr) {
        setError(error, word != 0 ? word : K7ACQ_ERROR_MEMORY);
        return 0;
    }
    if (!made->start(word)) {
        setError(error, word);
        return 0;
    }
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
    if (engine == nullptr || items == nullptr || count == nullptr ||
        (data == nullptr && dataBytes != 0)) {
        setError(error, K7ACQ_ERROR_ARGUMENT);
        return 0;
    }
    uint32_t word = 0;
    if (!engine->engine->read(static_cast<uint8_t*>(data), dataBytes, items, maxItems, minItems,
                              timeoutMs, *count, word)) {
        setError(error, word);
        return 0;
    }
    return 1;
}

KARVO7ACQUIRE_API int K7AcqStop(K7AcqEngine* engine, uint32_t* error) {
    setError(error, 0);
    if (engine == nullptr) {
        setError(error, K7ACQ_ERROR_ARGUMENT);
        return 0;
    }
    engine->engine->stop();
    return 1;
}

KARVO7ACQUIRE_API int K7AcqRequestAscan(K7AcqEngine* engine, uint32_t* error) {
    setError(error, 0);
    if (engine == nullptr || !engine->engine->requestAscan()) {
        setError(error, K7ACQ_ERROR_ARGUMENT);
        return 0;
    }
    return 1;
}

KARVO7ACQUIRE_API int K7AcqGetStatistics(K7AcqEngine* engine, K7AcqStatistics* statistics) {
    if (engine == nullptr || statistics == nullptr) {
        return 0;
    }
    *statistics = engine->engine->statistics();
    return 1;
}

KARVO7ACQUIRE_API void K7AcqClose(K7AcqEngine* engine) {
    delete engine;
}

}  // extern "C"
