#include "desktop/scripted/HeadlessDesktop.h"

#include <ostream>

#include "desktop/Dialog.h"

namespace k7check {

HeadlessDesktop::HeadlessDesktop(std::string executable, std::ostream& log, bool virtualClock)
    : ScriptedDesktop(std::move(executable), virtualClock), log_(log) {}

bool HeadlessDesktop::stopRequested() {
    return (interrupted_ && interrupted_()) || ScriptedDesktop::stopRequested();
}

void HeadlessDesktop::runLong(const std::string& caption, const std::string& text,
                              uint32_t expectedMs, const std::function<void()>& work) {
    // A signal does not cut a long operation short: whoever sent one learns what the run
    // finishes first, before the work starts.
    if (interrupted_) {
        log_ << caption << ": " << text << std::endl;
    }
    ScriptedDesktop::runLong(caption, text, expectedMs, work);
}

Answer HeadlessDesktop::unscriptedAnswer(const std::string& caption, const std::string& text,
                                         Buttons buttons) {
    log_ << caption << ": " << text;
    Answer answer = Answer::Ok;
    switch (buttons) {
        case Buttons::Ok:
            break;
        case Buttons::YesNo:
            log_ << " [Ja/Nein]";
            answer = Answer::No;
            break;
        case Buttons::YesNoCancel:
            log_ << " [Ja/Nein/Abbrechen]";
            answer = Answer::Cancel;
            break;
    }
    log_ << '\n';
    return answer;
}

std::optional<std::string> HeadlessDesktop::unscriptedFile(const std::string& proposedName) {
    if (proposedName.empty()) {
        return std::nullopt;
    }
    log_ << "Datei: " << proposedName << '\n';
    return proposedName;
}

void HeadlessDesktop::modalOpening(const Dialog& dialog) {
    log_ << dialog.title() << ": (Fenster ohne Bildschirm geschlossen)\n";
}

}  // namespace k7check
