#include "Interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "Tool.h"

namespace karvo7 {

namespace {

std::atomic<bool> handled{false};
std::atomic<int> caught{0};
std::atomic<const char*> temporary{nullptr};

void onSignal(int signal) {
    caught = signal;
    if (handled) {
        return;
    }
    if (const char* path = temporary.load(); path != nullptr) {
        ::unlink(path);
    }
    constexpr const char kText[] = "karvo7: interrupted\n";
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, kText, sizeof kText - 1);
    ::_exit(kExitFailed);
}

}  // namespace

void installInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
}

void handleInterrupts(bool on) {
    handled = on;
}

bool interrupted() {
    return caught != 0;
}

int interruptSignal() {
    return caught;
}

void registerTemporaryFile(const char* path) {
    temporary = path;
}

}  // namespace karvo7
