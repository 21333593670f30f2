// Random parameter sets of the data-rate runs, drawn within the random limits pair.
#pragma once

#include <cstdint>

#include "card/ParameterSet.h"
#include "card/RandomGenerator.h"
#include "paramfile/ParameterKeys.h"

namespace k7check {

// The alignment mask of a sampling rate code (times and lengths on its grid).
uint32_t alignmentMask(uint32_t samplerate);

// Draws the fields that have random limits into `set`, in the table's draw order and each by its
// rule; then the A-scan factor is cut to the recording length, the A-scan flag follows the
// factor, and each gate's end is its start plus the drawn width (the mask when that passes 16
// bits). Every other field keeps its value.
void drawRandomSet(ParameterSet& set, const RandomLimits& limits, RandomGenerator& random);

}  // namespace k7check
