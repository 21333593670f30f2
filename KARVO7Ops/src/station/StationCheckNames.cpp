#include "station/StationCheckNames.h"

#include <array>

namespace k7check {

namespace {

struct CheckEntry {
    const char* name;
    const char* word;
    const char* automaticKey;  // key in section "Check"
};

constexpr std::array<CheckEntry, kStationCheckCount> kChecks{{
    {"PCI Configuration", "pci-config", "PCIconfig"},
    {"PCI EEPROM", "pci-eeprom", "PCIEEPROM"},
    {"PCI Operation", "pci-operation", "PCIoperation"},
    {"Kennung", "kennung", "Kennung"},
    {"LCA-Register", "lca", "LCA"},
    {"DSP-Programm", "dsp", "DSP"},
    {"Selbsttest", "selftest", "Test"},
    {"Command", "command", "Command"},
}};

}  // namespace

const char* stationCheckName(StationCheck check) {
    return kChecks.at(static_cast<std::size_t>(check)).name;
}

const char* stationCheckWord(StationCheck check) {
    return kChecks.at(static_cast<std::size_t>(check)).word;
}

const char* stationCheckKey(StationCheck check) {
    return kChecks.at(static_cast<std::size_t>(check)).automaticKey;
}

std::optional<StationCheck> stationCheckOfWord(std::string_view word) {
    for (std::size_t i = 0; i < kChecks.size(); ++i) {
        if (word == kChecks[i].word) {
            return static_cast<StationCheck>(i);
        }
    }
    return std::nullopt;
}

}  // namespace k7check
