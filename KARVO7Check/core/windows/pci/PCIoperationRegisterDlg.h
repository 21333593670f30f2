// The window "PCI Operation Register" and the check of the "PCI  Operation" button:
// fifteen of the PCI bridge's sixteen operation registers in hexadecimal (the FIFO port at
// 0x20 is neither shown nor read, since a read takes a word out of the FIFO). "Write" writes
// the writable ones; the incoming mailboxes and the mailbox status are shown only (their
// edits are disabled and never written). A field whose text does not parse is not written
// (rather than writing whatever value the previous field left); the window names it.
#pragma once

#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "app/CheckButtons.h"
#include "desktop/Desktop.h"
#include "fields/FormLayout.h"
#include "pci/OperationRegisters.h"
#include "windows/pci/HexFields.h"

namespace k7check {

class PCIoperationRegisterDlg : public CheckDialog, public FormSource {
  public:
    static constexpr const char* kWindowClass = "PCIoperationRegisterDlg";
    static constexpr const char* kTitle = "PCI Operation Register";
    static constexpr const char* kWriteCaption = "PCI Local Configuration Register";

    PCIoperationRegisterDlg(Desktop& desktop, KARVO7HANDLE card);

    std::vector<std::string> texts;  // one per register, "%08X"

    bool onInit() override;
    void onCommand(const std::string& control) override;
    void bindFields(FieldBinder& binder) override;
    FormLayout formLayout() const override;

    // "Write"; returns the (offset, value) writes made, in order.
    std::vector<std::pair<uint32_t, uint32_t>> onWrite();
    // Reads the fifteen registers only (what writing a mailbox or a status register triggers
    // is the card's, and an automatic check must never surprise the firmware): "OK", or "PCI
    // Operation Register nicht lesbar" when every one reads 00000000 or every one reads
    // FFFFFFFF (a bridge that does not answer).
    bool automaticCheck(std::string& resultText) override;

  private:
    void readCard();

    Desktop& desktop_;
    KARVO7HANDLE card_;
};

}  // namespace k7check
