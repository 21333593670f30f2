// The card handle and the transport every operation of the library uses: the handle check,
// driver requests, the command request, the standard failure step and synchronous transfers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../os/OsLayer.h"
#include "DriverRequests.h"
#include "KARVO7DLL.h"

// The card handle. Allocated zero-filled from the device layer's heap by KARVO7Open.
struct KARVO7Card {
    k7::os::Device* device;
    uint8_t startMode;
    uint8_t stopped;
    uint32_t signature;
    int32_t version3;
    k7::os::Overlapped transfer;
};

namespace k7 {

// Writes an error word through a caller's pointer, which may be null.
inline void setError(uint32_t* error, uint32_t value) {
    if (error != nullptr) {
        *error = value;
    }
}

// The handle check: not null and signed. A failed check sets the thread's last error to
// ERROR_INVALID_HANDLE and the error word (if given) to 0.
bool handleValid(const KARVO7Card* card);
bool checkHandle(const KARVO7Card* card, uint32_t* error);

// A request buffer from the device layer's heap, released when it goes out of scope.
class RequestBuffer {
  public:
    explicit RequestBuffer(std::size_t size);
    ~RequestBuffer();
    RequestBuffer(const RequestBuffer&) = delete;
    RequestBuffer& operator=(const RequestBuffer&) = delete;

    bool ok() const { return data_ != nullptr; }
    template <typename T = uint8_t>
    T* as() const {
        return static_cast<T*>(data_);
    }

  private:
    void* data_;
};

// One device-control request; true on success.
bool request(KARVO7Card* card, uint32_t code, const void* input, uint32_t inputSize, void* output,
             uint32_t outputSize, uint32_t* returned = nullptr);

// The driver's error word for the card (the last-error request); 0 if it cannot be had.
uint32_t driverError(KARVO7Card* card);

// The standard failure step: error = the driver's error word; returns 0 (the failed result).
int failStep(KARVO7Card* card, uint32_t* error);

// Fails with a library code; returns 0.
inline int failCode(uint32_t code, uint32_t* error) {
    setError(error, code);
    return 0;
}

// Succeeds: error 0, returns 1.
inline int succeed(uint32_t* error) {
    setError(error, 0);
    return 1;
}

// Outcome of an internal step: ok, or the error word to report.
struct Outcome {
    bool ok;
    uint32_t error;
    static Outcome success() { return {true, 0}; }
    static Outcome failure(uint32_t error) { return {false, error}; }
};

// Reports an outcome through the caller's error word; returns 1 or 0.
inline int report(Outcome outcome, uint32_t* error) {
    setError(error, outcome.error);
    return outcome.ok ? 1 : 0;
}

// The command request: a 36-byte command block with code, count and the first `count` words.
// Failure: the driver's error word (or the request-buffer code). count must be 0..8.
Outcome sendCommand(KARVO7Card* card, uint16_t code, uint8_t count = 0,
                    const uint32_t* words = nullptr);
Outcome sendCommand1(KARVO7Card* card, uint16_t code, uint32_t word);
Outcome sendCommand2(KARVO7Card* card, uint16_t code, uint32_t first, uint32_t second);

// Synchronous transfer with the card's transfer block: starts the read (or write) and waits.
// *transferred receives the bytes moved, also on a failure after the start; a transfer that
// cannot start leaves it unchanged. Failure: the driver's error word.
Outcome syncRead(KARVO7Card* card, void* buffer, uint32_t size, uint32_t* transferred);
Outcome syncWrite(KARVO7Card* card, const void* buffer, uint32_t size, uint32_t* transferred);

}  // namespace k7
