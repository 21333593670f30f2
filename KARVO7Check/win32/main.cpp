// KARVO7Check on Windows: shows the main window until it closes. With --check-all it runs
// "Check All" without any window, exactly as the Qt program on Linux does (for production test
// stations: result lines on standard output, the exit code, --report FILE).
//
// The program is a console program, so that a station's script sees its output and waits for
// its exit code; started from the Start menu or Explorer, it gives back the console Windows
// opened for it before the main window comes up.
#include <windows.h>

#include <string>
#include <vector>

#include "ViewRegistry.h"
#include "Win32Desktop.h"
#include "app/KARVO7CheckDlg.h"
#include "app/Session.h"
#include "headless/HeadlessCommand.h"
#include "k7base/Descriptors.h"
#include "k7base/Paths.h"

namespace {

// A console that only this process uses was opened for it: it goes.
void leaveOwnConsole() {
    DWORD processes[2] = {};
    if (GetConsoleProcessList(processes, 2) == 1) {
        FreeConsole();
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    k7base::useBinaryStandardStreams();
    std::vector<std::string> arguments = k7base::programArguments(argc, argv);
    arguments.erase(arguments.begin());
    const k7check::CommandLine commandLine = k7check::parseCommandLine(arguments);
    if (const std::optional<int> code = k7check::runWithoutWindow(commandLine)) {
        return *code;
    }
    leaveOwnConsole();
    k7w32::Win32Desktop desktop;
    k7w32::registerProgramViews(desktop.views(), desktop);
    k7check::Session session(desktop);
    k7check::KARVO7CheckDlg window(session);
    desktop.runModal(window);
    // Ending at start-up (no card) is a failure for whoever started the program.
    return session.cardCount() == 0 ? 1 : 0;
}
