// A desktop without a screen: windows get controls held in memory, every caption, text, window
// and file dialog is recorded, and what a person would answer comes from the derived desktop
// (answerFor, fileFor, endModal): the unattended station's HeadlessDesktop answers by its rules,
// the tests' scripted desktop from a script. Tick and sleep are the real ones, or a virtual
// clock installed as the card library's clock, so that nothing ever waits.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/Desktop.h"
#include "desktop/scripted/RecordingCanvas.h"
#include "desktop/scripted/ScriptedControls.h"

namespace k7check {

struct RecordedMessage {
    std::string caption;
    std::string text;
    Buttons buttons;
    Answer answer;
};

class WindowlessDesktop : public Desktop {
  public:
    // `executable` is what executablePath() returns. With `virtualClock` the desktop installs
    // its clock as the card library's clock for its lifetime; without, tick and sleep are the
    // real ones (the headless mode on real cards).
    WindowlessDesktop(std::string executable, bool virtualClock);
    ~WindowlessDesktop() override;
    WindowlessDesktop(const WindowlessDesktop&) = delete;
    WindowlessDesktop& operator=(const WindowlessDesktop&) = delete;

    // Called on every sleep after the clock moved on: with the virtual clock the simulated
    // cards do what is due by then, so a poll loop in virtual time ends. A data-rate run's
    // reading thread sleeps too, so the hook may run on two threads at once.
    void onSleep(std::function<void()> hook) { sleepHook_ = std::move(hook); }
    // Size of the client area windows paint into.
    void setClientSize(Size size) { clientSize_ = size; }

    // ---- what happened ------------------------------------------------------------------
    // The controls of a window open now (modal or not); nullptr when it is not open.
    ScriptedControls* controlsOf(const Dialog& dialog);
    // What the last repaint of a painting window drew.
    const RecordingCanvas& lastPaint() const { return lastPaint_; }
    // Captions of live work and long operations, in order ("live: ...", "long: ...").
    const std::vector<std::string>& work() const { return work_; }
    const std::vector<RecordedMessage>& messages() const { return messages_; }
    // Texts of the messages, "caption: text" each, for compact assertions.
    std::vector<std::string> messageLines() const;
    // Window classes opened, in order; modeless ones marked with a trailing " (modeless)".
    const std::vector<std::string>& windows() const { return windows_; }
    // "name | filter" of each file dialog, "save: name | filter" for a save dialog.
    std::vector<std::string> fileDialogs() const { return fileDialogs_; }
    int repaints() const { return repaints_; }
    void clear();

    // ---- Desktop ------------------------------------------------------------------------
    Answer messageBox(const std::string& caption, const std::string& text,
                      Buttons buttons) override;
    std::optional<std::string> openFileDialog(const std::string& fileName,
                                              const std::string& filter) override;
    std::optional<std::string> saveFileDialog(const std::string& fileName,
                                              const std::string& filter) override;
    int runModal(Dialog& dialog) override;
    void showModeless(Dialog& dialog) override;
    void repaint(Dialog& dialog) override;
    Rect workArea() override { return workArea_; }
    void placeWindow(Dialog& dialog, const Rect& where) override;
    void beginLiveWork(const std::string& caption) override;
    bool stopRequested() override { return false; }
    void endLiveWork() override;
    void runLong(const std::string& caption, const std::string& text, uint32_t expectedMs,
                 const std::function<void()>& work) override;
    uint32_t tickCount() override;
    void sleep(uint32_t milliseconds) override;
    std::string executablePath() override { return executable_; }
    std::string profileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& fallback) override;
    int32_t profileInt(const std::string& file, const std::string& section, const std::string& key,
                       int32_t fallback) override;
    bool writeProfileString(const std::string& file, const std::string& section,
                            const std::string& key, const std::string& value) override;

    // The virtual clock: milliseconds since the desktop was made, advanced by sleep(). A run
    // that reads on a thread of its own reads the clock from there (through the card library),
    // and sleeps from there too.
    uint32_t now() const { return now_; }
    void advance(uint32_t milliseconds) { now_ += milliseconds; }

  protected:
    // The button a message box gets.
    virtual Answer answerFor(const std::string& caption, const std::string& text,
                             Buttons buttons) = 0;
    // The file a file dialog proposing `proposedName` ends with; nothing: cancelled.
    virtual std::optional<std::string> fileFor(const std::string& proposedName) = 0;
    // What happens as a modal window opens (before its onInit), and how a modal window that
    // its onInit did not end is ended; returns the result when the window did not end itself.
    virtual void modalOpening(const Dialog& /*dialog*/) {}
    virtual int endModal(Dialog& dialog);

  private:
    class View;
    void attach(Dialog& dialog);
    void detach(const Dialog& dialog);
    std::optional<std::string> fileDialog(const std::string& record, const std::string& fileName);

    std::string executable_;
    std::map<const Dialog*, std::unique_ptr<View>> views_;
    std::function<void()> sleepHook_;
    Size clientSize_{800, 600};
    Rect workArea_{0, 0, 1280, 1024};
    RecordingCanvas lastPaint_;
    std::vector<std::string> work_;
    std::vector<RecordedMessage> messages_;
    std::vector<std::string> windows_;
    std::vector<std::string> fileDialogs_;
    int repaints_ = 0;
    std::atomic<uint32_t> now_{0};
    bool virtualClock_ = true;
};

}  // namespace k7check
