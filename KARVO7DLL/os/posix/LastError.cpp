// Thread-local last error, as the operating system keeps it per thread.
#include "OsLayer.h"

namespace {
thread_local uint32_t tlsLastError = K7_ERROR_SUCCESS;
}

namespace k7::os {
uint32_t lastError() {
    return tlsLastError;
}
void setLastError(uint32_t error) {
    tlsLastError = error;
}
}  // namespace k7::os
