// A desktop without a screen. It answers each message box and each modal window from a script
// and records every caption, text and window opened; tick and sleep run on a virtual clock
// installed as the card library's clock, so nothing ever waits. Tests use it directly; the
// unattended run of a test station uses HeadlessDesktop, which answers what no script answers
// by rules of its own.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <initializer_list>
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

class ScriptedDesktop : public Desktop {
  public:
    // `executable` is what executablePath() returns. With `virtualClock` the desktop installs
    // its clock as the card library's clock for its lifetime; without, tick and sleep are the
    // real ones (the headless mode on real cards).
    explicit ScriptedDesktop(std::string executable = "/opt/karvo7/bin/KARVO7Check",
                             bool virtualClock = true);
    ~ScriptedDesktop() override;
    ScriptedDesktop(const ScriptedDesktop&) = delete;
    ScriptedDesktop& operator=(const ScriptedDesktop&) = delete;

    // ---- the script ---------------------------------------------------------------------
    // Answers of the next message boxes, in order. Without a scripted answer a box is
    // answered with OK, a Yes/No question with Yes and a Yes/No/Cancel question with Cancel
    // (a question asked in a loop until Cancel ends).
    void answerMessages(std::initializer_list<Answer> answers);
    // Results of the next file dialogs, open or save, in order (nothing = cancelled);
    // unscripted ones cancel.
    void answerFileDialog(std::optional<std::string> path);
    // What happens when a window is shown modally: the handler may change the window's fields
    // and press its buttons; its return is the result when the window did not end itself.
    // Unscripted modal windows are initialised and ended with Cancel.
    using ModalHandler = std::function<int(Dialog& dialog)>;
    void answerModal(ModalHandler handler);

    // Called on every sleep after the clock moved on: tests let the simulated cards do what is
    // due by then, so a poll loop in virtual time ends. A data-rate run's reading thread sleeps
    // too, so the hook may run on two threads at once.
    void onSleep(std::function<void()> hook) { sleepHook_ = std::move(hook); }
    // The technician asks live work to stop at its `polls`-th poll of stopRequested().
    void stopLiveWorkAt(int polls) { stopAtPoll_ = polls; }
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
    bool stopRequested() override;
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
    // What a message box or a file dialog gets when the script holds no answer (see
    // answerMessages and answerFileDialog), and what happens as a modal window opens.
    virtual Answer unscriptedAnswer(const std::string& caption, const std::string& text,
                                    Buttons buttons);
    virtual std::optional<std::string> unscriptedFile(const std::string& proposedName);
    virtual void modalOpening(const Dialog& /*dialog*/) {}

  private:
    class View;
    void attach(Dialog& dialog);
    void detach(const Dialog& dialog);
    std::optional<std::string> fileDialog(const std::string& record, const std::string& fileName);

    std::string executable_;
    std::map<const Dialog*, std::unique_ptr<View>> views_;
    std::function<void()> sleepHook_;
    int stopAtPoll_ = -1;
    int polls_ = 0;
    Size clientSize_{800, 600};
    Rect workArea_{0, 0, 1280, 1024};
    RecordingCanvas lastPaint_;
    std::vector<std::string> work_;
    std::deque<Answer> answers_;
    std::deque<std::optional<std::string>> fileAnswers_;
    std::deque<ModalHandler> modalHandlers_;
    std::vector<RecordedMessage> messages_;
    std::vector<std::string> windows_;
    std::vector<std::string> fileDialogs_;
    int repaints_ = 0;
    std::atomic<uint32_t> now_{0};
    bool virtualClock_ = true;
};

}  // namespace k7check
