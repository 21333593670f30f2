// A desktop without a screen. It answers each message box and each modal window from a script
// and records every caption, text and window opened; tick and sleep run on a virtual clock
// installed as the card library's clock, so nothing ever waits. Tests use it directly; the
// headless mode of production test stations uses it with `echo` set, which prints every
// message to an error stream and answers with the default button.
#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "Desktop.h"

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
    // answered with OK or Yes; while echoing (the unattended headless run) a question is
    // answered No.
    void answerMessages(std::initializer_list<Answer> answers);
    // Results of the next file-open dialogs (nothing = cancelled); unscripted ones cancel.
    void answerFileDialog(std::optional<std::string> path);
    // What happens when a window is shown modally: the handler may change the window's fields
    // and press its buttons; its return is the result when the window did not end itself.
    // Unscripted modal windows are initialised and ended with Cancel.
    using ModalHandler = std::function<int(Dialog& dialog)>;
    void answerModal(ModalHandler handler);

    // ---- what happened ------------------------------------------------------------------
    const std::vector<RecordedMessage>& messages() const { return messages_; }
    // Texts of the messages, "caption: text" each, for compact assertions.
    std::vector<std::string> messageLines() const;
    // Window classes opened, in order; modeless ones marked with a trailing " (modeless)".
    const std::vector<std::string>& windows() const { return windows_; }
    std::vector<std::string> fileDialogs() const { return fileDialogs_; }
    int repaints() const { return repaints_; }
    void clear();

    // Prints every message box to `stream` ("caption: text") and answers with the default.
    void echoMessagesTo(std::ostream* stream) { echo_ = stream; }

    // ---- Desktop ------------------------------------------------------------------------
    Answer messageBox(const std::string& caption, const std::string& text,
                      Buttons buttons) override;
    std::optional<std::string> openFileDialog(const std::string& fileName,
                                              const std::string& filter) override;
    int runModal(Dialog& dialog) override;
    void showModeless(Dialog& dialog) override;
    void repaint(Dialog& dialog) override;
    uint32_t tickCount() override;
    void sleep(uint32_t milliseconds) override;
    std::string executablePath() override { return executable_; }
    std::string profileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& fallback) override;
    int32_t profileInt(const std::string& file, const std::string& section, const std::string& key,
                       int32_t fallback) override;
    bool writeProfileString(const std::string& file, const std::string& section,
                            const std::string& key, const std::string& value) override;

    // The virtual clock: milliseconds since the desktop was made, advanced by sleep().
    uint32_t now() const { return now_; }
    void advance(uint32_t milliseconds) { now_ += milliseconds; }

  private:
    std::string executable_;
    std::deque<Answer> answers_;
    std::deque<std::optional<std::string>> fileAnswers_;
    std::deque<ModalHandler> modalHandlers_;
    std::vector<RecordedMessage> messages_;
    std::vector<std::string> windows_;
    std::vector<std::string> fileDialogs_;
    int repaints_ = 0;
    uint32_t now_ = 0;
    std::ostream* echo_ = nullptr;
    bool virtualClock_ = true;
};

}  // namespace k7check
