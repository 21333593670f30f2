#include "windows/pci/PCIeepromRegisterDlg.h"

#include "KARVO7Protocol.h"
#include "windows/pci/PCIeepromVorgabenDlg.h"

namespace k7check {

namespace {

namespace e = k7proto::eeprom;

HexField field(std::string label, std::string control, e::Field at, std::string key,
               std::string message) {
    return {std::move(label), std::move(control), at.address,
            at.bits,          std::move(key),     std::move(message)};
}

// The configuration word as the three boxes compose it.
uint32_t configurationWord(bool pci, bool asyncRead, bool asyncWrite) {
    return (pci ? e::kConfigPci : 0u) | (asyncRead ? e::kConfigAsyncRead : 0u) |
           (asyncWrite ? e::kConfigAsyncWrite : 0u);
}

uint32_t writeMs(const std::vector<PCIeepromRegisterDlg::Write>& writes) {
    uint32_t ms = 0;
    for (const auto& write : writes) {
        ms += eepromWriteMs(write.bits);
    }
    return ms;
}

}  // namespace

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

PCIeepromRegisterDlg::PCIeepromRegisterDlg(Desktop& desktop, KARVO7HANDLE card,
                                           std::string profileFile)
    : CheckDialog(kWindowClass, kTitle),
      header(eepromHeaderFields().size()),
      texts(eepromFields().size()),
      desktop_(desktop),
      card_(card),
      profileFile_(std::move(profileFile)) {}

void PCIeepromRegisterDlg::readCard() {
    for (size_t i = 0; i < eepromHeaderFields().size(); ++i) {
        const HexField& f = eepromHeaderFields()[i];
        header[i] = formatField(readEeprom(card_, f.at, f.bits), f.bits);
    }
    for (size_t i = 0; i < eepromFields().size(); ++i) {
        const HexField& f = eepromFields()[i];
        texts[i] = formatField(readEeprom(card_, f.at, f.bits), f.bits);
    }
    const uint32_t word =
        readEeprom(card_, e::kConfigurationBits.address, e::kConfigurationBits.bits);
    pci = (word & e::kConfigPci) != 0;
    asyncRead = (word & e::kConfigAsyncRead) != 0;
    asyncWrite = (word & e::kConfigAsyncWrite) != 0;
}

bool PCIeepromRegisterDlg::onInit() {
    readCard();
    writeFieldsToControls();
    return true;
}

void PCIeepromRegisterDlg::onCommand(const std::string& control) {
    if (control == "writeButton") {
        onWrite();
    } else if (control == "vorgabenButton") {
        PCIeepromVorgabenDlg defaults(desktop_, profileFile_);
        desktop_.runModal(defaults);
    } else {
        Dialog::onCommand(control);
    }
}

void PCIeepromRegisterDlg::bindFields(FieldBinder& binder) {
    for (size_t i = 0; i < eepromHeaderFields().size(); ++i) {
        binder.label(eepromHeaderFields()[i].control, header[i]);
    }
    bindTexts(binder, eepromFields(), texts);
    binder.check("pciCheck", pci);
    binder.check("asyncReadCheck", asyncRead);
    binder.check("asyncWriteCheck", asyncWrite);
}

FormLayout PCIeepromRegisterDlg::formLayout() const {
    FormLayout form;
    FormGroup rom{"", 0, 2, {}};
    for (const HexField& f : eepromHeaderFields()) {
        rom.items.push_back(formLabel("", f.label, false));
        rom.items.push_back(formLabel(f.control, "", false));
    }
    form.groups.push_back(std::move(rom));
    const auto& fields = eepromFields();
    form.groups.push_back(editGroup("", {fields.begin(), fields.begin() + 4}, 0, 1, true));
    FormGroup bits{"Configuration Bits",
                   0,
                   3,
                   {formCheck("pciCheck", "PCI"), formCheck("asyncReadCheck", "Async.RD"),
                    formCheck("asyncWriteCheck", "Async.WR")}};
    form.groups.push_back(std::move(bits));
    form.groups.push_back(editGroup("", {fields.begin() + 4, fields.end()}, 1, 1, true));
    form.buttons = {formButton("writeButton", "Write"), formButton("vorgabenButton", "Vorgaben"),
                    formButton("okButton", "OK")};
    return form;
}

std::vector<PCIeepromRegisterDlg::Write> PCIeepromRegisterDlg::onWrite() {
    readFieldsFromControls();
    std::vector<Write> writes;
    const auto& fields = eepromFields();
    // All or nothing: one entry the EEPROM cannot hold as typed, and nothing is written.
    if (const auto refusal = entryRefusal(fields, texts)) {
        desktop_.messageBox(kWriteCaption, *refusal);
        return {};
    }
    if (desktop_.messageBox(kWriteCaption, "Wollen Sie wirklich schreiben?", Buttons::YesNo) !=
        Answer::Yes) {
        return {};
    }
    auto plan = [&](uint32_t at, unsigned bits, uint32_t value) {
        value &= fieldMask(bits);
        if (readEeprom(card_, at, bits) != value) {
            writes.push_back({at, bits, value});
        }
    };
    for (size_t i = 0; i < fields.size(); ++i) {
        plan(fields[i].at, fields[i].bits, *parseEntry(texts[i], fields[i].bits));
        if (fields[i].at == e::kDeviceId.address) {
            // The configuration word sits between "Device ID" and "Revision ID".
            plan(e::kConfigurationBits.address, e::kConfigurationBits.bits,
                 configurationWord(pci, asyncRead, asyncWrite));
        }
    }
    if (!writes.empty()) {
        desktop_.runLong(kWriteCaption, "PCI EEPROM wird geschrieben ...", writeMs(writes), [&] {
            for (const Write& w : writes) {
                writeEeprom(card_, w.at, w.bits, w.value);
            }
        });
    }
    readCard();
    writeFieldsToControls();
    return writes;
}

bool PCIeepromRegisterDlg::automaticCheck(std::string& resultText) {
    const IniFile references = IniFile::load(profileFile_);
    const std::vector<HexField> fields = eepromCheckFields();
    // Every reference is read before anything is written: one that is missing or no number
    // fails the check and the card keeps what it holds.
    std::vector<uint32_t> wanted;
    for (const HexField& f : fields) {
        const Reference reference = referenceValue(references, kEepromSection, f);
        if (!reference.valid()) {
            resultText = reference.fault;
            return false;
        }
        wanted.push_back(reference.value);
    }
    uint32_t repairMs = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (readEeprom(card_, fields[i].at, fields[i].bits) != wanted[i]) {
            repairMs += eepromWriteMs(fields[i].bits);
        }
    }
    if (repairMs == 0) {
        resultText = "OK";
        return true;
    }
    // Field by field in the check's order; it stops at the first repair that does not stick,
    // and fields repaired before it stay repaired.
    bool passed = true;
    std::string text = "nach Schreiben OK";
    desktop_.runLong(kWriteCaption, "PCI EEPROM wird repariert ...", repairMs, [&] {
        for (size_t i = 0; i < fields.size(); ++i) {
            const HexField& f = fields[i];
            if (readEeprom(card_, f.at, f.bits) == wanted[i]) {
                continue;
            }
            writeEeprom(card_, f.at, f.bits, wanted[i]);
            const uint32_t readBack = readEeprom(card_, f.at, f.bits);
            if (readBack != wanted[i]) {
                text = fillMessage(f.message, wanted[i], readBack);
                passed = false;
                return;
            }
        }
    });
    resultText = text;
    return passed;
}

}  // namespace k7check
