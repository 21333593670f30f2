// Bandwidth of a shared PCI bus.
#include "Bus.h"

#include <algorithm>

#include "KARVO7Os.h"

namespace k7sim {

namespace {
constexpr uint64_t kTickNs = 1000000;  // one millisecond of the library clock
// How far ahead of the clock the bus takes transfers: a few milliseconds, so that a host that
// comes back a little late (its own millisecond sleeps, a busy machine) finds that the bus has
// carried on meanwhile, as a real bus does with the reads queued, while over any longer time
// it carries no more than its bandwidth.
constexpr uint64_t kAheadNs = 4 * kTickNs;
// A card uses the bus while it asked for it within the last two milliseconds (a read that waits
// asks again on each millisecond of the clock).
constexpr uint64_t kActiveNs = 2 * kTickNs;
}  // namespace

void Bus::advance() {
    const uint32_t tick = K7OsGetTickCount();
    if (!started_) {
        started_ = true;
        lastTick_ = tick;
    }
    nowNs_ += uint64_t{static_cast<uint32_t>(tick - lastTick_)} * kTickNs;
    lastTick_ = tick;
}

Bus::User& Bus::ask(const void* who) {
    User& user = users_[who];
    user.lastAskNs = nowNs_;
    return user;
}

uint64_t Bus::sharing() const {
    uint64_t cards = 0;
    for (const auto& [card, u] : users_) {
        cards += u.lastAskNs + kActiveNs > nowNs_ ? 1u : 0u;
    }
    return std::max<uint64_t>(cards, 1);
}

uint64_t Bus::transferNs(uint32_t bytes) const {
    // One million bytes a second is one byte a microsecond: bytes * 1000 / MB/s nanoseconds.
    return uint64_t{bytes} * 1000u / mbPerSecond_;
}

void Bus::take(User& user, uint32_t bytes) {
    const uint64_t ns = transferNs(bytes);
    freeAtNs_ = std::max(freeAtNs_, nowNs_) + ns;
    user.freeAtNs = std::max(user.freeAtNs, nowNs_) + ns * sharing();
}

bool Bus::carry(const void* who, uint32_t bytes) {
    if (mbPerSecond_ == 0) {
        return true;
    }
    std::lock_guard lock(mutex_);
    advance();
    User& user = ask(who);
    // The bus, and the card's share of it: with n cards using the bus each transfer counts n
    // times its time against the card, so that no card takes more than its n-th.
    if (freeAtNs_ >= nowNs_ + kAheadNs || user.freeAtNs >= nowNs_ + kAheadNs) {
        return false;
    }
    take(user, bytes);
    return true;
}

void Bus::carryNow(const void* who, uint32_t bytes) {
    if (mbPerSecond_ == 0 || bytes == 0) {
        return;
    }
    std::lock_guard lock(mutex_);
    advance();
    take(ask(who), bytes);
}

}  // namespace k7sim
