// The card's thirteen self tests, each run by the firmware's self-test command with its bit:
// the FIFO pattern test (0) reads the pattern the DSP writes into the PCI FIFO, the DAC ramps
// (9) run while someone looking at the outputs answers whether they look right. A test's line
// starts with its prefix and ends in "OK" or what went wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "KARVO7DLL.h"
#include "card/Clock.h"
#include "card/Verdict.h"

namespace k7check {

inline constexpr std::size_t kSelfTestCount = 13;
// The test that needs someone watching the card's outputs.
inline constexpr std::size_t kObservedSelfTest = 9;

// The test's result prefix ("DSP->PCI-FIFO: ").
const char* selfTestPrefix(std::size_t test);
// The test's name in reports, its prefix without ": " ("DSP->PCI-FIFO"), whatever its line
// says on a failure ("FIFO not empty" replaces the prefix).
std::string selfTestName(std::size_t test);
// The test's key in the parameter file's selection of self tests ("DSP->PCI-FIFO").
const char* selfTestKey(std::size_t test);

// Reads of the PCI FIFO port that one emptying of the FIFO takes at most.
inline constexpr int kFifoDrainReads = 64;

// What a self test shows and asks while it runs.
class SelfTestObserver {
  public:
    virtual ~SelfTestObserver() = default;
    // The FIFO pattern test found a wrong word: `line` (" 3: soll = 55555555, ist = 0").
    virtual void fifoMismatch(const std::string& line) = 0;
    // The DAC ramps are running: do they look right?
    virtual bool dacRampsOk() = 0;
};

// Runs test `test` (0..12); its line is the prefix and the verdict, or "Test n not exist".
Verdict runSelfTest(KARVO7HANDLE card, std::size_t test, Clock& clock, SelfTestObserver& observer);

}  // namespace k7check
