#include "windows/pci/PCIeepromRegisterDlg.h"

#include "KARVO7Protocol.h"
#include "windows/pci/PCIeepromVorgabenDlg.h"

namespace k7check {

namespace {

namespace e = k7proto::eeprom;

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
    Verdict verdict = checkEeprom(
        card_, IniFile::load(profileFile_),
        [&](uint32_t expectedMs, const std::function<void()>& repair) {
            desktop_.runLong(kWriteCaption, "PCI EEPROM wird repariert ...", expectedMs, repair);
        });
    resultText = std::move(verdict.line);
    return verdict.passed;
}

}  // namespace k7check
