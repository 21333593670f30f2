#include "pci/EepromCheck.h"

#include <string>
#include <utility>

#include "KARVO7Protocol.h"
#include "numbers/NumberText.h"

namespace k7check {

namespace {

namespace e = k7proto::eeprom;

HexField field(std::string label, std::string control, e::Field at, std::string key,
               std::string message) {
    return {std::move(label), std::move(control), at.address,
            at.bits,          std::move(key),     std::move(message)};
}

// Field by field in the check's order; stops at the first repair that does not stick, and
// fields repaired before it stay repaired.
Verdict repair(KARVO7HANDLE card, const std::vector<HexField>& fields,
               const std::vector<uint32_t>& wanted) {
    for (size_t i = 0; i < fields.size(); ++i) {
        const HexField& f = fields[i];
        if (readEeprom(card, f.at, f.bits) == wanted[i]) {
            continue;
        }
        writeEeprom(card, f.at, f.bits, wanted[i]);
        const uint32_t readBack = readEeprom(card, f.at, f.bits);
        if (readBack != wanted[i]) {
            return {false, fillMessage(f.message, wanted[i], readBack)};
        }
    }
    return {true, "nach Schreiben OK"};
}

}  // namespace

std::optional<std::string> vanishingIdentity(const HexField& field, uint32_t value) {
    // A bus answers FFFF for a vendor where no device is, and 0000 is no vendor's; a device ID
    // FFFF reads as no device too. The bridge takes its identity from the EEPROM at power-up.
    const bool vendor = field.at == e::kVendorId.address;
    const bool device = field.at == e::kDeviceId.address;
    if ((vendor && (value == 0x0000 || value == 0xFFFF)) || (device && value == 0xFFFF)) {
        return formatHex(value, 4) +
               ": damit wäre die Karte nach dem nächsten Einschalten am PCI-Bus nicht mehr zu "
               "finden";
    }
    return std::nullopt;
}

const std::vector<HexField>& eepromHeaderFields() {
    // clang-format off
    static const std::vector<HexField> fields = {
        field("ROM Signature", "romSignatureText", e::kRomSignature, "Signature", "Signature: %04X Ist: %04X"),
        field("Length in 0x200", "romLengthText", e::kRomLength, "Length", "Length Soll: %02X Ist: %02X"),
        field("Entry for INIT", "romEntryText", e::kRomEntry, "Entry", "Entry Soll: %08X Ist: %08X"),
        field("Pointer to PCI", "pciPointerText", e::kPciPointer, "PCIpointer", "PCIpointer soll: %04X ist: %04X"),
    };
    // clang-format on
    return fields;
}

const std::vector<HexField>& eepromFields() {
    // clang-format off
    static const std::vector<HexField> fields = {
        field("Vendor ID", "vendorIdEdit", e::kVendorId, "VendorID", "VendorID soll: %04X ist: %04X"),
        field("Device ID", "deviceIdEdit", e::kDeviceId, "DeviceID", "DeviceID soll: %04X ist: %04X"),
        field("Revision ID", "revisionIdEdit", e::kRevisionId, "RevisionID", "RevisionID Soll: %02X Ist: %02X"),
        field("Class Code", "classCodeEdit", e::kClassCode, "Class", "Class Soll: %06X Ist: %06X"),
        field("Base Address 0", "baseAddress0Edit", e::kBaseAddress0, "Baseaddress0", "Baseaddress0 Soll: %08X Ist: %08X"),
        field("Base Address 1", "baseAddress1Edit", e::kBaseAddress1, "Baseaddress1", "Baseaddress1 Soll: %08X Ist: %08X"),
        field("Base Address 2", "baseAddress2Edit", e::kBaseAddress2, "Baseaddress2", "Baseaddress2 Soll: %08X Ist: %08X"),
        field("Base Address 3", "baseAddress3Edit", e::kBaseAddress3, "Baseaddress3", "Baseaddress3 Soll: %08X Ist: %08X"),
        field("Base Address 4", "baseAddress4Edit", e::kBaseAddress4, "Baseaddress4", "Baseaddress4 Soll: %08X Ist: %08X"),
        field("Expansion ROM", "expansionRomEdit", e::kExpansionRom, "BaseaddressROM", "LocalBaseROM Soll: %08X Ist: %08X"),
        field("Interrupt Line", "interruptLineEdit", e::kInterruptLine, "InterruptLine", "InterruptLine Soll: %02X Ist: %02X"),
        field("Interrupt Pin", "interruptPinEdit", e::kInterruptPin, "InterruptPin", "InterruptPin Soll: %02X Ist: %02X"),
        field("Minimum Grant", "minimumGrantEdit", e::kMinimumGrant, "MinimumGrant", "MinimumGrant Soll: %02X Ist: %02X"),
        field("Max Latency", "maxLatencyEdit", e::kMaximumLatency, "MaximumLatency", "MaximumLatency Soll: %02X Ist: %02X"),
    };
    // clang-format on
    return fields;
}

std::vector<HexField> eepromCheckFields() {
    static const char* const order[] = {
        "Signature",     "Length",       "Entry",         "PCIpointer",     "VendorID",
        "DeviceID",      "RevisionID",   "Class",         "Baseaddress0",   "Baseaddress1",
        "Baseaddress2",  "Baseaddress3", "Baseaddress4",  "BaseaddressROM", "InterruptPin",
        "InterruptLine", "MinimumGrant", "MaximumLatency"};
    std::vector<HexField> fields;
    for (const char* key : order) {
        for (const auto* table : {&eepromHeaderFields(), &eepromFields()}) {
            for (const HexField& f : *table) {
                if (f.key == key) {
                    fields.push_back(f);
                }
            }
        }
    }
    return fields;
}

Verdict checkEeprom(KARVO7HANDLE card, const IniFile& references, const EepromRepair& around) {
    const std::vector<HexField> fields = eepromCheckFields();
    // Every reference is read before anything is written: one that is missing or no number
    // fails the check and the card keeps what it holds.
    std::vector<uint32_t> wanted;
    for (const HexField& f : fields) {
        const Reference reference = referenceValue(references, kEepromSection, f);
        if (!reference.valid()) {
            return {false, reference.fault};
        }
        if (const auto vanishing = vanishingIdentity(f, reference.value)) {
            return {false, "Vorgabe ungültig: [" + std::string(kEepromSection) + "] " + f.key +
                               " = " + *vanishing};
        }
        wanted.push_back(reference.value);
    }
    uint32_t repairMs = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (readEeprom(card, fields[i].at, fields[i].bits) != wanted[i]) {
            repairMs += eepromWriteMs(fields[i].bits);
        }
    }
    if (repairMs == 0) {
        return {true, "OK"};
    }
    Verdict verdict;
    const auto run = [&] { verdict = repair(card, fields, wanted); };
    if (around) {
        around(repairMs, run);
    } else {
        run();
    }
    return verdict;
}

}  // namespace k7check
