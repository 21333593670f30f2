// The window "PCI EEPROM Vorgaben": the reference values of the bridge EEPROM, section "PCIEEPROM"
// of the parameter file.
#pragma once

#include <string>

#include "windows/pci/ReferenceValuesDlg.h"

namespace k7check {

class PCIeepromVorgabenDlg : public ReferenceValuesDlg {
  public:
    static constexpr const char* kWindowClass = "PCIeepromVorgabenDlg";
    static constexpr const char* kTitle = "PCI EEPROM Vorgaben";
    PCIeepromVorgabenDlg(Desktop& desktop, std::string profileFile);
};

}  // namespace k7check
