// The PCI bridge's own fields in its EEPROM (below 0x80; the configuration record above is not
// touched) as field tables, and the EEPROM check of "Check All": compared with, and repaired
// to, the reference values of section "PCIEEPROM". Every EEPROM byte write takes 100 ms, and
// only fields that differ are written.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "card/Verdict.h"
#include "paramfile/IniFile.h"
#include "pci/PciFields.h"

namespace k7check {

// The ROM header fields, never written from the window.
const std::vector<HexField>& eepromHeaderFields();
// The edited fields, in the order the window writes them ("Vendor ID" on).
const std::vector<HexField>& eepromFields();
// The fields the EEPROM check compares and repairs, in its order.
std::vector<HexField> eepromCheckFields();
constexpr const char* kEepromSection = "PCIEEPROM";

// Why `value` in `field` would take the card off the bus at its next power-up (vendor 0000 or
// FFFF, device FFFF: "FFFF: damit wäre die Karte ..."); nothing for any other field or value.
std::optional<std::string> vanishingIdentity(const HexField& field, uint32_t value);

// Runs the repairs, which take `expectedMs`; a caller with windows shows its progress around
// them.
using EepromRepair = std::function<void(uint32_t expectedMs, const std::function<void()>& repair)>;

// "OK" when every field equals its reference, "nach Schreiben OK" when deviating fields were
// written and read back right, else the first field's message (reference, value read back)
// and fail; fields repaired before it stay repaired. A reference that is missing, empty or no
// number of its field's width fails the check with its section and key ("Vorgabe fehlt:
// [PCIEEPROM] VendorID", "Vorgabe ungültig: ...") before anything is written, and so does a
// reference that would take the card off the bus ("Vorgabe ungültig: [PCIEEPROM] VendorID =
// FFFF: ...").
Verdict checkEeprom(KARVO7HANDLE card, const IniFile& references, const EepromRepair& around = {});

}  // namespace k7check
