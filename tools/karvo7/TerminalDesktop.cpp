#include "TerminalDesktop.h"

#include <cctype>
#include <string>

namespace karvo7 {

TerminalDesktop::TerminalDesktop(std::istream& answers, std::ostream& prompt, bool canAsk)
    : k7check::ScriptedDesktop("karvo7", /*virtualClock=*/false),
      answers_(answers),
      prompt_(prompt),
      canAsk_(canAsk) {}

k7check::Answer TerminalDesktop::messageBox(const std::string& caption, const std::string& text,
                                            k7check::Buttons buttons) {
    if (buttons == k7check::Buttons::Ok) {
        return k7check::Answer::Ok;
    }
    if (canAsk_ && askYes(answers_, prompt_, caption + ": " + text)) {
        return k7check::Answer::Yes;
    }
    return buttons == k7check::Buttons::YesNo ? k7check::Answer::No : k7check::Answer::Cancel;
}

bool askYes(std::istream& answers, std::ostream& prompt, const std::string& question) {
    prompt << question << " [y/N] " << std::flush;
    std::string line;
    if (!std::getline(answers, line)) {
        prompt << '\n';
        return false;
    }
    for (char& c : line) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return line == "y" || line == "yes";
}

}  // namespace karvo7
