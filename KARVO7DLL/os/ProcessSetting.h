// A process-wide setting of the device layer (the clock, the allocator, the log), as the
// corresponding services are settings of an operating system: read and replaced whole, from any
// thread.
//
// Reading never waits: every call of the library reads the allocator and many the clock, among
// them those of an acquisition engine's real-time reading thread, which must not wait for a
// thread of lower priority that a busy process held up inside a lock. A value once set stays in
// memory for the process's life (a reader may still be copying it); setting a value set before
// takes that one again, so that settings switched back and forth take no more memory.
#pragma once

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

namespace k7::os {

template <typename T>
class ProcessSetting {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    explicit ProcessSetting(T initial) { set(initial); }
    T get() const { return *current_.load(std::memory_order_acquire); }
    void set(T value) {
        std::lock_guard lock(mutex_);
        for (const std::unique_ptr<const T>& kept : values_) {
            if (std::memcmp(kept.get(), &value, sizeof value) == 0) {
                current_.store(kept.get(), std::memory_order_release);
                return;
            }
        }
        values_.push_back(std::make_unique<const T>(value));
        current_.store(values_.back().get(), std::memory_order_release);
    }

  private:
    std::mutex mutex_;  // between setters only
    std::vector<std::unique_ptr<const T>> values_;
    std::atomic<const T*> current_{nullptr};
};

}  // namespace k7::os
