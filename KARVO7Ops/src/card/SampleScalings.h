// The scalings a shot's samples are shown in, by the check program's windows and by karvo7:
// the sample period of a record's sampling-rate index, percent of full scale and ADC value.
#pragma once

#include <cstdint>

namespace k7check::stream {

// Microseconds per sample for a sampling-rate index; only its low three bits count.
double samplePeriodUs(uint32_t samplingRate);
// Percent of full scale of a 16-bit sample (s / 327.68) and of an 8-bit sample (s / 1.28).
inline double percent16(int32_t s) {
    return 2.0 * s / 655.36;
}
inline double percent8(int32_t s) {
    return s / 1.28;
}
// ADC value of a 16-bit sample (the display's right axis, -512 to 512), truncated toward zero.
inline int32_t adcValue(int32_t s) {
    return s / 64;
}
// The data list's second value: the sample with bits 0-6 cleared, divided the same way.
inline int32_t adcValueCoarse(int32_t s) {
    return (s & ~0x7F) / 64;
}

}  // namespace k7check::stream
