// POSIX systems have no driver of the cards of their own: without a hosted driver there are
// no devices.
#include "Device.h"

namespace k7::os {

bool systemDeviceExists(uint32_t) {
    return false;
}

Device* openSystemDevice(uint32_t) {
    setLastError(K7_ERROR_FILE_NOT_FOUND);
    return nullptr;
}

}  // namespace k7::os
