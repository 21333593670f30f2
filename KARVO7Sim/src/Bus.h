// A PCI bus shared by the cards on it: it carries at most its bandwidth, and the cards that
// use it share it evenly, as the bus arbiter grants it to each requesting card in turn.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>

namespace k7sim {

class Bus {
  public:
    // `mbPerSecond` million bytes a second; 0: the bus carries whatever is asked of it at once.
    explicit Bus(uint32_t mbPerSecond) : mbPerSecond_(mbPerSecond) {}

    // A transfer of `bytes` to the host, asked for at the present library time: false while
    // the bus is taken more than 4 ms ahead (the transfer waits), else the bus is taken for it
    // after what it carries already. Over any time it carries no more than its bandwidth
    // allows, plus 4 ms worth (the library clock counts whole milliseconds, and a host polls
    // its cards with millisecond sleeps in between).
    // A card (`who`) gets its share: with n cards using the bus (those that asked within the
    // last two milliseconds), each of them at most one n-th of the bandwidth.
    bool carry(const void* who, uint32_t bytes);
    // A transfer that cannot wait (an answer that completes its read at once): the bus is
    // taken for it all the same.
    void carryNow(const void* who, uint32_t bytes);

  private:
    struct User {
        uint64_t lastAskNs = 0;
        uint64_t freeAtNs = 0;  // the card's share carries what it was given until then
    };
    void advance();
    User& ask(const void* who);
    uint64_t sharing() const;  // cards using the bus
    uint64_t transferNs(uint32_t bytes) const;
    void take(User& user, uint32_t bytes);

    std::mutex mutex_;
    const uint32_t mbPerSecond_;
    bool started_ = false;
    uint32_t lastTick_ = 0;
    uint64_t nowNs_ = 0;     // bus time
    uint64_t freeAtNs_ = 0;  // the bus carries what it was given until then
    std::map<const void*, User> users_;
};

}  // namespace k7sim
