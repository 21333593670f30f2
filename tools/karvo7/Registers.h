// The registers karvo7 reads and writes by number: the control LCA (1024 to 1078) and the data
// LCA (1536 to 1566), 16 bits at even numbers, and the PCI bridge's operation registers (byte
// offsets 0x00 to 0x3C), 32 bits at multiples of 4.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace karvo7 {

struct RegisterInfo {
    uint32_t address = 0;
    const char* name = "";  // "" for a number the protocol gives no name
    unsigned bits = 16;
    bool readOnly = false;
};

// The register at `address`; empty when the card has none there.
std::optional<RegisterInfo> registerAt(uint32_t address);

// Every register of the control LCA (`data` false) or the data LCA, in address order.
std::vector<RegisterInfo> lcaRegisters(bool data);

}  // namespace karvo7
