// The reads of a data-rate run on a thread of their own. A card at its highest rate fills its
// FIFO within a few milliseconds, while handling the desktop's events or painting a display
// takes about as long: so the shots are read on a thread that does nothing else, and the run's
// own thread serves the desktop meanwhile. It pauses a few milliseconds at a time (the desktop
// keeps its windows painted; in virtual time the pause is what lets the simulated cards go on),
// looks at the technician's stop request through the run's pace, and paints the displays from the
// latest shots the reading thread handed over. The reading thread calls the card library only;
// it never shows a window or a message.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "desktop/Desktop.h"
#include "runs/RunDisplays.h"
#include "runs/RunPace.h"

namespace k7check {

struct ReadLoopEnd {
    bool failed = false;   // a shot returned false
    bool stopped = false;  // the technician stopped the run before its last shot
    uint32_t endTick = 0;  // the library's tick when the last read ended
};

// A shot of the reading thread: `stop` turns true once the technician stopped the run, so that
// a shot that waits for its card can give up; a shot given up that way returns true.
using ReadLoopShot = std::function<bool(uint64_t k, const std::atomic<bool>& stop)>;

// Runs `shot(k, stop)` for k = 0 .. count - 1 on a thread of its own until a shot returns false
// or the run is stopped; returns when that thread has ended.
ReadLoopEnd runReadLoop(Desktop& desktop, RunPace& pace, RunDisplays& displays, uint64_t count,
                        const ReadLoopShot& shot);

}  // namespace k7check
