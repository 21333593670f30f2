#include "desktop/scripted/HeadlessDesktop.h"

#include <ostream>

#include "desktop/Dialog.h"

namespace k7check {

HeadlessDesktop::HeadlessDesktop(std::string executable, std::ostream& log, bool virtualClock)
    : WindowlessDesktop(std::move(executable), virtualClock), log_(log) {}

bool HeadlessDesktop::stopRequested() {
    return interrupted_ && interrupted_();
}

void HeadlessDesktop::runLong(const std::string& caption, const std::string& text,
                              uint32_t expectedMs, const std::function<void()>& work) {
    // A signal does not cut a long operation short: whoever sent one learns what the run
    // finishes first, before the work starts.
    if (interrupted_) {
        log_ << caption << ": " << text << std::endl;
    }
    WindowlessDesktop::runLong(caption, text, expectedMs, work);
}

Answer HeadlessDesktop::answerFor(const std::string& caption, const std::string& text,
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

std::optional<std::string> HeadlessDesktop::fileFor(const std::string& /*proposedName*/) {
    return std::nullopt;
}

void HeadlessDesktop::modalOpening(const Dialog& dialog) {
    log_ << dialog.title() << ": (Fenster ohne Bildschirm geschlossen)\n";
}

}  // namespace k7check
