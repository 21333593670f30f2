// Registers of the card's two logic devices: the control LCA (1024-1078) and the data LCA
// (1536-1566), 16 bits each at even numbers. The firmware keeps them consistent with the
// commands it receives for the selected set; writes from the host change them directly.
#pragma once

#include <array>
#include <cstdint>

#include "Gates.h"
#include "ParameterSet.h"

namespace k7sim {

namespace reg {
constexpr uint32_t kLcaId = 1024, kCommand = 1026, kStatus = 1028, kAnalog = 1030;
constexpr uint32_t kCountLow = 1032, kCountHigh = 1034, kLengthLow = 1036, kLengthHigh = 1038;
constexpr uint32_t kTrigger = 1040, kSapLow = 1042, kSapHigh = 1044, kTa = 1046;
constexpr uint32_t kTaDelayLow = 1048, kTaDelayHigh = 1050, kTaPeriodLow = 1052;
constexpr uint32_t kTaPeriodHigh = 1054, kFifoControl = 1056, kFifoStatus = 1058;
constexpr uint32_t kAfTest = 1060, kGain = 1062, kSender = 1064, kEsTime = 1066;
constexpr uint32_t kEsLevel = 1068, kEsDelay = 1070, kGate0Max = 1072, kGate0Time = 1074;
constexpr uint32_t kPrerun = 1076, kSapDelay = 1078;
constexpr uint32_t kDataLcaId = 1536, kFormat = 1538, kAscanFactor = 1540;
constexpr uint32_t kTriggerDelayLow = 1542, kTriggerDelayHigh = 1544, kTimerLow = 1546;
constexpr uint32_t kTimerHigh = 1548, kGate1Max = 1552;
}  // namespace reg

class Lca {
  public:
    static bool exists(uint32_t address);
    static bool readOnly(uint32_t address);

    uint16_t get(uint32_t address) const;
    void set(uint32_t address, uint16_t value);

    // Power-up contents: identification registers, power bits off.
    void reset(uint16_t lcaId, uint16_t dataLcaId);
    // Programs every set-dependent register from the set.
    void load(const ParameterSet& set, bool externalClock);
    // Gate results of the last shot of the selected set.
    void showGates(const ShotGates& gates);
    void setPower(bool on);

  private:
    static size_t index(uint32_t address);
    void setBits(uint32_t address, uint16_t mask, uint16_t bits);
    std::array<uint16_t, 44> regs_{};
};

}  // namespace k7sim
