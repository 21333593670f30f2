// The window "PCI Config Register" and the configuration check of the "PCI Configuration"
// button: the card's live PCI configuration header, field by field, compared with
// the reference values of section "PCIconfiguration".
//
// Guards against writing harm:
//  - "Write" is refused with a message unless the window holds an image that was read
//    successfully (after a failed read a blank 256-byte image would overwrite the card's base
//    addresses and command register);
//  - a field whose text does not parse keeps the image's value, and the window names it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "app/CheckButtons.h"
#include "desktop/Desktop.h"
#include "fields/FormLayout.h"
#include "pci/PciConfigCheck.h"
#include "windows/pci/HexFields.h"

namespace k7check {

class PCIconfigRegisterDlg : public CheckDialog, public FormSource {
  public:
    static constexpr const char* kWindowClass = "PCIconfigRegisterDlg";
    static constexpr const char* kTitle = "PCI Config Register";
    static constexpr const char* kWriteCaption = "PCI Configuration Register";

    // `profileFile` is the parameter file with the reference values.
    PCIconfigRegisterDlg(Desktop& desktop, KARVO7HANDLE card, std::string profileFile);

    std::vector<std::string> texts;            // one per field of pciConfigFields()
    std::string position = "Bus-/Slotnumber";  // the card's position, "Bus %d, Slot %d"
    const std::array<uint8_t, 256>& image() const { return image_; }
    bool imageRead() const { return imageRead_; }

    bool onInit() override;
    void onCommand(const std::string& control) override;
    void bindFields(FieldBinder& binder) override;
    FormLayout formLayout() const override;

    // "Write"; false when nothing was written.
    bool onWrite();
    // The configuration check: "OK" or the first mismatch, "PCI-Konfiguration nicht lesbar"
    // when the configuration cannot be read.
    bool automaticCheck(std::string& resultText) override;

  private:
    void readCard();

    Desktop& desktop_;
    KARVO7HANDLE card_;
    std::string profileFile_;
    std::array<uint8_t, 256> image_{};
    bool imageRead_ = false;
};

// Registers "PCI Configuration", "PCI EEPROM" and "PCI  Operation" (CheckWindows.cpp).
void registerPciWindows(CheckRegistry& registry);

}  // namespace k7check
