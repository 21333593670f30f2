// Millisecond tick and sleep behind the replaceable clock. Every pause of the library goes
// through here so that tests can run in virtual time.
#include "OsLayer.h"
#include "ProcessSetting.h"
#include "SystemServices.h"

namespace {

constexpr K7OsClock kSystemClock{nullptr, k7::os::systemTick, k7::os::systemSleep};

// The installed clock, a process-wide setting of the device layer as the system clock is.
k7::os::ProcessSetting<K7OsClock>& installed() {
    static k7::os::ProcessSetting<K7OsClock> clock(kSystemClock);
    return clock;
}

K7OsClock current() {
    return installed().get();
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
    const bool usable = clock != nullptr && clock->tickCount != nullptr && clock->sleep != nullptr;
    installed().set(usable ? *clock : kSystemClock);
}
KARVO7_API uint32_t K7OsGetTickCount(void) {
    return k7::os::tickCount();
}
KARVO7_API void K7OsSleep(uint32_t milliseconds) {
    k7::os::sleep(milliseconds);
}
}
