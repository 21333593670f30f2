// Events applications wait on are Windows events: a K7OsEvent* is the event's handle, so that
// an application may also wait on it with WaitForSingleObject or WaitForMultipleObjects.
#include <windows.h>

#include "OsLayer.h"

namespace {

HANDLE handleOf(K7OsEvent* event) {
    return reinterpret_cast<HANDLE>(event);
}

}  // namespace

extern "C" {

KARVO7_API K7OsEvent* K7OsCreateEvent(int manualReset, int initiallySignalled) {
    HANDLE event = CreateEventW(nullptr, manualReset != 0, initiallySignalled != 0, nullptr);
    return reinterpret_cast<K7OsEvent*>(event);  // null with Windows' last error on failure
}

KARVO7_API int K7OsSetEvent(K7OsEvent* event) {
    if (event == nullptr) {
        k7::os::setLastError(K7_ERROR_INVALID_HANDLE);
        return 0;
    }
    return SetEvent(handleOf(event)) != 0 ? 1 : 0;
}

KARVO7_API int K7OsResetEvent(K7OsEvent* event) {
    if (event == nullptr) {
        k7::os::setLastError(K7_ERROR_INVALID_HANDLE);
        return 0;
    }
    return ResetEvent(handleOf(event)) != 0 ? 1 : 0;
}

KARVO7_API uint32_t K7OsWaitForEvent(K7OsEvent* event, uint32_t timeoutMs) {
    if (event == nullptr) {
        k7::os::setLastError(K7_ERROR_INVALID_HANDLE);
        return K7_WAIT_FAILED;
    }
    return WaitForSingleObject(handleOf(event), timeoutMs);
}

KARVO7_API int K7OsCloseEvent(K7OsEvent* event) {
    if (event == nullptr) {
        k7::os::setLastError(K7_ERROR_INVALID_HANDLE);
        return 0;
    }
    return CloseHandle(handleOf(event)) != 0 ? 1 : 0;
}

}  // extern "C"
