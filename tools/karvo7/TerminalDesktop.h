// The check program's desktop at a terminal, for the card operations karvo7 takes from it
// (reset, DSP load, self tests): the real clock, nothing painted, messages dropped (the
// operation's result says what happened), and a yes/no question asked on the terminal — or
// answered "no" when there is none to ask on.
#pragma once

#include <istream>
#include <ostream>

#include "ScriptedDesktop.h"

namespace karvo7 {

class TerminalDesktop : public k7check::ScriptedDesktop {
  public:
    // Questions go to `prompt` and their answers come from `answers`, when `canAsk`.
    TerminalDesktop(std::istream& answers, std::ostream& prompt, bool canAsk);

    k7check::Answer messageBox(const std::string& caption, const std::string& text,
                               k7check::Buttons buttons) override;

  private:
    std::istream& answers_;
    std::ostream& prompt_;
    bool canAsk_;
};

// Asks `question` on `prompt` and reads a line from `answers`: true for "y" or "yes" (any case).
bool askYes(std::istream& answers, std::ostream& prompt, const std::string& question);

}  // namespace karvo7
