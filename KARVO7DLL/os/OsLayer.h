// Device I/O of the card access library, with the semantics of the Windows kernel32 calls the
// library is written against: devices opened by number through the installed driver (or, on
// Windows without one, the card family's kernel driver), synchronous device-control requests,
// overlapped reads and writes that complete at once or stay pending, overlapped results waited
// for or polled, cancel, close, thread-local last error, sleep and tick through the replaceable
// clock, heap through the replaceable allocator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "KARVO7Driver.h"
#include "KARVO7Os.h"

namespace k7::os {

struct Device;
struct TransferState;

// The overlapped transfer block: the caller's event and the transfer it describes.
struct Overlapped {
    K7OsEvent* event = nullptr;
    std::shared_ptr<TransferState> transfer;
};

// Last error of the calling thread.
uint32_t lastError();
void setLastError(uint32_t error);

// Device namespace: does device `number` exist (the DOS device-name query)?
bool deviceExists(uint32_t number);
// Exclusive open of an existing device; nullptr with the last error set on failure.
Device* openDevice(uint32_t number);
// Closes the device: cancels its transfers and releases it. False with last error on failure.
bool closeDevice(Device* device);

// Synchronous device-control request. False with the last error on failure.
bool deviceIoControl(Device* device, uint32_t code, const void* input, uint32_t inputSize,
                     void* output, uint32_t outputSize, uint32_t* returned);

// Overlapped read and write. True when completed at once (*transferred set); false with last
// error K7_ERROR_IO_PENDING while the driver keeps the transfer, or another error.
bool readFile(Device* device, void* buffer, uint32_t size, uint32_t* transferred,
              Overlapped* overlapped);
bool writeFile(Device* device, const void* buffer, uint32_t size, uint32_t* transferred,
               Overlapped* overlapped);

// Outcome of the transfer described by `overlapped`. With wait, blocks until it has ended.
// Without, a running transfer gives false with last error K7_ERROR_IO_INCOMPLETE.
bool getOverlappedResult(Device* device, Overlapped* overlapped, uint32_t* transferred, bool wait);

// Ends every outstanding transfer of the device as aborted, whichever thread started it.
bool cancelIo(Device* device);

// Heap through the installed allocator; release takes what allocate gave, or nullptr.
void* heapAlloc(std::size_t size);
void heapFree(void* block);

// Clock.
uint32_t tickCount();
void sleep(uint32_t milliseconds);

// A diagnostic line (without its line feed) at `level` (K7_LOG_...) through the installed log.
void logLine(uint32_t level, const char* text);

}  // namespace k7::os
