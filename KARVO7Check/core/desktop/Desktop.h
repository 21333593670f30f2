// The desktop services the check program's logic uses, and nothing else of the desktop:
// message boxes, the file-open and file-save dialogs, opening windows modally or not, repainting
// and placing them, live work that can be stopped, long operations with progress, the millisecond
// tick and sleep, the executable's path and the INI profile. QtDesktop serves people;
// HeadlessDesktop serves the unattended run of a test station, and the tests' scripted desktop
// the tests.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "card/Clock.h"
#include "desktop/Dialog.h"

namespace k7check {

enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

// A rectangle on the screen: [left, right) x [top, bottom).
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

class Desktop : public Clock {
  public:
    virtual ~Desktop() = default;

    // A message box with caption, text and buttons; returns the button pressed.
    virtual Answer messageBox(const std::string& caption, const std::string& text,
                              Buttons buttons = Buttons::Ok) = 0;
    // The file-open dialog, preset with `fileName`, offering `filter` (e.g. "*.ini"); the
    // chosen full path, or nothing when cancelled.
    virtual std::optional<std::string> openFileDialog(const std::string& fileName,
                                                      const std::string& filter) = 0;
    // The file-save dialog, preset with `fileName` and offering `filter` like openFileDialog;
    // the chosen full path (the technician has agreed to replace an existing file), or nothing
    // when cancelled.
    virtual std::optional<std::string> saveFileDialog(const std::string& fileName,
                                                      const std::string& filter) = 0;
    // Shows `dialog` modally and returns its result (kIdOk, kIdCancel, ...).
    virtual int runModal(Dialog& dialog) = 0;
    // Shows `dialog` without blocking; it stays open until closed or destroyed.
    virtual void showModeless(Dialog& dialog) = 0;
    // Redraws an open window now (runs paint their displays themselves).
    virtual void repaint(Dialog& dialog) = 0;
    // The part of the screen windows may cover, and putting a window at a rectangle.
    virtual Rect workArea() = 0;
    virtual void placeWindow(Dialog& dialog, const Rect& where) = 0;

    // Live work: a run that loops for seconds or minutes inside an action. Between the two
    // calls the windows stay painted (every sleep lets them), and the technician can ask the
    // run to stop (Escape, or the stop button of the window showing `caption`); the run polls
    // stopRequested() and ends the way it ends on a failure.
    virtual void beginLiveWork(const std::string& caption) = 0;
    virtual bool stopRequested() = 0;
    virtual void endLiveWork() = 0;

    // A blocking library call that takes long (a configuration-record write, EEPROM repairs,
    // DSP loading, reset waits): runs `work` while a progress window with `text` and a busy
    // cursor show that the program is working and the windows stay painted; returns when it
    // is done. `expectedMs` sizes the progress bar (0: no estimate). The desktop takes no other
    // action meanwhile, so calls on one card handle stay serialised. `work` may run on another
    // thread: whatever it needs of thread-local state (the library's last error) it reads
    // itself.
    virtual void runLong(const std::string& caption, const std::string& text, uint32_t expectedMs,
                         const std::function<void()>& work) = 0;

    // Milliseconds and pauses (tickCount, sleep) are the Clock's: through the card library's
    // replaceable clock.

    // Whether a person answers questions and chooses files. Unattended, what a person would
    // choose in a file dialog (the DSP program of "Check All") is taken from the parameter file
    // without asking.
    virtual bool attended() { return true; }

    // Full path of the running executable ("/opt/karvo7/bin/KARVO7Check").
    virtual std::string executablePath() = 0;

    // The INI profile (Windows profile semantics, see IniFile).
    virtual std::string profileString(const std::string& file, const std::string& section,
                                      const std::string& key, const std::string& fallback) = 0;
    virtual int32_t profileInt(const std::string& file, const std::string& section,
                               const std::string& key, int32_t fallback) = 0;
    virtual bool writeProfileString(const std::string& file, const std::string& section,
                                    const std::string& key, const std::string& value) = 0;
};

// Live work for the length of a scope.
class LiveWork {
  public:
    LiveWork(Desktop& desktop, const std::string& caption) : desktop_(desktop) {
        desktop_.beginLiveWork(caption);
    }
    ~LiveWork() { desktop_.endLiveWork(); }
    LiveWork(const LiveWork&) = delete;
    LiveWork& operator=(const LiveWork&) = delete;
    // Whether the technician asked the run to stop (remembered once asked).
    bool stopped() {
        stopped_ = stopped_ || desktop_.stopRequested();
        return stopped_;
    }

  private:
    Desktop& desktop_;
    bool stopped_ = false;
};

}  // namespace k7check
