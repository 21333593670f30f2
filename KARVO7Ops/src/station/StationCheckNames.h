// The station checks of "Check All" and their names: in reports, on a command line, and as the
// key of section "Check" of the parameter file that selects each (the check program's
// automatic boxes keep their state under the same keys).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace k7check {

// In "Check All"'s order.
enum class StationCheck : uint32_t {
    PciConfiguration,
    PciEeprom,
    PciOperation,
    Kennung,
    Lca,
    Dsp,
    SelfTests,
    Commands,
};
inline constexpr std::size_t kStationCheckCount = 8;

// Every check, in "Check All"'s order.
const std::array<StationCheck, kStationCheckCount>& allStationChecks();
// The check's number in the operations' C interface (K7OPS_CHECK_*), and the check of a number
// (none for a number no check has).
uint32_t stationCheckNumber(StationCheck check);
std::optional<StationCheck> stationCheckOfNumber(uint32_t number);

// The check's name in reports ("PCI Configuration", "Selbsttest").
const char* stationCheckName(StationCheck check);
// The check's name on a command line ("pci-config", "selftest").
const char* stationCheckWord(StationCheck check);
std::optional<StationCheck> stationCheckOfWord(std::string_view word);
// The check's key in the parameter file's section "Check", which selects it for "Check All"
// ("PCIconfig", "Test"); the check program's automatic boxes keep their state under it.
const char* stationCheckKey(StationCheck check);

}  // namespace k7check
