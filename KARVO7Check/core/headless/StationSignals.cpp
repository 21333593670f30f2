#include "headless/StationSignals.h"

#include <atomic>
#include <csignal>

namespace k7check {

namespace {

// The handler may only store, and a signal may arrive on any thread; a second signal keeps the
// first one's number.
std::atomic<int> caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

}  // namespace

void StationSignals::record(int signal) {
    int none = 0;
    caughtSignal.compare_exchange_strong(none, signal);
}

void StationSignals::forget() {
    caughtSignal = 0;
}

int StationSignals::caught() const {
    return caughtSignal;
}

const char* StationSignals::name(int signal) {
    return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "Signal";
}

}  // namespace k7check
