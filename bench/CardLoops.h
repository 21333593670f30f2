// What the benchmarks that read a running card share: their numeric options, the preparation of
// set 1 for a continuous measurement in the record layout, the time passed, and the two readers
// every figure is measured against (a bare KARVO7GetData loop, and a program taking the
// acquisition engine's items in batches).
#pragma once

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "KARVO7Acquire.h"
#include "KARVO7DLL.h"
#include "KARVO7Protocol.h"
#include "card/SetToCard.h"

namespace k7bench {

using Clock = std::chrono::steady_clock;

// The word after `name` on the command line, or nullptr.
inline const char* textOption(int argc, char* argv[], const char* name) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return argv[i + 1];
        }
    }
    return nullptr;
}

// The whole number after `name`, or `fallback` without one. Anything else after it ends the
// benchmark naming the option, so that a mistyped figure never measures another point.
inline uint32_t option(int argc, char* argv[], const char* name, uint32_t fallback) {
    const char* text = textOption(argc, argv, name);
    if (text == nullptr) {
        return fallback;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (*text < '0' || *text > '9' || *end != '\0' || errno != 0 || value > UINT32_MAX) {
        std::fprintf(stderr, "%s %s: a whole number from 0 to %u\n", name, text, UINT32_MAX);
        std::exit(2);
    }
    return static_cast<uint32_t>(value);
}

inline double secondsSince(Clock::time_point begin) {
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

// Set 1 of the card for a continuous block measurement at `rateHz`, in the record layout.
inline bool prepareCard(KARVO7HANDLE card, uint32_t samples, uint32_t rateHz) {
    uint32_t error = 0;
    k7check::ParameterSet set;
    set.aufnahmelaenge = static_cast<uint16_t>(samples);
    set.iff = rateHz;
    return KARVO7WarmUp(card, &error) == 1 && KARVO7SetVIRMA4(card, 1, -11, &error) == 1 &&
           k7check::prepareSet(card, 1, k7check::cardRecordOf(set, 3), error) &&
           KARVO7SetMode(card, 1, &error) == 1 &&
           KARVO7ActiveParam(card, 0, 1, 0, 0, 0, 0, 0, 0, &error) == 1 &&
           KARVO7SetParam(card, 1, &error) == 1;
}

// A bare loop of KARVO7GetData on a started card until `end`: a read that finds the FIFO run
// over empties it and goes on (such a loop counts nothing of its own). Gives the shots read, or
// with `failed` the shots before a read failed for another reason.
inline uint64_t bareReads(KARVO7HANDLE card, Clock::time_point end, bool& failed) {
    std::vector<uint8_t> buffer(131084);
    uint64_t read = 0;
    uint32_t error = 0;
    failed = false;
    while (Clock::now() < end) {
        uint32_t count = static_cast<uint32_t>(buffer.size());
        if (KARVO7GetData(card, &count, buffer.data(), &error) != 0) {
            ++read;
        } else if ((KARVO7ReadRegister(card, k7proto::reg::kFifoStatus) &
                    k7proto::reg::kFifoFullBits) != 0) {
            KARVO7ClearFIFO(card, &error);
        } else {
            failed = true;
            break;
        }
    }
    return read;
}

// Reads what a stopped card's FIFO still holds; gives the shots read.
inline uint64_t readRest(KARVO7HANDLE card) {
    std::vector<uint8_t> buffer(131084);
    uint64_t read = 0;
    uint32_t error = 0;
    uint32_t flag = 1;
    while (KARVO7IsDataInFIFO(card, &flag, &error) != 0 && flag != 0) {
        uint32_t count = static_cast<uint32_t>(buffer.size());
        if (KARVO7GetData(card, &count, buffer.data(), &error) == 0) {
            break;
        }
        ++read;
    }
    return read;
}

// Takes the engine's items until its end, up to `maxItems` at a time and waking for
// `minItems` of them: the consumer a program would be.
inline void consumeEngine(K7AcqEngine* engine, uint32_t shotBytes, uint32_t maxItems = 64,
                          uint32_t minItems = 1) {
    std::vector<uint8_t> data(size_t{maxItems} * shotBytes);
    std::vector<K7AcqItem> items(maxItems);
    for (;;) {
        uint32_t count = 0;
        uint32_t error = 0;
        if (K7AcqReadBatch(engine, data.data(), static_cast<uint32_t>(data.size()), items.data(),
                           maxItems, minItems, 50, &count, &error) == 0) {
            return;
        }
        for (uint32_t i = 0; i < count; ++i) {
            if (items[i].kind == K7ACQ_ITEM_END) {
                return;
            }
        }
    }
}

}  // namespace k7bench
