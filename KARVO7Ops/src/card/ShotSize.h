// The bytes one shot of a parameter set brings from the card: its samples (all recorded
// samples, or one per "Faktor" samples for an A-scan) in the set's sample width, and in the
// record layout the record header, the packing of 8-bit A-scans and the time-stamp prefix of
// externally triggered records. A run compares it with its buffer before it sends the set, and
// with the bytes that came after the shot. And the reads and the rate an acquisition engine is
// given for a set.
#pragma once

#include <cstdint>
#include <vector>

#include "KARVO7DLL.h"
#include "card/ParameterSet.h"

namespace k7check {

uint64_t shotBytes(const ParameterSet& set, bool recordLayout);
// The same for a set as the card takes it.
uint64_t shotBytes(const MeasureParams& measure, bool recordLayout);
// The samples one shot carries: all recorded ones, or one per "Faktor" of an A-scan.
uint64_t shotSamples(const MeasureParams& measure);

// The largest block a shot of `set` delivers in either layout of the card's data (the record
// layout's is never the smaller): what every read of the engine asks for.
uint32_t largestShotBytes(const ParameterSet& set);

// The rate at which the card shoots `set` as far as its settings say: its "IFF", else the card's
// highest rate (a long recording may make it slower). Sizes the engine's ring buffer and counts
// the turns of the card's shot counter before the engine has measured the rate itself.
uint32_t shotRateOf(const ParameterSet& set);
// The same for a run over `sets` in turn.
uint32_t shotRateOf(const std::vector<const ParameterSet*>& sets);
// The same for sets of these "IFF" values in turn.
uint32_t cycleRateOf(const std::vector<uint32_t>& iffs);

}  // namespace k7check
