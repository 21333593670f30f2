/* The engine's header compiles as C, its records have the widths a foreign-function interface
 * declares, and the defaults are what the header says. */
#include <stdio.h>

#include "KARVO7Acquire.h"

int main(void) {
    K7AcqSettings settings;
    K7AcqEngine* engine = (K7AcqEngine*)1;
    uint32_t error = 0;
    K7AcqDefaults(&settings);
    if (sizeof(K7AcqItem) != 24 || sizeof(K7AcqSettings) != 40 || sizeof(K7AcqStatistics) != 64 ||
        sizeof(K7AcqCycleSettings) != 32) {
        puts("record sizes differ");
        return 1;
    }
    if (settings.bufferMs != 1000 || settings.startSet != K7ACQ_START_PLAIN ||
        settings.realTime != 1 || settings.shotCount != 0) {
        puts("defaults differ");
        return 1;
    }
    /* No card: refused with the argument error, and no engine. */
    settings.shotBytes = 3206;
    if (K7AcqStart(NULL, &settings, &engine, &error) != 0 || error != K7ACQ_ERROR_ARGUMENT ||
        engine != NULL) {
        puts("a start without a card was not refused");
        return 1;
    }
    if ((K7AcqVersion() >> 16) != KARVO7ACQUIRE_VERSION_MAJOR) {
        puts("version differs");
        return 1;
    }
    return 0;
}
