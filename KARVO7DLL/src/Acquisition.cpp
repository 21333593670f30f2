// Starting and stopping measurement, and the reads that bring the measured data: the blocking
// read, the asynchronous read with its readiness queries, and its cancellation.
#include "StartMode.h"

namespace k7 {
namespace {

// Before a data read: in the emulated single-start mode a stopped handle refuses the read,
// a started one takes one shot with the start command.
Result triggerShot(KARVO7Card* card) {
    if (!emulatedSingleStart(card)) {
        return Result::success();
    }
    if (card->stopped != 0) {
        return Result::failure(KARVO7_ERR_STOPPED);
    }
    return sendCommand(card, cmd::kStart);
}

Result readArguments(const uint32_t* count, const void* buffer) {
    if (const Result r = required(count); !r.ok) {
        return r;
    }
    if (*count == 0) {
        return Result::success();
    }
    return required(buffer);
}

Result start(KARVO7Card* card) {
    if (!emulatedSingleStart(card)) {
        return sendCommand(card, cmd::kStart);
    }
    if (card->stopped == 0) {
        return Result::failure(KARVO7_ERR_ALREADY_STARTED);
    }
    card->stopped = 0;
    return Result::success();
}

Result stop(KARVO7Card* card) {
    if (card->version3 != 0) {
        return sendCommand(card, cmd::kStop);
    }
    // Only the emulated single-start mode can be stopped on other cards.
    if (!emulatedSingleStart(card) || card->stopped != 0) {
        return Result::failure(KARVO7_ERR_STOPPED);
    }
    card->stopped = 1;
    return Result::success();
}

// The count is 0 after any failure, the bytes read after success.
Result getData(KARVO7Card* card, uint32_t* count, void* buffer) {
    if (const Result r = readArguments(count, buffer); !r.ok) {
        return r;
    }
    const uint32_t size = *count;
    *count = 0;
    if (const Result r = triggerShot(card); !r.ok) {
        return r;
    }
    uint32_t bytes = 0;
    if (const Result r = syncRead(card, buffer, size, &bytes); !r.ok) {
        return r;
    }
    *count = bytes;
    return Result::success();
}

Result startGetData(KARVO7Card* card, uint32_t* count, void* buffer, K7OsEvent* event) {
    if (const Result r = readArguments(count, buffer); !r.ok) {
        return r;
    }
    if (const Result r = triggerShot(card); !r.ok) {
        return r;
    }
    card->transfer.event = event;
    const uint32_t size = *count;
    if (!os::readFile(card->device, buffer, size, count, &card->transfer) &&
        os::lastError() != K7_ERROR_IO_PENDING) {
        return Result::failure(driverError(card));
    }
    return Result::success();
}

enum class Readiness { NotAsked, Complete, Running, Failed };

// Polls the card's transfer block without waiting. A failed transfer reports the driver's
// error word, or the operating system's error number when the driver has none.
Result pollRead(KARVO7Card* card, uint32_t* count, Readiness& readiness) {
    uint32_t bytes = 0;
    const bool complete = os::getOverlappedResult(card->device, &card->transfer, &bytes, false);
    const uint32_t osError = complete ? 0 : os::lastError();
    if (count != nullptr) {
        *count = bytes;
    }
    if (complete) {
        readiness = Readiness::Complete;
        return Result::success();
    }
    if (osError == K7_ERROR_IO_INCOMPLETE) {
        readiness = Readiness::Running;
        return Result::failure(0);
    }
    readiness = Readiness::Failed;
    const uint32_t word = driverError(card);
    return Result::failure(word != 0 ? word : osError);
}

// The error word is the driver's after the cancel, whatever the cancel gave.
Result cancelGetData(KARVO7Card* card) {
    const bool cancelled = os::cancelIo(card->device);
    return {cancelled, driverError(card)};
}

}  // namespace
}  // namespace k7

extern "C" {

KARVO7_API int KARVO7Start(KARVO7HANDLE h, uint32_t* error) {
    return k7::run(h, error, k7::start);
}

KARVO7_API int KARVO7StartParam(KARVO7HANDLE h, uint32_t set, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) {
        if (c->version3 == 0) {
            return k7::sendCommand(c, k7::cmd::kStart);
        }
        return k7::sendCommand1(c, k7::cmd::kStartSet, set & 0xFFu);
    });
}

KARVO7_API int KARVO7Stop(KARVO7HANDLE h, uint32_t* error) {
    return k7::run(h, error, k7::stop);
}

KARVO7_API int KARVO7GetData(KARVO7HANDLE h, uint32_t* count, void* buffer, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return k7::getData(c, count, buffer); });
}

KARVO7_API int KARVO7StartGetData(KARVO7HANDLE h, uint32_t* count, void* buffer, K7OsEvent* event,
                                  uint32_t* error) {
    return k7::run(h, error,
                   [&](KARVO7Card* c) { return k7::startGetData(c, count, buffer, event); });
}

KARVO7_API int KARVO7IsReadyGetData(KARVO7HANDLE h, uint32_t* count, uint32_t* error) {
    k7::Readiness readiness = k7::Readiness::NotAsked;
    return k7::run(h, error, [&](KARVO7Card* c) { return k7::pollRead(c, count, readiness); });
}

KARVO7_API int KARVO7IsReadyGetDataIntReturn(KARVO7HANDLE h, uint32_t* count, uint32_t* error) {
    k7::Readiness readiness = k7::Readiness::NotAsked;
    k7::run(h, error, [&](KARVO7Card* c) { return k7::pollRead(c, count, readiness); });
    switch (readiness) {
        case k7::Readiness::NotAsked:
            return -1;
        case k7::Readiness::Complete:
            return 0;
        case k7::Readiness::Running:
            return -3;
        case k7::Readiness::Failed:
            break;
    }
    return -2;
}

KARVO7_API int KARVO7CancelGetData(KARVO7HANDLE h, uint32_t* error) {
    return k7::run(h, error, k7::cancelGetData);
}

}  // extern "C"
