// The calling thread's last error, as the device layer's interface hands it to applications;
// where it is kept is the system's (posix/, win32/).
#include "OsLayer.h"

extern "C" {
KARVO7_API uint32_t K7OsGetLastError(void) {
    return k7::os::lastError();
}
KARVO7_API void K7OsSetLastError(uint32_t error) {
    k7::os::setLastError(error);
}
}
