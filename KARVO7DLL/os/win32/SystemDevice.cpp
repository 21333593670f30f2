// Devices of the card family's kernel driver, on kernel32: "DOSKARVO7_n" in the DOS device
// namespace, opened through "\\.\DOSKARVO7_n" for overlapped I/O. The last error is Windows'
// own throughout: the library's error numbers are Windows' numbers.
#include <windows.h>

#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "Device.h"

namespace k7::os {
namespace {

// Device name targets are short ("\Device\DOSKARVO7_1"); the query answers into this many
// characters.
constexpr DWORD kTargetChars = 50;
// How long one wait for a cancelled transfer lasts before the transfer is looked at again.
constexpr DWORD kCancelWaitMs = 20;

std::wstring dosName(uint32_t number) {
    return L"DOSKARVO7_" + std::to_wstring(number);
}

// One read or write: the OVERLAPPED the system fills until the transfer ends. It lives on the
// heap, shared by the card's transfer block and the device, so that it outlasts both until the
// system has let go of it.
struct KernelTransfer : TransferState {
    OVERLAPPED overlapped{};

    bool running() const { return !HasOverlappedIoCompleted(&overlapped); }
};

class KernelDevice final : public Device {
  public:
    KernelDevice(HANDLE file, HANDLE controlEvent, HANDLE transferEvent)
        : file_(file), controlEvent_(controlEvent), transferEvent_(transferEvent) {}

    ~KernelDevice() override {
        CloseHandle(controlEvent_);
        CloseHandle(transferEvent_);
    }

    // Issued on the overlapped handle with an event of the device's own and waited for: the
    // driver completes its requests at once, but may pend one. The lock is left before the
    // outcome is reported, so that the last error is the request's.
    bool control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                 uint32_t outputSize, uint32_t* returned) override {
        DWORD count = 0;
        BOOL ok = FALSE;
        DWORD why = ERROR_SUCCESS;
        {
            std::lock_guard lock(controlMutex_);
            OVERLAPPED overlapped{};
            overlapped.hEvent = controlEvent_;
            ok = DeviceIoControl(file_, code, const_cast<void*>(input), inputSize, output,
                                 outputSize, &count, &overlapped);
            if (!ok && GetLastError() == ERROR_IO_PENDING) {
                ok = GetOverlappedResult(file_, &overlapped, &count, TRUE);
            }
            why = ok ? ERROR_SUCCESS : GetLastError();
        }
        if (returned != nullptr) {
            *returned = ok ? count : 0;
        }
        if (!ok) {
            SetLastError(why);
        }
        return ok != FALSE;
    }

    bool read(void* buffer, uint32_t size, uint32_t* transferred, Overlapped& overlapped) override {
        auto transfer = prepare(overlapped);
        DWORD now = 0;
        const BOOL ok = ReadFile(file_, buffer, size, &now, &transfer->overlapped);
        return started(ok, now, transferred, std::move(transfer));
    }

    bool write(const void* buffer, uint32_t size, uint32_t* transferred,
               Overlapped& overlapped) override {
        auto transfer = prepare(overlapped);
        DWORD now = 0;
        const BOOL ok = WriteFile(file_, buffer, size, &now, &transfer->overlapped);
        return started(ok, now, transferred, std::move(transfer));
    }

    bool result(Overlapped& overlapped, uint32_t* transferred, bool wait) override {
        auto* transfer = dynamic_cast<KernelTransfer*>(overlapped.transfer.get());
        if (transfer == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        DWORD count = 0;
        const BOOL ok = GetOverlappedResult(file_, &transfer->overlapped, &count, wait);
        if (transferred != nullptr) {
            *transferred = count;
        }
        return ok != FALSE;
    }

    // Every transfer of the handle, whichever thread started it, ends aborted before this
    // returns.
    bool cancel() override {
        if (!CancelIoEx(file_, nullptr) && GetLastError() != ERROR_NOT_FOUND) {
            return false;
        }
        awaitOutstanding();
        return true;
    }

    // The system may still write an OVERLAPPED of a cancelled transfer: the handle is closed
    // only after every transfer has ended.
    bool close() override {
        CancelIoEx(file_, nullptr);
        awaitOutstanding();
        return CloseHandle(std::exchange(file_, INVALID_HANDLE_VALUE)) != FALSE;
    }

  private:
    // A fresh OVERLAPPED for the transfer block: its event is the caller's, or for a
    // synchronous transfer the device's own. The system resets the event as the transfer
    // starts.
    std::shared_ptr<KernelTransfer> prepare(Overlapped& overlapped) {
        auto transfer = std::make_shared<KernelTransfer>();
        transfer->overlapped.hEvent = overlapped.event != nullptr
                                          ? reinterpret_cast<HANDLE>(overlapped.event)
                                          : transferEvent_;
        overlapped.transfer = transfer;
        return transfer;
    }

    bool started(BOOL ok, DWORD now, uint32_t* transferred,
                 std::shared_ptr<KernelTransfer> transfer) {
        if (ok) {
            if (transferred != nullptr) {
                *transferred = now;
            }
            return true;
        }
        if (GetLastError() == ERROR_IO_PENDING) {
            {
                std::lock_guard lock(outstandingMutex_);
                std::erase_if(outstanding_, [](const auto& t) { return !t->running(); });
                outstanding_.push_back(std::move(transfer));
            }
            SetLastError(ERROR_IO_PENDING);
        }
        return false;
    }

    // Waits until no transfer of the device runs any more. The event may be the caller's: each
    // wait is short, since another waiter may take the signal, and a signal this wait took from
    // an automatically resetting event is given back, since the caller may wait for it too.
    void awaitOutstanding() {
        std::vector<std::shared_ptr<KernelTransfer>> taken;
        {
            std::lock_guard lock(outstandingMutex_);
            taken = std::exchange(outstanding_, {});
        }
        for (const auto& transfer : taken) {
            const HANDLE event = transfer->overlapped.hEvent;
            while (transfer->running()) {
                if (WaitForSingleObject(event, kCancelWaitMs) == WAIT_OBJECT_0 &&
                    event != transferEvent_) {
                    SetEvent(event);
                }
            }
        }
    }

    HANDLE file_;
    HANDLE controlEvent_;
    HANDLE transferEvent_;
    std::mutex controlMutex_;
    std::mutex outstandingMutex_;
    std::vector<std::shared_ptr<KernelTransfer>> outstanding_;
};

}  // namespace

bool systemDeviceExists(uint32_t number) {
    wchar_t target[kTargetChars];
    if (QueryDosDeviceW(dosName(number).c_str(), target, kTargetChars) != 0) {
        return true;
    }
    // A name whose target is longer than the answer takes exists all the same.
    return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

Device* openSystemDevice(uint32_t number) {
    const std::wstring path = L"\\\\.\\" + dosName(number);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;  // Windows' last error says why
    }
    HANDLE controlEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE transferEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto* device = controlEvent != nullptr && transferEvent != nullptr
                       ? new (std::nothrow) KernelDevice(file, controlEvent, transferEvent)
                       : nullptr;
    if (device == nullptr) {
        const DWORD why = controlEvent != nullptr && transferEvent != nullptr
                              ? ERROR_NOT_ENOUGH_MEMORY
                              : GetLastError();
        if (controlEvent != nullptr) {
            CloseHandle(controlEvent);
        }
        if (transferEvent != nullptr) {
            CloseHandle(transferEvent);
        }
        CloseHandle(file);
        SetLastError(why);
    }
    return device;
}

}  // namespace k7::os
