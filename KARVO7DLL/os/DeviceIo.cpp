// Devices, device-control requests and overlapped transfers on top of the installed driver.
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "DriverHost.h"
#include "OsLayer.h"

namespace k7::os {

// One read or write: pending until the driver (or a cancel) ends it.
struct TransferState {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    uint32_t status = K7_ERROR_SUCCESS;
    uint32_t bytes = 0;
    K7OsEvent* event = nullptr;

    // Ends the transfer once; later endings (a driver completing after a cancel) are ignored.
    void finish(uint32_t endStatus, uint32_t endBytes) {
        K7OsEvent* toSignal = nullptr;
        {
            std::lock_guard lock(mutex);
            if (done) {
                return;
            }
            done = true;
            status = endStatus;
            bytes = endBytes;
            toSignal = event;
        }
        ended.notify_all();
        if (toSignal != nullptr) {
            K7OsSetEvent(toSignal);
        }
    }
};

struct Device {
    K7DrvDriver driver{};
    void* handle = nullptr;
    std::mutex mutex;
    std::vector<std::shared_ptr<TransferState>> outstanding;

    void track(const std::shared_ptr<TransferState>& transfer) {
        std::lock_guard lock(mutex);
        std::erase_if(outstanding, [](const auto& t) {
            std::lock_guard tl(t->mutex);
            return t->done;
        });
        outstanding.push_back(transfer);
    }

    std::vector<std::shared_ptr<TransferState>> takeOutstanding() {
        std::lock_guard lock(mutex);
        return std::exchange(outstanding, {});
    }
};

}  // namespace k7::os

struct K7DrvIrp {
    std::shared_ptr<k7::os::TransferState> transfer;
};

namespace k7::os {
namespace {

bool failWith(uint32_t error) {
    setLastError(error);
    return false;
}

// Starts a transfer through `dispatch(irp, transferredNow)`, the driver's read or write.
template <typename Dispatch>
bool startTransfer(Device* device, Dispatch dispatch, uint32_t size, uint32_t* transferred,
                   Overlapped* overlapped) {
    auto transfer = std::make_shared<TransferState>();
    transfer->event = overlapped->event;
    if (transfer->event != nullptr) {
        K7OsResetEvent(transfer->event);
    }
    overlapped->transfer = transfer;
    auto* irp = new K7DrvIrp{transfer};
    uint32_t now = 0;
    const uint32_t status = dispatch(irp, &now);
    if (status == K7_ERROR_IO_PENDING) {
        device->track(transfer);
        return failWith(K7_ERROR_IO_PENDING);
    }
    delete irp;
    transfer->finish(status, std::min(now, size));
    if (status != K7_ERROR_SUCCESS) {
        return failWith(status);
    }
    if (transferred != nullptr) {
        *transferred = transfer->bytes;
    }
    return true;
}

}  // namespace

bool deviceExists(uint32_t number) {
    const auto driver = installedDriver();
    return driver && driver->deviceExists != nullptr &&
           driver->deviceExists(driver->context, number) != 0;
}

Device* openDevice(uint32_t number) {
    const auto driver = installedDriver();
    if (!driver || driver->open == nullptr) {
        setLastError(K7_ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    void* handle = nullptr;
    const uint32_t status = driver->open(driver->context, number, &handle);
    if (status != K7_ERROR_SUCCESS) {
        setLastError(status);
        return nullptr;
    }
    auto* device = new (std::nothrow) Device;
    if (device == nullptr) {
        if (driver->close != nullptr) {
            driver->close(driver->context, handle);
        }
        setLastError(K7_ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    device->driver = *driver;
    device->handle = handle;
    deviceOpened();
    return device;
}

bool cancelIo(Device* device) {
    if (device == nullptr) {
        return failWith(K7_ERROR_INVALID_HANDLE);
    }
    if (device->driver.cancel != nullptr) {
        device->driver.cancel(device->driver.context, device->handle);
    }
    // A driver that left a transfer running after its cancel: end it here as aborted.
    for (const auto& transfer : device->takeOutstanding()) {
        transfer->finish(K7_ERROR_OPERATION_ABORTED, 0);
    }
    return true;
}

bool closeDevice(Device* device) {
    if (device == nullptr) {
        return failWith(K7_ERROR_INVALID_HANDLE);
    }
    uint32_t status = K7_ERROR_SUCCESS;
    if (device->driver.close != nullptr) {
        status = device->driver.close(device->driver.context, device->handle);
    }
    for (const auto& transfer : device->takeOutstanding()) {
        transfer->finish(K7_ERROR_OPERATION_ABORTED, 0);
    }
    delete device;
    deviceClosed();
    return status == K7_ERROR_SUCCESS ? true : failWith(status);
}

bool deviceIoControl(Device* device, uint32_t code, const void* input, uint32_t inputSize,
                     void* output, uint32_t outputSize, uint32_t* returned) {
    if (device == nullptr) {
        return failWith(K7_ERROR_INVALID_HANDLE);
    }
    if (device->driver.deviceControl == nullptr) {
        return failWith(K7_ERROR_NOT_SUPPORTED);
    }
    uint32_t count = 0;
    const uint32_t status = device->driver.deviceControl(
        device->driver.context, device->handle, code, input, inputSize, output, outputSize, &count);
    if (returned != nullptr) {
        *returned = status == K7_ERROR_SUCCESS ? std::min(count, outputSize) : 0;
    }
    return status == K7_ERROR_SUCCESS ? true : failWith(status);
}

// Refuses a transfer the device or the driver cannot take; true when it may start.
bool transferPossible(Device* device, const void* routine, Overlapped* overlapped) {
    if (device == nullptr) {
        return failWith(K7_ERROR_INVALID_HANDLE);
    }
    if (overlapped == nullptr) {
        return failWith(K7_ERROR_INVALID_PARAMETER);
    }
    return routine != nullptr ? true : failWith(K7_ERROR_NOT_SUPPORTED);
}

bool readFile(Device* device, void* buffer, uint32_t size, uint32_t* transferred,
              Overlapped* overlapped) {
    if (!transferPossible(device,
                          device ? reinterpret_cast<const void*>(device->driver.read) : nullptr,
                          overlapped)) {
        return false;
    }
    const auto dispatch = [&](K7DrvIrp* irp, uint32_t* now) {
        return device->driver.read(device->driver.context, device->handle, irp, buffer, size, now);
    };
    return startTransfer(device, dispatch, size, transferred, overlapped);
}

bool writeFile(Device* device, const void* buffer, uint32_t size, uint32_t* transferred,
               Overlapped* overlapped) {
    if (!transferPossible(device,
                          device ? reinterpret_cast<const void*>(device->driver.write) : nullptr,
                          overlapped)) {
        return false;
    }
    const auto dispatch = [&](K7DrvIrp* irp, uint32_t* now) {
        return device->driver.write(device->driver.context, device->handle, irp, buffer, size, now);
    };
    return startTransfer(device, dispatch, size, transferred, overlapped);
}

bool getOverlappedResult(Device* device, Overlapped* overlapped, uint32_t* transferred, bool wait) {
    if (device == nullptr) {
        return failWith(K7_ERROR_INVALID_HANDLE);
    }
    if (overlapped == nullptr || !overlapped->transfer) {
        return failWith(K7_ERROR_INVALID_PARAMETER);
    }
    TransferState& t = *overlapped->transfer;
    std::unique_lock lock(t.mutex);
    if (wait) {
        t.ended.wait(lock, [&t] { return t.done; });
    }
    if (transferred != nullptr) {
        *transferred = t.bytes;
    }
    if (!t.done) {
        return failWith(K7_ERROR_IO_INCOMPLETE);
    }
    return t.status == K7_ERROR_SUCCESS ? true : failWith(t.status);
}

}  // namespace k7::os

extern "C" KARVO7_API void K7DrvCompleteIrp(K7DrvIrp* irp, uint32_t status, uint32_t bytes) {
    if (irp == nullptr) {
        return;
    }
    irp->transfer->finish(status, bytes);
    delete irp;
}
