// Ctrl-C (SIGINT) and termination (SIGTERM) of the unattended "Check All": while a
// StationSignals lives, either signal only records itself. The run looks at caught() between
// checks and between cards, so that the check in progress ends on its own (a write to the card
// is finished, never cut short) and the lines and the report are still written. The handlers
// that were installed before are back when it ends.
#pragma once

#include <csignal>

namespace k7check {

class StationSignals {
  public:
    StationSignals();
    ~StationSignals();
    StationSignals(const StationSignals&) = delete;
    StationSignals& operator=(const StationSignals&) = delete;

    // The first signal caught since construction; 0 when none was.
    int caught() const;
    // "SIGINT", "SIGTERM".
    static const char* name(int signal);

  private:
    static void takeOver(int signal, const struct sigaction& action, struct sigaction& previous);

    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

}  // namespace k7check
