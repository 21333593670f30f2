// The program's main window on two simulated cards, run by a script of steps as a technician
// drives it: its controls by name, the lines of its result list, the close box.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SimulatedProgram.h"
#include "app/KARVO7CheckDlg.h"

namespace k7w32test {

// A window the program opened while the script ran: its window, its view while it is open,
// its place on screen while it showed, and how often a window of its title opened.
struct Opened {
    HWND hwnd = nullptr;
    k7w32::Win32DialogView* view = nullptr;
    RECT place{};
    int count = 0;
};

class ProgramWindow : public SimulatedProgram {
  protected:
    ProgramWindow();
    static constexpr const char* kTitle = "KARVO7 Check (simulierte Karten)";

    HWND main() const { return windowTitled(kTitle); }
    HWND control(const char* name);
    std::vector<std::string> results();
    // Opens the main window with the program's card selection and runs the script in it.
    void run();
    // The last step: the close box ends the program.
    void closeBox();

    // A window the program opened, other than the main window, that still shows; or nullptr.
    HWND openWindow() const;
    // What is known of that window; or nullptr.
    const Opened* shownWindow() const;

    std::map<std::string, Opened> opened;  // by title
    Script script;
    std::unique_ptr<k7check::KARVO7CheckDlg> window;
    int result = -1;
};

}  // namespace k7w32test
