#include "windows/pci/PCIconfigEEPROMDlg.h"

#include "KARVO7Protocol.h"

namespace k7check {

namespace e = k7proto::eeprom;

const std::vector<HexField>& configEepromFields() {
    static const std::vector<HexField> fields = {
        {"Vendor ID", "vendorIdEdit", e::kVendorId.address, 16, "", ""},
        {"Device ID", "deviceIdEdit", e::kDeviceId.address, 16, "", ""},
        {"Revision ID", "revisionIdEdit", e::kRevisionId.address, 8, "", ""},
        {"Class Code", "classCodeEdit", e::kClassCode.address, 24, "", ""},
        {"Base Address 0", "baseAddress0Edit", e::kBaseAddress0.address, 32, "", ""},
        {"Base Address 1", "baseAddress1Edit", e::kBaseAddress1.address, 32, "", ""},
        {"Base Address 2", "baseAddress2Edit", e::kBaseAddress2.address, 32, "", ""},
        {"Base Address 3", "baseAddress3Edit", e::kBaseAddress3.address, 32, "", ""},
        {"Base Address 4", "baseAddress4Edit", e::kBaseAddress4.address, 32, "", ""},
        {"Base Address ROM", "baseAddressRomEdit", e::kExpansionRom.address, 32, "", ""},
        {"Interrupt Line", "interruptLineEdit", e::kInterruptLine.address, 8, "", ""},
        {"Interrupt Pin", "interruptPinEdit", e::kInterruptPin.address, 8, "", ""},
        {"Minimum Grant", "minimumGrantEdit", e::kMinimumGrant.address, 8, "", ""},
        {"Max Latency", "maxLatencyEdit", e::kMaximumLatency.address, 8, "", ""},
    };
    return fields;
}

PCIconfigEEPROMDlg::PCIconfigEEPROMDlg(KARVO7HANDLE card)
    : Dialog(kWindowClass, kTitle), texts(configEepromFields().size()), card_(card) {}

bool PCIconfigEEPROMDlg::onInit() {
    const auto& fields = configEepromFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        texts[i] = formatField(readEeprom(card_, fields[i].at, fields[i].bits), fields[i].bits);
    }
    writeFieldsToControls();
    return true;
}

void PCIconfigEEPROMDlg::bindFields(FieldBinder& binder) {
    bindTexts(binder, configEepromFields(), texts);
}

FormLayout PCIconfigEEPROMDlg::formLayout() const {
    const auto& fields = configEepromFields();
    FormLayout form;
    form.groups.push_back(editGroup("", {fields.begin(), fields.begin() + 4}, 0, 1, false));
    form.groups.push_back(editGroup("", {fields.begin() + 10, fields.end()}, 0, 1, false));
    form.groups.push_back(editGroup("", {fields.begin() + 4, fields.begin() + 10}, 1, 1, false));
    form.buttons = {formButton("okButton", "OK")};
    return form;
}

}  // namespace k7check
