// The card's PCI configuration header as a field table, and the configuration check of "Check
// All": the live header, field by field in the check's order, against the reference values
// of section "PCIconfiguration".
#pragma once

#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "card/Verdict.h"
#include "paramfile/IniFile.h"
#include "pci/PciFields.h"

namespace k7check {

// The fields in the window's order.
const std::vector<HexField>& pciConfigFields();
// The keys the configuration check compares, in its order.
const std::vector<std::string>& pciConfigCheckOrder();
constexpr const char* kPciConfigSection = "PCIconfiguration";

// "OK" or the first mismatch, "PCI-Konfiguration nicht lesbar" when the configuration cannot be
// read. The check only compares, never writes.
Verdict checkPciConfiguration(KARVO7HANDLE card, const IniFile& references);

}  // namespace k7check
