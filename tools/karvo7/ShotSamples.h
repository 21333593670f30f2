// The samples of one shot as the check program's data list reads them, and their percent of
// full scale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SetOptions.h"

namespace karvo7 {

struct ShotLayout {
    Layout layout = Layout::Native;
    bool eightBit = false;     // native layout only
    uint8_t samplingRate = 0;  // the set's "Samplerate"
};

// The samples of one shot's buffer.
std::vector<int16_t> shotSamples(const ShotLayout& layout, const std::vector<uint8_t>& buffer);
// Percent of full scale of a sample.
double shotPercent(const ShotLayout& layout, int16_t sample);

}  // namespace karvo7
