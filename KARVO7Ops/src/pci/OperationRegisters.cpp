#include "pci/OperationRegisters.h"

#include <string>
#include <utility>

#include "KARVO7Protocol.h"

namespace k7check {

namespace {

namespace reg = k7proto::reg;

OperationRegister op(std::string label, std::string control, uint32_t offset, bool written) {
    return {{std::move(label), std::move(control), offset, 32, "", ""}, written};
}

}  // namespace

const std::vector<OperationRegister>& operationRegisters() {
    static const std::vector<OperationRegister> registers = {
        op("Out Mailbox 1", "outMailbox1Edit", reg::kOutMailbox1, true),
        op("Out Mailbox 2", "outMailbox2Edit", reg::kOutMailbox2, true),
        op("Out Mailbox 3", "outMailbox3Edit", reg::kOutMailbox3, true),
        op("Out Mailbox 4", "outMailbox4Edit", reg::kOutMailbox4, true),
        op("In Mailbox 1", "inMailbox1Edit", reg::kInMailbox1, false),
        op("In Mailbox 2", "inMailbox2Edit", reg::kInMailbox2, false),
        op("In Mailbox 3", "inMailbox3Edit", reg::kInMailbox3, false),
        op("In Mailbox 4", "inMailbox4Edit", reg::kInMailbox4, false),
        op("Write Address", "writeAddressEdit", reg::kWriteAddress, true),
        op("Write Count", "writeCountEdit", reg::kWriteCount, true),
        op("Read Address", "readAddressEdit", reg::kReadAddress, true),
        op("Read Count", "readCountEdit", reg::kReadCount, true),
        op("Mailbox Status", "mailboxStatusEdit", reg::kMailboxStatus, false),
        op("Interrupt Status", "interruptStatusEdit", reg::kInterruptStatus, true),
        op("Master Status", "masterStatusEdit", reg::kMasterStatus, true),
    };
    return registers;
}

Verdict checkOperationRegisters(KARVO7HANDLE card) {
    bool allZero = true;
    bool allOnes = true;
    for (const OperationRegister& r : operationRegisters()) {
        const uint32_t value = KARVO7ReadRegister(card, r.field.at);
        allZero = allZero && value == 0;
        allOnes = allOnes && value == 0xFFFFFFFFu;
    }
    if (allZero || allOnes) {
        return {false, "PCI Operation Register nicht lesbar"};
    }
    return {true, "OK"};
}

}  // namespace k7check
