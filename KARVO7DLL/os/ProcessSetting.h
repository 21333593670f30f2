// A process-wide setting of the device layer (the clock, the allocator, the log), as the
// corresponding services are settings of an operating system: read and replaced whole, from any
// thread.
#pragma once

#include <mutex>

namespace k7::os {

template <typename T>
class ProcessSetting {
  public:
    explicit ProcessSetting(T initial) : value_(initial) {}
    T get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void set(T value) {
        std::lock_guard lock(mutex_);
        value_ = value;
    }

  private:
    mutable std::mutex mutex_;
    T value_;
};

}  // namespace k7::os
