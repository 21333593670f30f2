// The time-critical priority ends with the thread; the timer resolution is the process's and is
// given back when the reading ends.
#include "ReadingPriority.h"

#include <windows.h>
// after windows.h
#include <timeapi.h>

namespace k7acquire {

ReadingPriority::ReadingPriority() {
    taken_ = SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0;
    timerResolution_ = timeBeginPeriod(1) == TIMERR_NOERROR;
}

ReadingPriority::~ReadingPriority() {
    if (timerResolution_) {
        timeEndPeriod(1);
    }
}

}  // namespace k7acquire
