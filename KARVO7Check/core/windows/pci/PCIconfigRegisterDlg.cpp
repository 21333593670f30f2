#include "windows/pci/PCIconfigRegisterDlg.h"

#include "Format.h"
#include "app/Session.h"
#include "windows/pci/PCIconfigEEPROMDlg.h"
#include "windows/pci/PCIconfigVorgabenDlg.h"
#include "windows/pci/PCIeepromRegisterDlg.h"
#include "windows/pci/PCIoperationRegisterDlg.h"

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

PCIconfigRegisterDlg::PCIconfigRegisterDlg(Desktop& desktop, KARVO7HANDLE card,
                                           std::string profileFile)
    : CheckDialog(kWindowClass, kTitle),
      texts(pciConfigFields().size()),
      desktop_(desktop),
      card_(card),
      profileFile_(std::move(profileFile)) {}

void PCIconfigRegisterDlg::readCard() {
    imageRead_ = KARVO7ReadConfigData(card_, image_.data()) != 0;
    const auto& fields = pciConfigFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        texts[i] = imageRead_ ? formatField(imageValue(image_, fields[i].at, fields[i].bits),
                                            fields[i].bits)
                              : std::string();
    }
}

bool PCIconfigRegisterDlg::onInit() {
    readCard();
    uint32_t bus = 0;
    uint32_t slot = 0;
    uint32_t error = 0;
    position = KARVO7GetCardPosition(card_, &bus, &slot, &error) != 0
                   ? formatText("Bus %u, Slot %u", bus, slot)
                   : formatText("Error %X", error);
    if (KARVO7IsVersion3(card_) != 0) {
        position += ", KARVO7F";
    }
    writeFieldsToControls();
    return true;
}

void PCIconfigRegisterDlg::onCommand(const std::string& control) {
    if (control == "writeButton") {
        onWrite();
    } else if (control == "vorgabenButton") {
        PCIconfigVorgabenDlg defaults(desktop_, profileFile_);
        desktop_.runModal(defaults);
    } else if (control == "eepromButton") {
        PCIconfigEEPROMDlg eeprom(card_);
        desktop_.runModal(eeprom);
    } else {
        Dialog::onCommand(control);
    }
}

void PCIconfigRegisterDlg::bindFields(FieldBinder& binder) {
    bindTexts(binder, pciConfigFields(), texts);
    binder.label("positionLabel", position);
}

FormLayout PCIconfigRegisterDlg::formLayout() const {
    const auto& fields = pciConfigFields();
    FormLayout form;
    form.groups.push_back({"", 0, 1, {formLabel("positionLabel", "Bus-/Slotnumber")}});
    // Left: identity and header bytes; right: addresses, subsystem and interrupt.
    form.groups.push_back(editGroup("", {fields.begin(), fields.begin() + 10}, 0, 1, true));
    form.groups.push_back(editGroup("", {fields.begin() + 10, fields.begin() + 14}, 1, 1, true));
    // The subsystem pair side by side: the subsystem left, its vendor right.
    form.groups.push_back(editGroup("", {fields.begin() + 14, fields.begin() + 16}, 1, 2, true));
    form.groups.push_back(editGroup("", {fields.begin() + 16, fields.end()}, 1, 1, true));
    form.buttons = {formButton("vorgabenButton", "Vorgaben"), formButton("writeButton", "Write"),
                    formButton("eepromButton", "EEPROM"), formButton("okButton", "OK")};
    return form;
}

bool PCIconfigRegisterDlg::onWrite() {
    if (!imageRead_) {
        desktop_.messageBox(kWriteCaption,
                            "Die PCI-Konfiguration wurde nicht gelesen: es wird nichts "
                            "geschrieben!");
        return false;
    }
    readFieldsFromControls();
    const auto& fields = pciConfigFields();
    // All or nothing: one entry the card cannot hold as typed, and nothing is written.
    if (const auto refusal = entryRefusal(fields, texts)) {
        desktop_.messageBox(kWriteCaption, *refusal);
        return false;
    }
    if (desktop_.messageBox(kWriteCaption, "Wollen Sie wirklich schreiben?", Buttons::YesNo) !=
        Answer::Yes) {
        return false;
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        setImageValue(image_, fields[i].at, fields[i].bits, *parseEntry(texts[i], fields[i].bits));
    }
    KARVO7WriteConfigData(card_, image_.data());
    readCard();
    writeFieldsToControls();
    return true;
}

bool PCIconfigRegisterDlg::automaticCheck(std::string& resultText) {
    std::array<uint8_t, 256> live{};
    if (KARVO7ReadConfigData(card_, live.data()) == 0) {
        resultText = "PCI-Konfiguration nicht lesbar";
        return false;
    }
    const IniFile references = IniFile::load(profileFile_);
    for (const std::string& key : pciConfigCheckOrder()) {
        for (const HexField& field : pciConfigFields()) {
            if (field.key != key) {
                continue;
            }
            // A reference nobody gave, or one that is no value of the field, fails the check
            // with its name; it is never compared as 0.
            const Reference reference = referenceValue(references, kPciConfigSection, field);
            if (!reference.valid()) {
                resultText = reference.fault;
                return false;
            }
            const uint32_t value = imageValue(live, field.at, field.bits);
            if (reference.value != value) {
                resultText = fillMessage(field.message, reference.value, value);
                return false;
            }
        }
    }
    resultText = "OK";
    return true;
}

void registerPciWindows(CheckRegistry& registry) {
    registry.registerWindow(CheckId::PciConfiguration, [](Session& session) {
        return std::make_unique<PCIconfigRegisterDlg>(
            session.desktop(), session.card(session.fields().karte), session.profileFile());
    });
    registry.registerWindow(CheckId::PciEeprom, [](Session& session) {
        return std::make_unique<PCIeepromRegisterDlg>(
            session.desktop(), session.card(session.fields().karte), session.profileFile());
    });
    registry.registerWindow(CheckId::PciOperation, [](Session& session) {
        return std::make_unique<PCIoperationRegisterDlg>(session.desktop(),
                                                         session.card(session.fields().karte));
    });
}

}  // namespace k7check
