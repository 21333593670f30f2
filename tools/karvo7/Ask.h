// Questions on the terminal: the EEPROM write's confirmation and the DAC ramps' "do they look
// right?" of the self tests.
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "card/SelfTests.h"

namespace karvo7 {

// Asks `question` on `prompt` and reads a line from `answers`: true for "y" or "yes" (any case).
bool askYes(std::istream& answers, std::ostream& prompt, const std::string& question);

// The self tests' observer at a terminal: the FIFO test's findings are in its line already; the
// DAC ramps' question is asked on `prompt`, or answered "no" when there is none to ask on.
class TerminalObserver final : public k7check::SelfTestObserver {
  public:
    TerminalObserver(std::istream& answers, std::ostream& prompt, bool canAsk)
        : answers_(answers), prompt_(prompt), canAsk_(canAsk) {}
    void fifoMismatch(const std::string&) override {}
    bool dacRampsOk() override {
        return canAsk_ && askYes(answers_, prompt_, "DAC-Test: DAC-Rampen OK?");
    }

  private:
    std::istream& answers_;
    std::ostream& prompt_;
    bool canAsk_;
};

}  // namespace karvo7
