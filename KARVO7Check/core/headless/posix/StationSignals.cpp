#include "headless/StationSignals.h"

#include <csignal>

namespace k7check {

namespace {

struct sigaction previousInt {};
struct sigaction previousTerm {};

extern "C" void recordSignal(int signal) {
    StationSignals::record(signal);
}

// A signal the program was started to ignore (a background job's Ctrl-C) stays ignored.
void takeOver(int signal, const struct sigaction& action, struct sigaction& previous) {
    ::sigaction(signal, nullptr, &previous);
    if (previous.sa_handler != SIG_IGN) {
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace

StationSignals::StationSignals() {
    forget();
    struct sigaction action {};
    action.sa_handler = recordSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls resume: a card transfer or a file write never sees EINTR.
    action.sa_flags = SA_RESTART;
    takeOver(SIGINT, action, previousInt);
    takeOver(SIGTERM, action, previousTerm);
}

StationSignals::~StationSignals() {
    ::sigaction(SIGINT, &previousInt, nullptr);
    ::sigaction(SIGTERM, &previousTerm, nullptr);
}

}  // namespace k7check
