// Fifteen of the PCI bridge's sixteen operation registers (the FIFO port at 0x20 is neither
// shown nor read, since a read takes a word out of the FIFO), and their check of "Check All".
#pragma once

#include <vector>

#include "KARVO7DLL.h"
#include "card/Verdict.h"
#include "pci/PciFields.h"

namespace k7check {

struct OperationRegister {
    HexField field;  // label, control, offset, 32 bits
    bool written;    // written by the window's "Write"
};
// The fifteen registers in window order (two per row).
const std::vector<OperationRegister>& operationRegisters();

// Reads the fifteen registers only (what writing a mailbox or a status register triggers is
// the card's, and an automatic check must never surprise the firmware): "OK", or "PCI
// Operation Register nicht lesbar" when every one reads 00000000 or every one reads FFFFFFFF
// (a bridge that does not answer).
Verdict checkOperationRegisters(KARVO7HANDLE card);

}  // namespace k7check
