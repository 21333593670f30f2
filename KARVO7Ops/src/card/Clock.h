// Milliseconds and pauses of the card operations. The check program's desktop is one (its
// windows stay painted while an operation waits); LibraryClock is the card library's
// replaceable clock for programs without windows, so tests run either in virtual time.
#pragma once

#include <cstdint>

#include "KARVO7Os.h"

namespace k7check {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual uint32_t tickCount() = 0;
    virtual void sleep(uint32_t milliseconds) = 0;
};

class LibraryClock final : public Clock {
  public:
    uint32_t tickCount() override { return K7OsGetTickCount(); }
    void sleep(uint32_t milliseconds) override { K7OsSleep(milliseconds); }
};

}  // namespace k7check
