// The library's version, as the build's project version gives it.
#include "OsLayer.h"

extern "C" KARVO7_API uint32_t K7OsVersion(void) {
    return KARVO7_VERSION_NUMBER;
}
