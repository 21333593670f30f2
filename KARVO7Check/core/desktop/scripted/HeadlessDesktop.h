// The desktop of the unattended "Check All" on a test station: no screen and nobody to ask.
// It is the scripted desktop with no script, the real clock and these answers, each written to
// the log stream (standard error of the run) as it is given:
//  - a message box with OK only: OK;                     logged "caption: text"
//  - a Yes/No question ("Wollen Sie wirklich sichern?"): No, so that nothing is written to a
//    card or a file without a person agreeing to it;      logged "caption: text [Ja/Nein]"
//  - a Yes/No/Cancel question (asked in a loop until Cancel): Cancel;
//                                                         logged "caption: text
//                                                         [Ja/Nein/Abbrechen]"
//  - a file dialog that proposes a name (the parameter file's DSP program, "Data.csv"): that
//    name, as if accepted as it opened;                   logged "Datei: name"
//  - a file dialog without a proposed name: cancelled;    not logged
//  - a modal window: initialised and ended with Cancel;   logged "title: (Fenster ohne
//    Bildschirm geschlossen)"
//  - live work polling for a stop: stopped once the run is interrupted (stopWhen)
//  - a long operation (an EEPROM repair): run to its end, whatever stopWhen says; logged
//    "caption: text" as it starts when the run can be interrupted
// Messages, windows and file dialogs are recorded as the scripted desktop records them, so that
// the run can tell which message belongs to which check.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "desktop/scripted/ScriptedDesktop.h"

namespace k7check {

class HeadlessDesktop : public ScriptedDesktop {
  public:
    // `executable` is what executablePath() returns; `log` receives every answer given. The
    // run uses the real clock; a test may give it the virtual one (`virtualClock`).
    HeadlessDesktop(std::string executable, std::ostream& log, bool virtualClock = false);

    // Live work is asked to stop as soon as `interrupted` says so (a signal to the station).
    void stopWhen(std::function<bool()> interrupted) { interrupted_ = std::move(interrupted); }

    bool stopRequested() override;
    void runLong(const std::string& caption, const std::string& text, uint32_t expectedMs,
                 const std::function<void()>& work) override;

  protected:
    Answer unscriptedAnswer(const std::string& caption, const std::string& text,
                            Buttons buttons) override;
    std::optional<std::string> unscriptedFile(const std::string& proposedName) override;
    void modalOpening(const Dialog& dialog) override;

  private:
    std::ostream& log_;
    std::function<bool()> interrupted_;
};

}  // namespace k7check
