// Checks of the caller's pointers that an operation must read or write.
#pragma once

#include <cstdint>

#include "Card.h"

namespace k7 {

// A record or in/out value the operation cannot do without. A null pointer fails the call the
// way a bad handle does, before the device is touched: error word 0, and the thread's last
// error ERROR_INVALID_PARAMETER.
inline bool pointerGiven(const void* pointer, uint32_t* error) {
    if (pointer == nullptr) {
        os::setLastError(K7_ERROR_INVALID_PARAMETER);
        setError(error, 0);
        return false;
    }
    return true;
}

}  // namespace k7
