// The bytes one shot of a parameter set brings from the card: its samples (all recorded
// samples, or one per "Faktor" samples for an A-scan) in the set's sample width, and in the
// record layout the record header, the packing of 8-bit A-scans and the time-stamp prefix of
// externally triggered records. A run compares it with its buffer before it sends the set, and
// with the bytes that came after the shot.
#pragma once

#include <cstdint>

#include "card/ParameterSet.h"

namespace k7check {

uint64_t shotBytes(const ParameterSet& set, bool recordLayout);

}  // namespace k7check
