// Millisecond tick and sleep behind the replaceable clock. Every pause of the library goes
// through here so that tests can run in virtual time.
#include <atomic>
#include <mutex>

#include "OsLayer.h"
#include "SystemServices.h"

namespace {

// The installed clock is a process-wide setting of the device layer, as the system clock is.
struct ClockSlot {
    std::mutex mutex;
    K7OsClock clock{nullptr, k7::os::systemTick, k7::os::systemSleep};
};

ClockSlot& slot() {
    static ClockSlot instance;
    return instance;
}

K7OsClock current() {
    ClockSlot& s = slot();
    std::lock_guard lock(s.mutex);
    return s.clock;
}

}  // namespace

namespace k7::os {
uint32_t tickCount() {
    const K7OsClock c = current();
    return c.tickCount(c.context);
}
void sleep(uint32_t milliseconds) {
    const K7OsClock c = current();
    c.sleep(c.context, milliseconds);
}
}  // namespace k7::os

extern "C" {
KARVO7_API void K7OsSetClock(const K7OsClock* clock) {
    ClockSlot& s = slot();
    std::lock_guard lock(s.mutex);
    if (clock != nullptr && clock->tickCount != nullptr && clock->sleep != nullptr) {
        s.clock = *clock;
    } else {
        s.clock = K7OsClock{nullptr, k7::os::systemTick, k7::os::systemSleep};
    }
}
KARVO7_API uint32_t K7OsGetTickCount(void) {
    return k7::os::tickCount();
}
KARVO7_API void K7OsSleep(uint32_t milliseconds) {
    k7::os::sleep(milliseconds);
}
}
