// Loading a DSP program into a card: the image written (KARVO7LoadProm), a pause of 100 ms for
// the card to take it, then the reset with its wait and the warm-up. The check program's DSP
// window and "Check All", the tool and the C interface all load this way.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "KARVO7DLL.h"
#include "card/CardReset.h"
#include "card/Clock.h"
#include "card/DspImage.h"

namespace k7check {

// Polls of 10 ms a card gets for its reset after loading: one second.
inline constexpr uint32_t kDspResetPolls = 100;

struct DspLoadOutcome {
    bool loaded = false;
    uint32_t loadError = 0;    // KARVO7LoadProm's error word when the write failed
    ResetWarmUpOutcome ready;  // the reset and warm-up after a write that succeeded
    bool ok() const { return loaded && ready.ok(); }
};

// Runs the write of the image; a caller with windows shows its progress around it.
using ImageWrite = std::function<void(const std::function<void()>& write)>;

DspLoadOutcome loadDspProgram(KARVO7HANDLE card, const DspImage& image, Clock& clock,
                              const ImageWrite& around = {});

// The line of a load that failed, as the DSP window shows it: "Error %X" (the write), "Reset
// Error after loading", "WarmUp Error %X"; "" for a load that succeeded.
std::string dspLoadFault(const DspLoadOutcome& outcome);
// The line of a load for programs without the DSP window: its fault, or "OK (Reset nach n ms)".
std::string dspLoadLine(const DspLoadOutcome& outcome);

}  // namespace k7check
