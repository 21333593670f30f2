// The samples of one shot as the card operations decode them, and their percent of full scale.
#pragma once

#include <cstdint>
#include <vector>

#include "KARVO7Ops.h"

namespace karvo7 {

// The samples of one shot's bytes of `layout`; none where the bytes are not one shot of it.
std::vector<int16_t> shotSamples(const K7OpsShotLayout& layout, const std::vector<uint8_t>& bytes);
// Percent of full scale of a sample.
double shotPercent(const K7OpsShotLayout& layout, int16_t sample);

}  // namespace karvo7
