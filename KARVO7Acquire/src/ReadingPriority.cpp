#include "ReadingPriority.h"

#include <pthread.h>
#include <sched.h>

namespace k7acquire {

bool takeReadingPriority() {
    sched_param param{};
    param.sched_priority = 10;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

}  // namespace k7acquire
