// The shots a card lost, from the time stamps of the shots read: in the record layout an
// externally triggered shot's record comes behind an 8-byte prefix (byte 0 0xFF) whose bytes 4
// to 7 hold the shot's time stamp. The trigger's period is the smallest gap seen between two
// shots read; a larger gap holds that many periods, one for each shot missing in it. Unlike the
// card's 8-bit shot counter, the count does not depend on the rate the engine was told.
#pragma once

#include <cstdint>
#include <optional>

namespace k7acquire {

class StampGaps {
  public:
    // The shots missing between the last stamped shot and this one (`length` bytes at
    // `data`, as read); 0 for a shot without a time-stamp prefix.
    uint64_t lostBefore(const uint8_t* data, uint32_t length);
    // A stamped shot was read: losses are counted from the stamps.
    bool on() const { return last_.has_value(); }

  private:
    std::optional<uint32_t> last_;
    uint32_t period_ = 0;  // the smallest gap seen, in the stamps' units
};

}  // namespace k7acquire
