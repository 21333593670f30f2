// A reset followed by the warm-up, shared by the reset and the DSP load.
#pragma once

#include <cstdint>
#include <string>

#include "Desktop.h"
#include "KARVO7DLL.h"

namespace karvo7 {

// Polls of 10 ms the card gets for its reset: one second.
inline constexpr uint32_t kResetPolls = 100;

// Resets the card, waits for the end of the reset and warms it up. False with `failure` saying
// why; `milliseconds` is how long the reset took.
bool resetAndWarmUp(KARVO7HANDLE card, k7check::Desktop& desktop, std::string& failure,
                    uint32_t& milliseconds);

}  // namespace karvo7
