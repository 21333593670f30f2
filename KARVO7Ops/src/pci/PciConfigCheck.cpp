#include "pci/PciConfigCheck.h"

#include <array>

namespace k7check {

namespace h = pciheader;

const std::vector<HexField>& pciConfigFields() {
    // clang-format off
    static const std::vector<HexField> fields = {
        {"Vendor ID", "vendorIdEdit", h::kVendorId, 16, "VendorID", "VendorID soll: %04X ist: %04X"},
        {"Device ID", "deviceIdEdit", h::kDeviceId, 16, "DeviceID", "DeviceID Soll: %04X Ist: %04X"},
        {"Command", "commandEdit", h::kCommand, 16, "Command", "Command Soll: %04X Ist: %04X"},
        {"Status", "statusEdit", h::kStatus, 16, "Status", "Status Soll: %04X Ist: %04X"},
        {"Revision ID", "revisionIdEdit", h::kRevisionId, 8, "RevisionID", "RevisionID Soll: %02X Ist: %02X"},
        {"Class Code", "classCodeEdit", h::kClassCode, 24, "Class", "Class Soll: %06X Ist: %06X"},
        {"Cache Line Size", "cacheLineSizeEdit", h::kCacheLineSize, 8, "CacheLineSize", "CacheLineSize Soll: %02X Ist: %02X"},
        {"Latency Timer", "latencyTimerEdit", h::kLatencyTimer, 8, "LatencyTimer", "LatencyTimer Soll: %02X Ist: %02X"},
        {"Header Type", "headerTypeEdit", h::kHeaderType, 8, "HeaderType", "HeaderType Soll: %02X Ist: %02X"},
        {"BIST", "bistEdit", h::kBist, 8, "BIST", "BIST Soll: %02X Ist: %02X"},
        {"Base Address 0", "baseAddress0Edit", h::kBaseAddress0, 32, "Baseaddress0", "Baseaddress0 Soll: %08X Ist: %08X"},
        {"Base Address 1", "baseAddress1Edit", h::kBaseAddress1, 32, "Baseaddress1", "Baseaddress1 Soll: %04X Ist: %04X"},
        {"Base Address 2", "baseAddress2Edit", h::kBaseAddress2, 32, "Baseaddress2", "BaseAddress2 Soll: %08X Ist: %08X"},
        {"Base Address 3", "baseAddress3Edit", h::kBaseAddress3, 32, "Baseaddress3", "BaseAddress3 Soll: %08X Ist: %08X"},
        {"", "subsystemIdEdit", h::kSubsystemId, 16, "SubsystemID", "SubsystemID Soll: %04X Ist: %04X"},
        {"", "subVendorIdEdit", h::kSubVendorId, 16, "SubVendorID", "Subsystem VendorID soll: %04X ist: %04X"},
        {"Base Address ROM", "baseAddressRomEdit", h::kExpansionRom, 32, "BaseaddressROM", "BaseAddressROM Soll: %08X Ist: %08X"},
        {"Interrupt Line", "interruptLineEdit", h::kInterruptLine, 8, "InterruptLine", "InterruptLine Soll: %02X Ist: %02X"},
        {"Interrupt Pin", "interruptPinEdit", h::kInterruptPin, 8, "InterruptPin", "InterruptPin Soll: %02X Ist: %02X"},
        {"Minimum Grant", "minimumGrantEdit", h::kMinimumGrant, 8, "MinimumGrant", "MinimumGrant Soll: %02X Ist: %02X"},
        {"Max Latency", "maxLatencyEdit", h::kMaximumLatency, 8, "MaximumLatency", "MaximumLatency Soll: %02X Ist: %02X"},
    };
    // clang-format on
    return fields;
}

const std::vector<std::string>& pciConfigCheckOrder() {
    static const std::vector<std::string> order = {
        "VendorID",     "DeviceID",     "Command",        "Status",       "BIST",
        "RevisionID",   "Class",        "HeaderType",     "LatencyTimer", "CacheLineSize",
        "Baseaddress0", "Baseaddress1", "Baseaddress2",   "Baseaddress3", "BaseaddressROM",
        "SubsystemID",  "SubVendorID",  "MaximumLatency", "MinimumGrant", "InterruptPin",
        "InterruptLine"};
    return order;
}

Verdict checkPciConfiguration(KARVO7HANDLE card, const IniFile& references) {
    std::array<uint8_t, 256> live{};
    if (KARVO7ReadConfigData(card, live.data()) == 0) {
        return {false, "PCI-Konfiguration nicht lesbar"};
    }
    for (const std::string& key : pciConfigCheckOrder()) {
        for (const HexField& field : pciConfigFields()) {
            if (field.key != key) {
                continue;
            }
            // A reference nobody gave, or one that is no value of the field, fails the check
            // with its name; it is never compared as 0.
            const Reference reference = referenceValue(references, kPciConfigSection, field);
            if (!reference.valid()) {
                return {false, reference.fault};
            }
            const uint32_t value = imageValue(live, field.at, field.bits);
            if (reference.value != value) {
                return {false, fillMessage(field.message, reference.value, value)};
            }
        }
    }
    return {true, "OK"};
}

}  // namespace k7check
