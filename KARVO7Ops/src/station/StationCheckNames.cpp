#include "station/StationCheckNames.h"

#include <array>

#include "KARVO7Ops.h"

namespace k7check {

namespace {

struct CheckEntry {
    StationCheck check;
    uint32_t number;  // K7OPS_CHECK_*
    const char* name;
    const char* word;
    const char* automaticKey;  // key in section "Check"
};

constexpr std::array<CheckEntry, kStationCheckCount> kChecks{{
    {StationCheck::PciConfiguration, K7OPS_CHECK_PCI_CONFIGURATION, "PCI Configuration",
     "pci-config", "PCIconfig"},
    {StationCheck::PciEeprom, K7OPS_CHECK_PCI_EEPROM, "PCI EEPROM", "pci-eeprom", "PCIEEPROM"},
    {StationCheck::PciOperation, K7OPS_CHECK_PCI_OPERATION, "PCI Operation", "pci-operation",
     "PCIoperation"},
    {StationCheck::Kennung, K7OPS_CHECK_KENNUNG, "Kennung", "kennung", "Kennung"},
    {StationCheck::Lca, K7OPS_CHECK_LCA, "LCA-Register", "lca", "LCA"},
    {StationCheck::Dsp, K7OPS_CHECK_DSP, "DSP-Programm", "dsp", "DSP"},
    {StationCheck::SelfTests, K7OPS_CHECK_SELF_TESTS, "Selbsttest", "selftest", "Test"},
    {StationCheck::Commands, K7OPS_CHECK_COMMANDS, "Command", "command", "Command"},
}};
static_assert(kChecks.size() == K7OPS_CHECK_COUNT);

constexpr std::array<StationCheck, kStationCheckCount> listed() {
    std::array<StationCheck, kStationCheckCount> checks{};
    for (std::size_t i = 0; i < kChecks.size(); ++i) {
        checks[i] = kChecks[i].check;
    }
    return checks;
}

constexpr std::array<StationCheck, kStationCheckCount> kAll = listed();

const CheckEntry& entryOf(StationCheck check) {
    for (const CheckEntry& entry : kChecks) {
        if (entry.check == check) {
            return entry;
        }
    }
    // Every enumerator has its line: the table lists them all.
    return kChecks.front();
}

}  // namespace

const std::array<StationCheck, kStationCheckCount>& allStationChecks() {
    return kAll;
}

const char* stationCheckName(StationCheck check) {
    return entryOf(check).name;
}

const char* stationCheckWord(StationCheck check) {
    return entryOf(check).word;
}

const char* stationCheckKey(StationCheck check) {
    return entryOf(check).automaticKey;
}

uint32_t stationCheckNumber(StationCheck check) {
    return entryOf(check).number;
}

std::optional<StationCheck> stationCheckOfNumber(uint32_t number) {
    for (const CheckEntry& entry : kChecks) {
        if (entry.number == number) {
            return entry.check;
        }
    }
    return std::nullopt;
}

std::optional<StationCheck> stationCheckOfWord(std::string_view word) {
    for (const CheckEntry& entry : kChecks) {
        if (word == entry.word) {
            return entry.check;
        }
    }
    return std::nullopt;
}

}  // namespace k7check
