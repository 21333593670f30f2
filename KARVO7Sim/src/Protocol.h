// The card's protocol as the simulated firmware and driver read it: device-control request
// codes and the commands of a command block. Kept apart from the library's own table on
// purpose, so that the two readings can be held against each other.
#pragma once

#include <cstdint>

namespace k7sim {

// Device-control requests: device type 0x8002, (access << 14) | (function << 2) | method.
namespace req {
constexpr uint32_t kReadKonfigArea = 0x80026006u;
constexpr uint32_t kCardStatus = 0x80026008u;
constexpr uint32_t kTransferMode = 0x8002A00Cu;
constexpr uint32_t kCommand = 0x8002A010u;
constexpr uint32_t kLastError = 0x80026014u;
constexpr uint32_t kDepthTable = 0x8002A019u;
constexpr uint32_t kCardPosition = 0x8002601Cu;
constexpr uint32_t kDataTimeOut = 0x8002A020u;
constexpr uint32_t kVersion3 = 0x80026024u;
constexpr uint32_t kReset = 0x8002A028u;
constexpr uint32_t kResetFinished = 0x8002602Cu;
constexpr uint32_t kDataInFifo = 0x80026030u;
constexpr uint32_t kReadPciConfig = 0x800263C0u;
constexpr uint32_t kWritePciConfig = 0x8002A3C4u;
constexpr uint32_t kReadRegister = 0x800263C8u;
constexpr uint32_t kWriteRegister = 0x8002A3CCu;
constexpr uint32_t kReadEepromByte = 0x800263D0u;
constexpr uint32_t kWriteEepromByte = 0x8002A3D4u;

constexpr uint32_t kCommandBlockSize = 36;  // code (16 bits), word count, reserved, 8 words
constexpr uint32_t kLargestDepthTable = 512;
}  // namespace req

// Commands: bits 15-10 the command number, bits 9-0 the number of data words.
namespace cmd {
constexpr uint32_t kMonitorAdc = 0x0000;  // temperature and supplies for the next read
constexpr uint32_t kStart = 0x0400;       // as the selected set's measurement mode says
constexpr uint32_t kStop = 0x0800;
constexpr uint32_t kResetLcas = 0x0C00;  // registers to start values, FIFOs emptied
constexpr uint32_t kOffset = 0x1000;     // offset adjustment
constexpr uint32_t kPowerDown = 0x1400;
constexpr uint32_t kPowerUp = 0x1800;
constexpr uint32_t kAttenuation = 0x1C00;  // system attenuation into incoming mailbox 2
constexpr uint32_t kSelectSet = 0x2001;    // set number
constexpr uint32_t kActiveSets = 0x2401;   // bit n: set n takes part in runs
constexpr uint32_t kAscanOfSet = 0x2801;   // set number: its A-scan for the next read
constexpr uint32_t kSapDelay = 0x2C01;
constexpr uint32_t kIdentification = 0x3001;
constexpr uint32_t kExternalClock = 0x3401;  // non-zero: on
constexpr uint32_t kBlockStart = 0x3801;     // set number for a run without active sets
constexpr uint32_t kClearFifo = 0x3C00;
constexpr uint32_t kSelfTest = 0x4001;  // one bit per test, or the DAC ramp words
constexpr uint32_t kShot = 0x4401;      // measurement mode and output word
constexpr uint32_t kSender = 0x4801;
constexpr uint32_t kInput = 0x4C01;
constexpr uint32_t kGain = 0x5001;  // 0.1 dB
constexpr uint32_t kFilter = 0x5401;
constexpr uint32_t kAverage = 0x5801;
constexpr uint32_t kTrigger = 0x5C02;            // pulse repetition, trigger word
constexpr uint32_t kCount = 0x6002;              // length << 16 | pre-run, delay
constexpr uint32_t kDepthCompensation = 0x6402;  // delay << 16 | points, spacing
constexpr uint32_t kAscanForm = 0x6801;
constexpr uint32_t kReplyLevel = 0x6C01;
constexpr uint32_t kGate = 0x7002;  // gate (0xFFFF: echo start) and its settings
constexpr uint32_t kGateEnables = 0x7401;
constexpr uint32_t kGateValues = 0x7800;  // the selected set's last gates for the next read
constexpr uint32_t kResults = 0x7C01;     // up to n results (0: all) for the next read
constexpr uint32_t kTriggerDelay = 0x8001;

constexpr uint32_t kMostWords = 8;
constexpr uint32_t kCodeOffset = 0, kCountOffset = 2, kWordsOffset = 4;

constexpr uint32_t numberOf(uint32_t code) {
    return code >> 10;
}
constexpr uint32_t wordsOf(uint32_t code) {
    return code & 0x3FFu;
}
}  // namespace cmd

}  // namespace k7sim
