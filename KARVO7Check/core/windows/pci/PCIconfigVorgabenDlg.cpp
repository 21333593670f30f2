#include "windows/pci/PCIconfigVorgabenDlg.h"

#include <utility>

#include "windows/pci/PCIconfigRegisterDlg.h"

namespace k7check {

PCIconfigVorgabenDlg::PCIconfigVorgabenDlg(Desktop& desktop, std::string profileFile)
    : ReferenceValuesDlg(
          kWindowClass, kTitle, kTitle, "PCIconfiguration",
          {"VendorID",       "DeviceID",     "Command",      "Status",         "BIST",
           "RevisionID",     "Class",        "HeaderType",   "LatencyTimer",   "CacheLineSize",
           "Baseaddress0",   "Baseaddress1", "Baseaddress2", "Baseaddress3",   "Baseaddress4",
           "BaseaddressROM", "SubsystemID",  "SubVendorID",  "MaximumLatency", "MinimumGrant",
           "InterruptPin",   "InterruptLine"},
          pciConfigFields(), desktop, std::move(profileFile)) {}

}  // namespace k7check
