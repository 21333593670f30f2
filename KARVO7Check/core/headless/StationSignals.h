// Ctrl-C (SIGINT) and termination (SIGTERM) of the unattended "Check All": while a
// StationSignals lives, either signal only records itself. The run looks at caught() between
// checks and between cards, so that the check in progress ends on its own (a write to the card
// is finished, never cut short) and the lines and the report are still written. The handlers
// that were installed before are back when it ends. On Windows the console's Ctrl-C and
// Ctrl-Break count as SIGINT, closing the console, logging off and shutting down as SIGTERM.
// The handlers come from posix/ or win32/.
#pragma once

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

    // What the handlers do: keep the first signal since construction.
    static void record(int signal);

  private:
    // Forgets the signal caught before.
    static void forget();
};

}  // namespace k7check
