#include "ReadingPriority.h"

#include <pthread.h>
#include <sched.h>

namespace k7acquire {

ReadingPriority::ReadingPriority() {
    sched_param param{};
    param.sched_priority = 10;
    taken_ = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

// The scheduling ends with the thread.
ReadingPriority::~ReadingPriority() = default;

}  // namespace k7acquire
