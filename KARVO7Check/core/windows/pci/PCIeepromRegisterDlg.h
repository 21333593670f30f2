// The window "PCI EEPROM Register" and the EEPROM check of the "PCI EEPROM" button:
// the PCI bridge's own fields in its EEPROM (below 0x80; the configuration record above is
// not touched), compared with and repaired to the reference values of section "PCIEEPROM".
// Every EEPROM byte write takes 100 ms: "Write" and the repairs run as long operations with
// progress, and only fields that differ are written.
//
// A field whose text does not parse is not written (rather than writing whatever value the
// previous field left); the window names it.
#pragma once

#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "app/CheckButtons.h"
#include "desktop/Desktop.h"
#include "fields/FormLayout.h"
#include "pci/EepromCheck.h"
#include "windows/pci/HexFields.h"

namespace k7check {

class PCIeepromRegisterDlg : public CheckDialog, public FormSource {
  public:
    static constexpr const char* kWindowClass = "PCIeepromRegisterDlg";
    static constexpr const char* kTitle = "PCI EEPROM Register";
    static constexpr const char* kWriteCaption = "PCI EEPROM";

    PCIeepromRegisterDlg(Desktop& desktop, KARVO7HANDLE card, std::string profileFile);

    std::vector<std::string> header;  // texts of eepromHeaderFields()
    std::vector<std::string> texts;   // texts of eepromFields()
    bool pci = false;                 // "Configuration Bits": bit 15 "PCI"
    bool asyncRead = false;           // bit 14 "Async.RD"
    bool asyncWrite = false;          // bit 13 "Async.WR"

    bool onInit() override;
    void onCommand(const std::string& control) override;
    void bindFields(FieldBinder& binder) override;
    FormLayout formLayout() const override;

    // "Write"; returns the (address, bits, value) writes made, in order.
    struct Write {
        uint32_t at;
        unsigned bits;
        uint32_t value;
    };
    std::vector<Write> onWrite();
    // The EEPROM check with repair: "OK" when every field equals its reference, "nach
    // Schreiben OK" when deviating fields were written and read back right, else the first
    // field's message (reference, value read back) and fail. A reference that is missing,
    // empty or no number of its field's width fails the check with its section and key
    // ("Vorgabe fehlt: [PCIEEPROM] VendorID", "Vorgabe ungültig: ...") before anything is
    // written.
    bool automaticCheck(std::string& resultText) override;

  private:
    void readCard();

    Desktop& desktop_;
    KARVO7HANDLE card_;
    std::string profileFile_;
};

}  // namespace k7check
