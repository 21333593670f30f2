#include "TestClock.h"

#include <cstdlib>

#include "KARVO7Os.h"

namespace k7test {

VirtualClock::VirtualClock(uint32_t start) : now_(start) {
    const K7OsClock clock{this, &VirtualClock::tick, &VirtualClock::sleep};
    K7OsSetClock(&clock);
}

VirtualClock::~VirtualClock() {
    K7OsSetClock(nullptr);
}

uint32_t VirtualClock::tick(void* self) {
    return static_cast<VirtualClock*>(self)->now_;
}

void VirtualClock::sleep(void* self, uint32_t ms) {
    auto* clock = static_cast<VirtualClock*>(self);
    clock->now_ += ms;
    clock->slept_ += ms;
    clock->sleeps_.push_back(ms);
    if (clock->hook_) {
        clock->hook_(ms);
    }
}

FailingAllocator::FailingAllocator(int allowed) : allowed_(allowed) {
    const K7OsAllocator a{this, &FailingAllocator::allocate, &FailingAllocator::release};
    K7OsSetAllocator(&a);
}

FailingAllocator::~FailingAllocator() {
    K7OsSetAllocator(nullptr);
}

void* FailingAllocator::allocate(void* self, std::size_t size) {
    auto* a = static_cast<FailingAllocator*>(self);
    if (a->allowed_ <= 0) {
        return nullptr;
    }
    --a->allowed_;
    return std::malloc(size);
}

void FailingAllocator::release(void*, void* block) {
    std::free(block);
}

}  // namespace k7test
