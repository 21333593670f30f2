// The calling thread's last error is Windows' own: the library's error numbers are Windows'
// numbers, so an application may read it with GetLastError as well.
#include <windows.h>

#include "OsLayer.h"

namespace k7::os {
uint32_t lastError() {
    return GetLastError();
}
void setLastError(uint32_t error) {
    SetLastError(error);
}
}  // namespace k7::os
