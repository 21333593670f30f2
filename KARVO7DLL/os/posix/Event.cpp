// Events applications wait on: manual or automatic reset, signalled from any thread.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "OsLayer.h"

struct K7OsEvent {
    std::mutex mutex;
    std::condition_variable signalled;
    bool manualReset = false;
    bool state = false;
};

extern "C" {

KARVO7_API K7OsEvent* K7OsCreateEvent(int manualReset, int initiallySignalled) {
    auto* event = new (std::nothrow) K7OsEvent;
    if (event == nullptr) {
        k7::os::setLastError(K7_ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    event->manualReset = manualReset != 0;
    event->state = initiallySignalled != 0;
    return event;
}

KARVO7_API int K7OsSetEvent(K7OsEvent* event) {
    if (event == nullptr) {
        k7::os::setLastError(K7_ERROR_INVALID_HANDLE);
        return 0;
    }
    {
        std::lock_guard lock(event->mutex);
        event->state = true;
    }
    event->signalled.notify_all();
    return 1;
}

KARVO7_API int K7OsResetEvent(K7OsEvent* event) {
    if (event == nullptr) {
        k7::os::setLastError(K7_ERROR_INVALID_HANDLE);
        return 0;
    }
    std::lock_guard lock(event->mutex);
    event->state = false;
    return 1;
}

KARVO7_API uint32_t K7OsWaitForEvent(K7OsEvent* event, uint32_t timeoutMs) {
    if (event == nullptr) {
        k7::os::setLastError(K7_ERROR_INVALID_HANDLE);
        return K7_WAIT_FAILED;
    }
    std::unique_lock lock(event->mutex);
    const auto isSet = [event] { return event->state; };
    if (timeoutMs == K7_INFINITE) {
        event->signalled.wait(lock, isSet);
    } else if (!event->signalled.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet)) {
        return K7_WAIT_TIMEOUT;
    }
    if (!event->manualReset) {
        event->state = false;
    }
    return K7_WAIT_OBJECT_0;
}

KARVO7_API int K7OsCloseEvent(K7OsEvent* event) {
    if (event == nullptr) {
        k7::os::setLastError(K7_ERROR_INVALID_HANDLE);
        return 0;
    }
    delete event;
    return 1;
}

}  // extern "C"
