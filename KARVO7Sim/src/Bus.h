// A PCI bus shared by the cards on it: it carries at most its bandwidth, and the cards'
// transfers to the host take their turns on it.
#pragma once

#include <cstdint>
#include <mutex>

namespace k7sim {

class Bus {
  public:
    // `mbPerSecond` million bytes a second; 0: the bus carries whatever is asked of it at once.
    explicit Bus(uint32_t mbPerSecond) : mbPerSecond_(mbPerSecond) {}

    // A transfer of `bytes` to the host, asked for at the present library time: false while
    // the bus is taken beyond the present millisecond (the transfer waits), else the bus is
    // taken for it after what it carries already. The library clock counts milliseconds, so
    // the bus serves what falls due within the millisecond that has begun; over any time it
    // carries no more than its bandwidth allows, plus one transfer.
    bool carry(uint32_t bytes);
    // A transfer that cannot wait (an answer that completes its read at once): the bus is
    // taken for it all the same.
    void carryNow(uint32_t bytes);

  private:
    void advance();
    void take(uint32_t bytes);

    std::mutex mutex_;
    const uint32_t mbPerSecond_;
    bool started_ = false;
    uint32_t lastTick_ = 0;
    uint64_t nowNs_ = 0;     // bus time
    uint64_t freeAtNs_ = 0;  // the bus carries what it was given until then
};

}  // namespace k7sim
