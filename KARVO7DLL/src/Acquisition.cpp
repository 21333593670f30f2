// Starting and stopping measurement, and the reads that bring the measured data: the blocking
// read, the asynchronous read with its readiness queries, and its cancellation.
#include "Arguments.h"
#include "StartMode.h"

namespace k7 {
namespace {

constexpr uint16_t kStart = 0x0400;
constexpr uint16_t kStartSet = 0x3801;
constexpr uint16_t kStop = 0x0800;

// Before a data read: in the emulated single-start mode a stopped handle refuses the read,
// a started one takes one shot with the start command.
Outcome triggerShot(KARVO7Card* card) {
    if (!emulatedSingleStart(card)) {
        return Outcome::success();
    }
    if (card->stopped != 0) {
        return Outcome::failure(KARVO7_ERR_STOPPED);
    }
    return sendCommand(card, kStart);
}

// The caller's byte count and, when bytes are to be read, the buffer for them.
bool readArgumentsGiven(const uint32_t* count, const void* buffer, uint32_t* error) {
    return pointerGiven(count, error) && (*count == 0 || pointerGiven(buffer, error));
}

enum class Readiness { Complete, Running, Failed };

// Polls the card's transfer block without waiting. A failed transfer reports the driver's
// error word, or the operating system's error number when the driver has none.
Readiness pollRead(KARVO7Card* card, uint32_t* count, uint32_t* error) {
    uint32_t bytes = 0;
    const bool complete = os::getOverlappedResult(card->device, &card->transfer, &bytes, false);
    const uint32_t osError = complete ? 0 : os::lastError();
    if (count != nullptr) {
        *count = bytes;
    }
    if (complete) {
        setError(error, 0);
        return Readiness::Complete;
    }
    if (osError == K7_ERROR_IO_INCOMPLETE) {
        setError(error, 0);
        return Readiness::Running;
    }
    const uint32_t word = driverError(card);
    setError(error, word != 0 ? word : osError);
    return Readiness::Failed;
}

}  // namespace
}  // namespace k7

extern "C" {

KARVO7_API int KARVO7Start(KARVO7HANDLE h, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    if (k7::emulatedSingleStart(h)) {
        if (h->stopped == 0) {
            return k7::failCode(KARVO7_ERR_ALREADY_STARTED, error);
        }
        h->stopped = 0;
        return k7::succeed(error);
    }
    return k7::report(k7::sendCommand(h, k7::kStart), error);
}

KARVO7_API int KARVO7StartParam(KARVO7HANDLE h, uint32_t set, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    if (h->version3 != 0) {
        return k7::report(k7::sendCommand1(h, k7::kStartSet, set & 0xFFu), error);
    }
    return k7::report(k7::sendCommand(h, k7::kStart), error);
}

KARVO7_API int KARVO7Stop(KARVO7HANDLE h, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    if (h->version3 != 0) {
        return k7::report(k7::sendCommand(h, k7::kStop), error);
    }
    // Only the emulated single-start mode can be stopped on other cards.
    if (!k7::emulatedSingleStart(h) || h->stopped != 0) {
        return k7::failCode(KARVO7_ERR_STOPPED, error);
    }
    h->stopped = 1;
    return k7::succeed(error);
}

KARVO7_API int KARVO7GetData(KARVO7HANDLE h, uint32_t* count, void* buffer, uint32_t* error) {
    if (!k7::checkHandle(h, error) || !k7::readArgumentsGiven(count, buffer, error)) {
        return 0;
    }
    k7::Outcome done = k7::triggerShot(h);
    uint32_t bytes = 0;
    if (done.ok) {
        done = k7::syncRead(h, buffer, *count, &bytes);
    }
    *count = done.ok ? bytes : 0;
    return k7::report(done, error);
}

KARVO7_API int KARVO7StartGetData(KARVO7HANDLE h, uint32_t* count, void* buffer, K7OsEvent* event,
                                  uint32_t* error) {
    if (!k7::checkHandle(h, error) || !k7::readArgumentsGiven(count, buffer, error)) {
        return 0;
    }
    if (const k7::Outcome shot = k7::triggerShot(h); !shot.ok) {
        return k7::report(shot, error);
    }
    h->transfer.event = event;
    const uint32_t size = *count;
    if (k7::os::readFile(h->device, buffer, size, count, &h->transfer) ||
        k7::os::lastError() == K7_ERROR_IO_PENDING) {
        return k7::succeed(error);
    }
    return k7::failStep(h, error);
}

KARVO7_API int KARVO7IsReadyGetData(KARVO7HANDLE h, uint32_t* count, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::pollRead(h, count, error) == k7::Readiness::Complete ? 1 : 0;
}

KARVO7_API int KARVO7IsReadyGetDataIntReturn(KARVO7HANDLE h, uint32_t* count, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return -1;
    }
    switch (k7::pollRead(h, count, error)) {
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
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    const bool cancelled = k7::os::cancelIo(h->device);
    k7::setError(error, k7::driverError(h));
    return cancelled ? 1 : 0;
}

}  // extern "C"
