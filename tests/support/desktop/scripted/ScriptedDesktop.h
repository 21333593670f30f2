// The tests' desktop: a windowless desktop that answers each message box, file dialog and modal
// window from a script, on a virtual clock installed as the card library's clock, so nothing
// ever waits.
#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

#include "desktop/scripted/WindowlessDesktop.h"

namespace k7check {

class ScriptedDesktop : public WindowlessDesktop {
  public:
    // `executable` is what executablePath() returns; without `virtualClock` tick and sleep are
    // the real ones.
    explicit ScriptedDesktop(std::string executable = "/opt/karvo7/bin/KARVO7Check",
                             bool virtualClock = true)
        : WindowlessDesktop(std::move(executable), virtualClock) {}

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
    // The technician asks live work to stop at its `polls`-th poll of stopRequested().
    void stopLiveWorkAt(int polls) { stopAtPoll_ = polls; }

    void beginLiveWork(const std::string& caption) override;
    bool stopRequested() override;

  protected:
    Answer answerFor(const std::string& caption, const std::string& text, Buttons buttons) override;
    std::optional<std::string> fileFor(const std::string& proposedName) override;
    int endModal(Dialog& dialog) override;

  private:
    std::deque<Answer> answers_;
    std::deque<std::optional<std::string>> fileAnswers_;
    std::deque<ModalHandler> modalHandlers_;
    int stopAtPoll_ = -1;
    int polls_ = 0;
};

}  // namespace k7check
