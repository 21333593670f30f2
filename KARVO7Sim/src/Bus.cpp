// Bandwidth of a shared PCI bus.
#include "Bus.h"

#include <algorithm>

#include "KARVO7Os.h"

namespace k7sim {

namespace {
constexpr uint64_t kTickNs = 1000000;  // one millisecond of the library clock
}

void Bus::advance() {
    const uint32_t tick = K7OsGetTickCount();
    if (!started_) {
        started_ = true;
        lastTick_ = tick;
    }
    nowNs_ += uint64_t{static_cast<uint32_t>(tick - lastTick_)} * kTickNs;
    lastTick_ = tick;
}

void Bus::take(uint32_t bytes) {
    // One million bytes a second is one byte a microsecond: bytes * 1000 / MB/s nanoseconds.
    freeAtNs_ = std::max(freeAtNs_, nowNs_) + uint64_t{bytes} * 1000u / mbPerSecond_;
}

bool Bus::carry(uint32_t bytes) {
    if (mbPerSecond_ == 0) {
        return true;
    }
    std::lock_guard lock(mutex_);
    advance();
    if (freeAtNs_ >= nowNs_ + kTickNs) {
        return false;
    }
    take(bytes);
    return true;
}

void Bus::carryNow(uint32_t bytes) {
    if (mbPerSecond_ == 0) {
        return;
    }
    std::lock_guard lock(mutex_);
    advance();
    take(bytes);
}

}  // namespace k7sim
