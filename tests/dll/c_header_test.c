/* The public header compiles as C, its records have their documented layout, and a C
 * program links against the library. */
#include <stddef.h>
#include <stdio.h>

#include "KARVO7DLL.h"
#include "KARVO7Driver.h"

_Static_assert(offsetof(MeasureParams, TAStuetzstellen) == 4, "slot 1");
_Static_assert(offsetof(MeasureParams, TATabelle) == 8, "slot 2");
_Static_assert(offsetof(MeasureParams, Bit8) == 8 + sizeof(void*), "slot 3");
_Static_assert(sizeof(SpecialParams) == 16, "four slots");
_Static_assert(sizeof(GateParams) == 80, "twenty slots");
_Static_assert(sizeof(KonfigRecord) == 240, "record");
_Static_assert(sizeof(ADCValues) == 24, "six floats");

int main(void) {
    uint32_t error = 1;
    /* No driver is installed: no cards (on POSIX systems; on Windows the card family's kernel
     * driver serves then), and a null handle is refused with error 0. */
#ifndef _WIN32
    if (KARVO7Scan() != 0) {
        return 1;
    }
#endif
    if (KARVO7SetDataTimeOut(NULL, 10, &error) != 0 || error != 0) {
        return 2;
    }
    if (K7OsGetLastError() != K7_ERROR_INVALID_HANDLE) {
        return 3;
    }
    puts("C program linked against the card access library");
    return 0;
}
