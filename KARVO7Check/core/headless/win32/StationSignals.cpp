// The console's control events: the handler runs on a thread of its own and only records; the
// run then ends as it does on a signal. Windows ends the process a few seconds after a close,
// log-off or shutdown event whatever the handler does.
#include "headless/StationSignals.h"

#include <windows.h>

#include <csignal>

namespace k7check {

namespace {

BOOL WINAPI recordEvent(DWORD event) {
    StationSignals::record(event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM);
    return TRUE;
}

}  // namespace

StationSignals::StationSignals() {
    forget();
    SetConsoleCtrlHandler(recordEvent, TRUE);
}

StationSignals::~StationSignals() {
    SetConsoleCtrlHandler(recordEvent, FALSE);
}

}  // namespace k7check
