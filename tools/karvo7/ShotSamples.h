// The samples of one shot as the check program's data list reads them, and the shots as CSV:
// time in µs, sample number, then the percent of full scale of each shot in a column of its own.
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

// The CSV of the shots: a head line, then one row per sample number up to the longest shot;
// a shorter shot leaves its cell empty.
std::string shotsCsv(const ShotLayout& layout, const std::vector<std::vector<uint8_t>>& shots);

}  // namespace karvo7
