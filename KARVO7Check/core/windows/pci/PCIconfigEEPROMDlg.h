// The read-only window "PCI Configuration EEPROM", opened with "EEPROM" from "PCI Config
// Register": the configuration values the bridge loads from its EEPROM.
#pragma once

#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "desktop/Dialog.h"
#include "fields/FormLayout.h"
#include "windows/pci/HexFields.h"

namespace k7check {

const std::vector<HexField>& configEepromFields();

class PCIconfigEEPROMDlg : public Dialog, public FormSource {
  public:
    static constexpr const char* kWindowClass = "PCIconfigEEPROMDlg";
    static constexpr const char* kTitle = "PCI Configuration EEPROM";

    explicit PCIconfigEEPROMDlg(KARVO7HANDLE card);

    std::vector<std::string> texts;

    bool onInit() override;
    void bindFields(FieldBinder& binder) override;
    FormLayout formLayout() const override;

  private:
    KARVO7HANDLE card_;
};

}  // namespace k7check
