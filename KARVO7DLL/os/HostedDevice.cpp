// Devices, device-control requests and overlapped transfers on top of the installed driver.
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "Device.h"
#include "DriverHost.h"

namespace k7::os {

// One read or write: pending until the driver (or a cancel) ends it.
struct HostedTransfer : TransferState {
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

}  // namespace k7::os

struct K7DrvIrp {
    std::shared_ptr<k7::os::HostedTransfer> transfer;
};

namespace k7::os {
namespace {

bool failWith(uint32_t error) {
    setLastError(error);
    return false;
}

class HostedDevice final : public Device {
  public:
    HostedDevice(const K7DrvDriver& driver, void* handle) : driver_(driver), handle_(handle) {}

    bool control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                 uint32_t outputSize, uint32_t* returned) override {
        if (driver_.deviceControl == nullptr) {
            return failWith(K7_ERROR_NOT_SUPPORTED);
        }
        uint32_t count = 0;
        const uint32_t status = driver_.deviceControl(driver_.context, handle_, code, input,
                                                      inputSize, output, outputSize, &count);
        if (returned != nullptr) {
            *returned = status == K7_ERROR_SUCCESS ? std::min(count, outputSize) : 0;
        }
        return status == K7_ERROR_SUCCESS ? true : failWith(status);
    }

    bool read(void* buffer, uint32_t size, uint32_t* transferred, Overlapped& overlapped) override {
        if (driver_.read == nullptr) {
            return failWith(K7_ERROR_NOT_SUPPORTED);
        }
        const auto dispatch = [&](K7DrvIrp* irp, uint32_t* now) {
            return driver_.read(driver_.context, handle_, irp, buffer, size, now);
        };
        return startTransfer(dispatch, size, transferred, overlapped);
    }

    bool write(const void* buffer, uint32_t size, uint32_t* transferred,
               Overlapped& overlapped) override {
        if (driver_.write == nullptr) {
            return failWith(K7_ERROR_NOT_SUPPORTED);
        }
        const auto dispatch = [&](K7DrvIrp* irp, uint32_t* now) {
            return driver_.write(driver_.context, handle_, irp, buffer, size, now);
        };
        return startTransfer(dispatch, size, transferred, overlapped);
    }

    bool result(Overlapped& overlapped, uint32_t* transferred, bool wait) override {
        auto* transfer = dynamic_cast<HostedTransfer*>(overlapped.transfer.get());
        if (transfer == nullptr) {
            return failWith(K7_ERROR_INVALID_PARAMETER);
        }
        HostedTransfer& t = *transfer;
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

    bool cancel() override {
        if (driver_.cancel != nullptr) {
            driver_.cancel(driver_.context, handle_);
        }
        // A driver that left a transfer running after its cancel: end it here as aborted.
        abortOutstanding();
        return true;
    }

    bool close() override {
        uint32_t status = K7_ERROR_SUCCESS;
        if (driver_.close != nullptr) {
            status = driver_.close(driver_.context, handle_);
        }
        abortOutstanding();
        deviceClosed();
        return status == K7_ERROR_SUCCESS ? true : failWith(status);
    }

  private:
    // Starts a transfer through `dispatch(irp, transferredNow)`, the driver's read or write.
    template <typename Dispatch>
    bool startTransfer(Dispatch dispatch, uint32_t size, uint32_t* transferred,
                       Overlapped& overlapped) {
        auto transfer = std::make_shared<HostedTransfer>();
        transfer->event = overlapped.event;
        if (transfer->event != nullptr) {
            K7OsResetEvent(transfer->event);
        }
        overlapped.transfer = transfer;
        auto* irp = new K7DrvIrp{transfer};
        uint32_t now = 0;
        const uint32_t status = dispatch(irp, &now);
        if (status == K7_ERROR_IO_PENDING) {
            track(transfer);
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

    void track(const std::shared_ptr<HostedTransfer>& transfer) {
        std::lock_guard lock(mutex_);
        std::erase_if(outstanding_, [](const auto& t) {
            std::lock_guard tl(t->mutex);
            return t->done;
        });
        outstanding_.push_back(transfer);
    }

    void abortOutstanding() {
        std::vector<std::shared_ptr<HostedTransfer>> taken;
        {
            std::lock_guard lock(mutex_);
            taken = std::exchange(outstanding_, {});
        }
        for (const auto& transfer : taken) {
            transfer->finish(K7_ERROR_OPERATION_ABORTED, 0);
        }
    }

    K7DrvDriver driver_;
    void* handle_;
    std::mutex mutex_;
    std::vector<std::shared_ptr<HostedTransfer>> outstanding_;
};

}  // namespace

bool hostedDeviceExists(const K7DrvDriver& driver, uint32_t number) {
    return driver.deviceExists != nullptr && driver.deviceExists(driver.context, number) != 0;
}

Device* openHostedDevice(const K7DrvDriver& driver, uint32_t number) {
    if (driver.open == nullptr) {
        setLastError(K7_ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    void* handle = nullptr;
    const uint32_t status = driver.open(driver.context, number, &handle);
    if (status != K7_ERROR_SUCCESS) {
        setLastError(status);
        return nullptr;
    }
    auto* device = new (std::nothrow) HostedDevice(driver, handle);
    if (device == nullptr) {
        if (driver.close != nullptr) {
            driver.close(driver.context, handle);
        }
        setLastError(K7_ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    deviceOpened();
    return device;
}

}  // namespace k7::os

extern "C" KARVO7_API void K7DrvCompleteIrp(K7DrvIrp* irp, uint32_t status, uint32_t bytes) {
    if (irp == nullptr) {
        return;
    }
    irp->transfer->finish(status, bytes);
    delete irp;
}
