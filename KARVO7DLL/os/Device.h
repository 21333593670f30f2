// An open device as the device layer's functions see it: one implementation serves devices of
// the hosted driver, another those of the operating system's own driver. A device opened on
// one path stays on it until it is closed.
#pragma once

#include <cstdint>

#include "OsLayer.h"

namespace k7::os {

// What a transfer block refers to while its transfer runs; each path keeps its own kind.
struct TransferState {
    virtual ~TransferState() = default;
};

struct Device {
    virtual ~Device() = default;

    virtual bool control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                         uint32_t outputSize, uint32_t* returned) = 0;
    virtual bool read(void* buffer, uint32_t size, uint32_t* transferred,
                      Overlapped& overlapped) = 0;
    virtual bool write(const void* buffer, uint32_t size, uint32_t* transferred,
                       Overlapped& overlapped) = 0;
    virtual bool result(Overlapped& overlapped, uint32_t* transferred, bool wait) = 0;
    virtual bool cancel() = 0;
    // Ends every transfer and releases the system's side; the device object is deleted after.
    virtual bool close() = 0;
};

// Devices of the installed (hosted) driver.
bool hostedDeviceExists(const K7DrvDriver& driver, uint32_t number);
Device* openHostedDevice(const K7DrvDriver& driver, uint32_t number);

// Devices of the operating system's driver of the cards (none on systems without one).
bool systemDeviceExists(uint32_t number);
Device* openSystemDevice(uint32_t number);

}  // namespace k7::os
