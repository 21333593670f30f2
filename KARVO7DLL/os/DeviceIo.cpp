// The device layer's device functions: a device of the installed (hosted) driver when one is
// installed, else one of the system's own driver of the cards. Every call on an open device
// goes to the path it was opened on.
#include "Device.h"
#include "DriverHost.h"

namespace k7::os {
namespace {

bool failWith(uint32_t error) {
    setLastError(error);
    return false;
}

}  // namespace

bool deviceExists(uint32_t number) {
    if (const auto driver = installedDriver()) {
        return hostedDeviceExists(*driver, number);
    }
    return systemDeviceExists(number);
}

Device* openDevice(uint32_t number) {
    if (const auto driver = installedDriver()) {
        return openHostedDevice(*driver, number);
    }
    return openSystemDevice(number);
}

bool closeDevice(Device* device) {
    if (device == nullptr) {
        return failWith(K7_ERROR_INVALID_HANDLE);
    }
    const bool closed = device->close();
    const uint32_t why = lastError();
    delete device;
    if (!closed) {
        setLastError(why);
    }
    return closed;
}

bool deviceIoControl(Device* device, uint32_t code, const void* input, uint32_t inputSize,
                     void* output, uint32_t outputSize, uint32_t* returned) {
    if (device == nullptr) {
        return failWith(K7_ERROR_INVALID_HANDLE);
    }
    return device->control(code, input, inputSize, output, outputSize, returned);
}

bool readFile(Device* device, void* buffer, uint32_t size, uint32_t* transferred,
              Overlapped* overlapped) {
    if (device == nullptr) {
        return failWith(K7_ERROR_INVALID_HANDLE);
    }
    if (overlapped == nullptr) {
        return failWith(K7_ERROR_INVALID_PARAMETER);
    }
    return device->read(buffer, size, transferred, *overlapped);
}

bool writeFile(Device* device, const void* buffer, uint32_t size, uint32_t* transferred,
               Overlapped* overlapped) {
    if (device == nullptr) {
        return failWith(K7_ERROR_INVALID_HANDLE);
    }
    if (overlapped == nullptr) {
        return failWith(K7_ERROR_INVALID_PARAMETER);
    }
    return device->write(buffer, size, transferred, *overlapped);
}

bool getOverlappedResult(Device* device, Overlapped* overlapped, uint32_t* transferred, bool wait) {
    if (device == nullptr) {
        return failWith(K7_ERROR_INVALID_HANDLE);
    }
    if (overlapped == nullptr || !overlapped->transfer) {
        return failWith(K7_ERROR_INVALID_PARAMETER);
    }
    return device->result(*overlapped, transferred, wait);
}

bool cancelIo(Device* device) {
    if (device == nullptr) {
        return failWith(K7_ERROR_INVALID_HANDLE);
    }
    return device->cancel();
}

}  // namespace k7::os
