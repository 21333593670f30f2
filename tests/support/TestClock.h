// The card library's clock and allocator for tests, installed for an object's lifetime:
// a clock whose time passes only when told or slept, and an allocator that stops serving.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace k7test {

// Milliseconds that pass only through sleeps (the library's and the test's) and advance().
class VirtualClock {
  public:
    explicit VirtualClock(uint32_t start = 0);
    ~VirtualClock();
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    uint32_t now() const { return now_; }
    void advance(uint32_t ms) { now_ += ms; }
    // What was slept, in total and one sleep at a time.
    uint64_t sleptMs() const { return slept_; }
    const std::vector<uint32_t>& sleeps() const { return sleeps_; }
    // Called with each sleep's length after the time moved on, so that a test acts at a point
    // of the work it follows (a signal at the first EEPROM byte written).
    void onSleep(std::function<void(uint32_t ms)> hook) { hook_ = std::move(hook); }

  private:
    static uint32_t tick(void* self);
    static void sleep(void* self, uint32_t ms);
    std::atomic<uint32_t> now_;  // read by the card library on its readers' threads
    uint64_t slept_ = 0;
    std::vector<uint32_t> sleeps_;
    std::function<void(uint32_t)> hook_;
};

// Serves `allowed` more allocations, then refuses every request buffer and handle.
class FailingAllocator {
  public:
    explicit FailingAllocator(int allowed = 0);
    ~FailingAllocator();
    FailingAllocator(const FailingAllocator&) = delete;
    FailingAllocator& operator=(const FailingAllocator&) = delete;

  private:
    static void* allocate(void* self, std::size_t size);
    static void release(void* self, void* block);
    int allowed_;
};

}  // namespace k7test
