// How often a live run serves the desktop between its reads.
#pragma once

#include <cstdint>
#include <string>

#include "desktop/Desktop.h"

namespace k7check {

// The pace of a run between its reads and the desktop's needs: the stop window and the other
// windows are served (events handled, the technician's stop request looked at) once per
// `kServiceMs`, or once per `kServiceShots` calls while the clock stands still, never once per
// shot: handling the desktop's events takes milliseconds, while a card at its highest rate
// fills its FIFO within a few. Live work begins with it, before the run prepares and starts the
// card, so that the stop window is up and painted when the first read is due.
class RunPace {
  public:
    static constexpr uint32_t kServiceMs = 20;
    static constexpr uint32_t kServiceShots = 500;

    RunPace(Desktop& desktop, const std::string& caption)
        : desktop_(desktop), live_(desktop, caption) {}
    // Counts the pause from now: called right before the card starts.
    void begin() {
        lastService_ = desktop_.tickCount();
        shots_ = 0;
    }
    // Called between reads (or passes over the cards); true when the technician asked the run
    // to stop.
    bool stopped() {
        const uint32_t now = desktop_.tickCount();
        if (++shots_ < kServiceShots && now - lastService_ < kServiceMs) {
            return false;
        }
        shots_ = 0;
        lastService_ = now;
        return live_.stopped();
    }

  private:
    Desktop& desktop_;
    LiveWork live_;
    uint32_t lastService_ = 0;
    uint32_t shots_ = 0;
};

}  // namespace k7check
