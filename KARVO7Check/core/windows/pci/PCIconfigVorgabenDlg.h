// The window "PCI Configuration Vorgaben": the reference values of the PCI configuration space,
// section "PCIconfiguration" of the parameter file.
#pragma once

#include <string>

#include "windows/pci/ReferenceValuesDlg.h"

namespace k7check {

class PCIconfigVorgabenDlg : public ReferenceValuesDlg {
  public:
    static constexpr const char* kWindowClass = "PCIconfigVorgabenDlg";
    static constexpr const char* kTitle = "PCI Configuration Vorgaben";
    PCIconfigVorgabenDlg(Desktop& desktop, std::string profileFile);
};

}  // namespace k7check
