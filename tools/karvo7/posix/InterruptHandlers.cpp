#include <signal.h>
#include <unistd.h>

#include "Interrupt.h"
#include "Tool.h"

namespace karvo7 {

namespace {

void onSignal(int signal) {
    if (recordInterrupt(signal)) {
        return;
    }
    if (const char* path = registeredTemporaryFile(); path != nullptr) {
        ::unlink(path);
    }
    [[maybe_unused]] const ssize_t n =
        ::write(STDERR_FILENO, kInterruptedText, sizeof kInterruptedText - 1);
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
    // A file that reaches the size limit is a write that fails (EFBIG), as a full disk is: the
    // stream then keeps what it wrote instead of dying with a core.
    ::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace karvo7
