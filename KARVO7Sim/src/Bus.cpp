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
        cards += u.lastAskNs + kTickNs > nowNs_ ? 1u : 0u;
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
    if (freeAtNs_ >= nowNs_ + kAheadNs) {
        user.waiting = true;
        return false;
    }
    // The arbiter's turns: a card that has had a transfer's share more than a card waiting
    // for the bus lets that one go first (a card that waited keeps its claim).
    const uint64_t share = transferNs(bytes) * sharing();
    for (const auto& [card, other] : users_) {
        const bool active = other.lastAskNs + kTickNs > nowNs_;
        if (card != who && active && other.waiting && user.freeAtNs >= other.freeAtNs + share) {
            user.waiting = true;
            return false;
        }
    }
    user.waiting = false;
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
