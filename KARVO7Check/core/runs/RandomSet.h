// Random parameter sets of the data-rate runs, drawn within the random limits pair.
#pragma once

#include <cstdint>

#include "card/ParameterSet.h"
#include "card/RandomGenerator.h"
#include "card/SetToCard.h"

namespace k7check {

// The alignment mask of a sampling rate code (times and lengths on its grid).
uint32_t alignmentMask(uint32_t samplerate);

// Draws a new record into `record` from the limits: average, sampling rate, times and lengths
// on the grid, gain, transmitter, filter and the five gates. Thresholds, enables and every
// other field keep their values. An empty range (maximum below minimum) yields the minimum.
void drawRandomRecord(CardRecord& record, const RandomLimits& limits, RandomGenerator& random);

}  // namespace k7check
