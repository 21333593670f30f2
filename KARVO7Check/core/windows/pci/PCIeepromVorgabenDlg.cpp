#include "windows/pci/PCIeepromVorgabenDlg.h"

#include <utility>

#include "windows/pci/PCIeepromRegisterDlg.h"

namespace k7check {

PCIeepromVorgabenDlg::PCIeepromVorgabenDlg(Desktop& desktop, std::string profileFile)
    : ReferenceValuesDlg(
          kWindowClass, kTitle, "PCI Local Configuration Vorgaben", "PCIEEPROM",
          {"Signature", "Length", "Entry", "PCIpointer", "VendorID", "DeviceID", "RevisionID",
           "Class", "Baseaddress0", "Baseaddress1", "Baseaddress2", "Baseaddress3", "Baseaddress4",
           "BaseaddressROM", "InterruptLine", "InterruptPin", "MinimumGrant", "MaximumLatency"},
          eepromCheckFields(), desktop, std::move(profileFile)) {}

}  // namespace k7check
