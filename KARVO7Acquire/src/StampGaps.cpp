#include "StampGaps.h"

namespace k7acquire {

namespace {
constexpr uint8_t kPrefixType = 0xFF;
// The prefix and a record header behind it.
constexpr uint32_t kLeastStamped = 8 + 6;

uint32_t stampOf(const uint8_t* data) {
    return static_cast<uint32_t>(data[4]) | static_cast<uint32_t>(data[5]) << 8 |
           static_cast<uint32_t>(data[6]) << 16 | static_cast<uint32_t>(data[7]) << 24;
}
}  // namespace

uint64_t StampGaps::lostBefore(const uint8_t* data, uint32_t length) {
    if (length < kLeastStamped || data[0] != kPrefixType) {
        return 0;
    }
    const uint32_t stamp = stampOf(data);
    uint64_t lost = 0;
    if (last_.has_value()) {
        // The stamps wrap at 2^32: the difference of two of them is still the gap.
        const uint32_t gap = stamp - *last_;
        if (gap != 0 && (period_ == 0 || gap < period_)) {
            period_ = gap;
        }
        // Whole periods in the gap, one of them the shot's own; a stamp repeated counts none.
        const uint64_t periods = period_ != 0 ? (uint64_t{gap} + period_ / 2) / period_ : 0;
        lost = periods > 1 ? periods - 1 : 0;
    }
    last_ = stamp;
    return lost;
}

}  // namespace k7acquire
