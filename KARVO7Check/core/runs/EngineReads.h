// The reads of a continuous data-rate run through the acquisition engine: its own thread reads
// the card into a ring buffer, and the run's thread takes the shots out of it one at a time
// into the session's data buffer between serving the desktop, the stop window and the displays.
// A shot the card lost ends the run with a line that names the run, the card and the loss.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "card/ParameterSet.h"
#include "runs/RunContext.h"
#include "runs/RunPace.h"

namespace k7check {

// The largest block a shot of `set` delivers: 16-bit samples behind a record header and a
// time-stamp prefix.
uint32_t largestShotBytes(const ParameterSet& set);

// The rate at which the card shoots `set` as far as its settings say: its "IFF", else the card's
// highest rate (a long recording may make it slower). Sizes the engine's ring buffer and counts
// the turns of the card's shot counter before the engine has measured the rate itself.
uint32_t shotRateOf(const ParameterSet& set);
// The same for a run over `sets` in turn.
uint32_t shotRateOf(const std::vector<const ParameterSet*>& sets);

// Reads `count` shots of card `cardNumber`, whose sets are prepared and active, through the
// engine, which starts the card (with KARVO7Start) that shoots `shotsPerSecond`; `shown(k)` gets
// shot k in the session's data buffer on the run's thread and may end the run by returning false.
// Gives the milliseconds from the start to the last shot; a failed or stopped run gives nothing,
// shows its failure, and leaves the card stopped with an empty FIFO.
std::optional<uint32_t> readShotsThroughEngine(RunContext& run, RunPace& pace, KARVO7HANDLE card,
                                               uint32_t cardNumber, uint64_t count,
                                               uint32_t shotBytes, uint32_t shotsPerSecond,
                                               const std::function<bool(uint64_t)>& shown);

}  // namespace k7check
