// A driver for tests: it records every request, read and write the library makes, answers
// from a script, and fails requests or transfers on demand. Install it with ScopedDriver.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "KARVO7Driver.h"
#include "KARVO7Protocol.h"

namespace k7test {

namespace req = k7proto::req;

using Bytes = std::vector<uint8_t>;

struct RecordedRequest {
    uint32_t device;
    uint32_t code;
    Bytes input;
    uint32_t outputSize;
};

struct RecordedTransfer {
    uint32_t device;
    bool write;
    uint32_t size;
    Bytes data;  // written bytes (writes only)
};

// How the next read of a device ends.
struct ReadScript {
    enum class Mode { CompleteNow, Pending, FailNow } mode = Mode::CompleteNow;
    Bytes data;                          // delivered, at most the requested size
    uint32_t status = K7_ERROR_SUCCESS;  // error number for FailNow
};

class RecordingDriver {
  public:
    RecordingDriver();

    // Devices that exist: number -> version-3 flag. Default: device 1, version 3.
    void setDevices(std::map<uint32_t, bool> devices);
    void setPosition(uint32_t device, uint32_t bus, uint32_t slot);

    // The driver's error word returned by the last-error request (default 0xE0000001).
    void setErrorWord(uint32_t word) {
        std::lock_guard l(mutex_);
        errorWord_ = word;
    }
    // Fails the next `times` requests with `code` (0 = any code except the last-error request)
    // with `error` (K7_ERROR_GEN_FAILURE by default). times < 0: always.
    void failRequest(uint32_t code, int times = 1, uint32_t error = K7_ERROR_GEN_FAILURE);
    // Fails the n-th (0-based, counted from now) command request.
    void failNthCommand(int n, uint32_t error = K7_ERROR_GEN_FAILURE);
    // Output bytes answered to a request code (copied into the output buffer).
    void answer(uint32_t code, Bytes output);
    // Custom handler for a request code; returns the status.
    using Handler = std::function<uint32_t(const uint8_t* in, uint32_t inSize, uint8_t* out,
                                           uint32_t outSize, uint32_t* returned)>;
    void handle(uint32_t code, Handler handler);
    void failOpen(uint32_t error) {
        std::lock_guard l(mutex_);
        openError_ = error;
    }
    void failClose(uint32_t error) {
        std::lock_guard l(mutex_);
        closeError_ = error;
    }

    // Scripts the next reads (in order); with no script a read completes at once with zeros.
    void scriptRead(ReadScript script);
    // Completes the oldest pending transfer.
    bool completePending(Bytes data, uint32_t status = K7_ERROR_SUCCESS);
    size_t pendingCount() const;

    // What happened.
    std::vector<RecordedRequest> requests() const;
    // Command blocks sent (command requests), in order.
    std::vector<Bytes> commandBlocks() const;
    std::vector<RecordedTransfer> transfers() const;
    void clearRecords();
    int openCount() const {
        std::lock_guard l(mutex_);
        return openCount_;
    }

    K7DrvDriver table();

  private:
    struct Device;
    static int deviceExists(void* self, uint32_t number);
    static uint32_t open(void* self, uint32_t number, void** device);
    static uint32_t control(void* self, void* device, uint32_t code, const void* in,
                            uint32_t inSize, void* out, uint32_t outSize, uint32_t* returned);
    static uint32_t read(void* self, void* device, K7DrvIrp* irp, void* buffer, uint32_t size,
                         uint32_t* transferred);
    static uint32_t write(void* self, void* device, K7DrvIrp* irp, const void* buffer,
                          uint32_t size, uint32_t* transferred);
    static void cancel(void* self, void* device);
    static uint32_t close(void* self, void* device);

    struct Pending {
        K7DrvIrp* irp;
        void* buffer;
        uint32_t size;
        uint32_t device;
    };
    struct Failure {
        uint32_t code;
        int times;
        uint32_t error;
    };

    mutable std::mutex mutex_;
    std::map<uint32_t, bool> devices_;
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> positions_;
    std::set<uint32_t> open_;
    int openCount_ = 0;
    uint32_t errorWord_ = 0xE0000001u;
    uint32_t openError_ = K7_ERROR_SUCCESS;
    uint32_t closeError_ = K7_ERROR_SUCCESS;
    std::vector<Failure> failures_;
    int commandsSeen_ = 0;
    std::map<int, uint32_t> commandFailures_;
    std::map<uint32_t, Bytes> answers_;
    std::map<uint32_t, Handler> handlers_;
    std::deque<ReadScript> reads_;
    std::deque<Pending> pending_;
    std::vector<RecordedRequest> requests_;
    std::vector<RecordedTransfer> transfers_;
};

// Installs a driver for the lifetime of the object and removes it afterwards.
class ScopedDriver {
  public:
    explicit ScopedDriver(RecordingDriver& driver);
    explicit ScopedDriver(const K7DrvDriver& table);
    ~ScopedDriver();
    ScopedDriver(const ScopedDriver&) = delete;
    ScopedDriver& operator=(const ScopedDriver&) = delete;
};

// Little-endian values in recorded bytes; throw when the bytes end first.
uint32_t le32(const Bytes& bytes, size_t offset);
uint16_t le16(const Bytes& bytes, size_t offset);
Bytes words(std::initializer_list<uint32_t> values);

// The command block fields.
struct Command {
    uint16_t code;
    uint8_t count;
    std::vector<uint32_t> data;  // all count words
    bool operator==(const Command&) const = default;
};
Command decodeCommand(const Bytes& block);
std::vector<Command> decodeCommands(const std::vector<Bytes>& blocks);

}  // namespace k7test
