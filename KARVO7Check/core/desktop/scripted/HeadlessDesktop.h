// The desktop of the unattended "Check All" on a test station: no screen and nobody to ask.
// It is the windowless desktop with the real clock and these answers, each written to the log
// stream (standard error of the run) as it is given:
//  - a message box with OK only: OK;                     logged "caption: text"
//  - a Yes/No question ("Wollen Sie wirklich sichern?"): No, so that nothing is written to a
//    card or a file without a person agreeing to it;      logged "caption: text [Ja/Nein]"
//  - a Yes/No/Cancel question (asked in a loop until Cancel): Cancel;
//                                                         logged "caption: text
//                                                         [Ja/Nein/Abbrechen]"
//  - a file dialog: cancelled, as nobody chooses a file; not logged (what a technician would
//    choose, such as the DSP program, the checks take from the parameter file: attended() is
//    false)
//  - a modal window: initialised and ended with Cancel;   logged "title: (Fenster ohne
//    Bildschirm geschlossen)"
//  - live work polling for a stop: stopped once the run is interrupted (stopWhen)
//  - a long operation (an EEPROM repair): run to its end, whatever stopWhen says; logged
//    "caption: text" as it starts when the run can be interrupted
// Messages, windows and file dialogs are recorded as the windowless desktop records them, so
// that the run can tell which message belongs to which check.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "desktop/scripted/WindowlessDesktop.h"

namespace k7check {

class HeadlessDesktop : public WindowlessDesktop {
  public:
    // `executable` is what executablePath() returns; `log` receives every answer given. The
    // run uses the real clock; a test may give it the virtual one (`virtualClock`).
    HeadlessDesktop(std::string executable, std::ostream& log, bool virtualClock = false);

    // Live work is asked to stop as soon as `interrupted` says so (a signal to the station).
    void stopWhen(std::function<bool()> interrupted) { interrupted_ = std::move(interrupted); }

    bool attended() override { return false; }
    bool stopRequested() override;
    void runLong(const std::string& caption, const std::string& text, uint32_t expectedMs,
                 const std::function<void()>& work) override;

  protected:
    Answer answerFor(const std::string& caption, const std::string& text, Buttons buttons) override;
    std::optional<std::string> fileFor(const std::string& proposedName) override;
    void modalOpening(const Dialog& dialog) override;

  private:
    std::ostream& log_;
    std::function<bool()> interrupted_;
};

}  // namespace k7check
