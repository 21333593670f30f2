// The card handle, the one shape every exported operation has (check the handle, run the
// steps, report the error) and the transport the steps use: driver requests, the command
// request and synchronous transfers.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "../os/OsLayer.h"
#include "KARVO7DLL.h"
#include "KARVO7Protocol.h"

// The calls inside a card handle's operations, so that KARVO7Close from another thread ends
// them and waits for them to leave before the handle goes.
struct K7CallsInside {
    std::mutex mutex;
    std::condition_variable left;
    int count = 0;
};

// The card handle. Allocated zero-filled from the device layer's heap by KARVO7Open.
struct KARVO7Card {
    k7::os::Device* device;
    uint8_t startMode;
    uint8_t stopped;
    // KARVO7_SIGNATURE while the handle is valid; 0 from the moment KARVO7Close takes it.
    std::atomic<uint32_t> signature;
    int32_t version3;
    k7::os::Overlapped transfer;
    K7CallsInside inside;
};

namespace k7 {

namespace req = k7proto::req;
namespace cmd = k7proto::cmd;
using k7proto::le16;
using k7proto::le32;
using k7proto::putLe16;
using k7proto::putLe32;

// How a step ends: ok, or not; `error` is the word the caller's error out-parameter receives
// either way (0 on success, except where an operation passes on the driver's word).
struct [[nodiscard]] Result {
    bool ok;
    uint32_t error;
    static constexpr Result success() { return {true, 0}; }
    static constexpr Result failure(uint32_t error) { return {false, error}; }
};

// The handle check of an operation: true, and the call counted inside the handle, for a valid
// handle that no KARVO7Close has taken; leave() ends what enter() began.
bool enter(KARVO7Card* card);
void leave(KARVO7Card* card);
// Takes the handle for KARVO7Close: false for an invalid handle or one another close took.
// Calls inside the handle have their transfers cancelled and are waited for.
bool takeForClose(KARVO7Card* card);
// A transfer started while a close took the handle is cancelled: the close's cancel may have
// come before it.
void cancelIfClosing(KARVO7Card* card);

// The handle check, the steps and the report, in the one order every exported operation
// follows. A null or foreign handle fails with error word 0 and ERROR_INVALID_HANDLE as the
// thread's last error before any step runs. Otherwise the steps' result decides: 1 or 0, and
// its error word through `error` (which may be null).
template <typename Steps>
int run(KARVO7Card* card, uint32_t* error, Steps&& steps) {
    Result result = Result::failure(0);
    if (!enter(card)) {
        os::setLastError(K7_ERROR_INVALID_HANDLE);
    } else {
        result = steps(card);
        leave(card);
    }
    if (error != nullptr) {
        *error = result.error;
    }
    return result.ok ? 1 : 0;
}

// A pointer argument the operation reads or writes. A null one fails the step with error word
// 0 and ERROR_INVALID_PARAMETER as the thread's last error, before the device is touched.
Result required(const void* pointer);

// A request buffer from the device layer's heap, zero-filled, released when it goes out of
// scope. Every operation takes its buffers per call, so card handles share nothing.
class RequestBuffer {
  public:
    explicit RequestBuffer(std::size_t size);
    ~RequestBuffer();
    RequestBuffer(const RequestBuffer&) = delete;
    RequestBuffer& operator=(const RequestBuffer&) = delete;

    // Failure 0x90010000 when the heap could not serve the buffer.
    Result allocated() const;
    uint8_t* bytes() const { return static_cast<uint8_t*>(data_); }

  private:
    void* data_;
};

// One device-control request as the device layer answers it: true on success. For the callers
// that report no error word or fetch it themselves.
bool request(KARVO7Card* card, uint32_t code, const void* input, uint32_t inputSize, void* output,
             uint32_t outputSize);

// The driver's error word for the card (the last-error request, which also clears it); 0 if
// it cannot be had.
uint32_t driverError(KARVO7Card* card);

// A request with the standard failure step: on failure the driver's error word.
Result control(KARVO7Card* card, uint32_t code, const void* input, uint32_t inputSize, void* output,
               uint32_t outputSize);

// The command request: a command block with code, count and the first `count` words (at most
// eight). Failure: 0x90010000, or the driver's error word.
Result sendCommand(KARVO7Card* card, uint16_t code, uint8_t count = 0,
                   const uint32_t* words = nullptr);
Result sendCommand1(KARVO7Card* card, uint16_t code, uint32_t word);
Result sendCommand2(KARVO7Card* card, uint16_t code, uint32_t first, uint32_t second);

// Synchronous transfer with the card's transfer block: starts the read (or write) and waits
// for it. *transferred (if given) receives the bytes moved, also on a failure after the start;
// a transfer that cannot start leaves it unchanged. Failure: the driver's error word.
Result syncRead(KARVO7Card* card, void* buffer, uint32_t size, uint32_t* transferred);
Result syncWrite(KARVO7Card* card, const void* buffer, uint32_t size, uint32_t* transferred);

}  // namespace k7
