#include "windows/pci/PCIconfigRegisterDlg.h"

#include "Format.h"
#include "app/Session.h"
#include "windows/pci/PCIconfigEEPROMDlg.h"
#include "windows/pci/PCIconfigVorgabenDlg.h"
#include "windows/pci/PCIeepromRegisterDlg.h"
#include "windows/pci/PCIoperationRegisterDlg.h"

namespace k7check {

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
    Verdict verdict = checkPciConfiguration(card_, IniFile::load(profileFile_));
    resultText = std::move(verdict.line);
    return verdict.passed;
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
