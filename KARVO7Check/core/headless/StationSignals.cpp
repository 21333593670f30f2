#include "headless/StationSignals.h"

#include <atomic>

namespace k7check {

namespace {

// The handler may only store, and a signal may arrive on any thread; a second signal keeps the
// first one's number.
std::atomic<int> caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void recordSignal(int signal) {
    int none = 0;
    caughtSignal.compare_exchange_strong(none, signal);
}

}  // namespace

StationSignals::StationSignals() {
    caughtSignal = 0;
    struct sigaction action {};
    action.sa_handler = recordSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls resume: a card transfer or a file write never sees EINTR.
    action.sa_flags = SA_RESTART;
    takeOver(SIGINT, action, previousInt_);
    takeOver(SIGTERM, action, previousTerm_);
}

StationSignals::~StationSignals() {
    ::sigaction(SIGINT, &previousInt_, nullptr);
    ::sigaction(SIGTERM, &previousTerm_, nullptr);
}

// A signal the program was started to ignore (a background job's Ctrl-C) stays ignored.
void StationSignals::takeOver(int signal, const struct sigaction& action,
                              struct sigaction& previous) {
    ::sigaction(signal, nullptr, &previous);
    if (previous.sa_handler != SIG_IGN) {
        ::sigaction(signal, &action, nullptr);
    }
}

int StationSignals::caught() const {
    return caughtSignal;
}

const char* StationSignals::name(int signal) {
    return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "Signal";
}

}  // namespace k7check
