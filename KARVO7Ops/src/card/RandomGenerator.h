// The pseudo-random numbers of the data-rate runs: the generator the card family's programs
// have always used, never seeded, so every program start gives the same sequence
// (x := x * 214013 + 2531011 from x = 1; r = (x >> 16) & 0x7FFF). The session keeps one for
// the program's life.
#pragma once

#include <cstdint>

namespace k7check {

class RandomGenerator {
  public:
    // The next number 0..32767.
    uint32_t next() {
        state_ = state_ * 214013u + 2531011u;
        return (state_ >> 16) & 0x7FFFu;
    }

  private:
    uint32_t state_ = 1;
};

}  // namespace k7check
