#include "Interrupt.h"

#include <atomic>

namespace karvo7 {

namespace {

std::atomic<bool> handled{false};
std::atomic<int> caught{0};
std::atomic<const char*> temporary{nullptr};

}  // namespace

bool recordInterrupt(int signal) {
    caught = signal;
    return handled;
}

const char* registeredTemporaryFile() {
    return temporary.load();
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
