// The console's control events on Windows. The handler runs on a thread of its own, so that it
// may do what a signal handler may not; a temporary file still open for writing cannot be
// removed, and is then removed as a dead writer's when its target is written next.
#include <windows.h>

#include <csignal>
#include <cstdlib>

#include "Interrupt.h"
#include "Tool.h"
#include "k7base/WideText.h"

namespace karvo7 {

namespace {

BOOL WINAPI onConsoleEvent(DWORD event) {
    const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
    if (recordInterrupt(signal)) {
        return TRUE;
    }
    if (const char* path = registeredTemporaryFile(); path != nullptr) {
        DeleteFileW(k7base::wideOf(path).c_str());
    }
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kInterruptedText, sizeof kInterruptedText - 1,
              &written, nullptr);
    std::_Exit(kExitFailed);
}

}  // namespace

void installInterruptHandlers() {
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

}  // namespace karvo7
