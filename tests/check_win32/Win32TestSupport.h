// What the Win32 window tests share: a script of steps that drives the program's real windows
// from inside their own message loops, finding windows by title and controls by name and acting
// on them with posted messages as the keyboard and the mouse would, and the checks of a form's
// geometry.
//
// A step runs when the window on top (a window's modal run, a message box, the file dialog, a
// run's stop window) takes its next message; the step posts what the technician does and ends,
// and the next step follows once that has been handled. So a step that opens a message box is
// followed by a step that finds the box open and answers it, and no test ever waits for a time.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Win32Desktop.h"

namespace k7w32test {

// The Win32 desktop of the program, with the program's parameter file in a folder of the test's.
class TestDesktop : public k7w32::Win32Desktop {
  public:
    explicit TestDesktop(std::string executable);
    std::string executablePath() override { return executable_; }

  private:
    std::string executable_;
};

class Script {
  public:
    Script();
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    // Appends a step.
    Script& then(std::function<void()> step);
    // Appends a step that itself runs a window, a box or a dialog (it returns once that has
    // ended): the next step runs inside it.
    Script& during(std::function<void()> step);
    // Appends a step that runs again, after what it posted, for as long as it returns true.
    Script& repeat(std::function<bool()> step);
    // Runs `dialog` modally on `desktop` with the steps; a window still open once the steps have
    // run out fails the test and is closed.
    int run(k7w32::Win32Desktop& desktop, k7check::Dialog& dialog);
    // Starts the steps without running a window (for a test that runs one itself).
    void start();
    bool done() const { return steps_.empty() && !running_; }

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void next();
    HWND hwnd_ = nullptr;
    struct Step {
        std::function<bool()> run;  // true: again
        bool nextFirst = false;     // the next step is posted before this one runs
    };
    std::deque<Step> steps_;
    bool running_ = false;
    static constexpr int kMaxRecoveries = 5;
    int recoveries_ = 0;
    k7w32::Win32Desktop* desktop_ = nullptr;
    k7check::Dialog* dialog_ = nullptr;
};

// The visible top-level window of this thread titled `title`, or nullptr.
HWND windowTitled(const std::string& title);
// The message box or common dialog (#32770) of this thread that is shown now, or nullptr.
HWND shownBox();
// A box's text: its caption and its message, "caption: text".
std::string boxText(HWND box);
// The child of `box` with the dialog id `id`.
HWND boxButton(HWND box, int id);

// What the technician does, posted: a click on a button, typing into an edit (all of its text
// replaced), a key on a control or a window, a double click at a point of a window's client area.
void click(HWND button);
void type(HWND edit, const std::string& text);
void key(HWND target, WPARAM virtualKey);
void doubleClick(HWND window, POINT at);
// Keys pressed on the keyboard (SendInput): they reach whatever has the focus when they are
// taken from the input queue, after every posted message (a menu opened by one, say).
void pressKeys(const std::vector<WORD>& virtualKeys);
// Selects line `line` of a list box as a click does.
void chooseLine(HWND list, int line);
std::string textOf(HWND window);

// The geometry of a view's form: every control lies inside the client area, no two overlap
// (a group box holds what lies inside it), and every text fits its control. The faults found,
// one line each ("okButton overlaps cancelButton"); empty when there are none.
std::vector<std::string> layoutFaults(k7w32::Win32DialogView& view);

}  // namespace k7w32test
