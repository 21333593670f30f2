#include "windows/pci/PCIoperationRegisterDlg.h"

#include "KARVO7Protocol.h"

namespace k7check {

namespace {

namespace reg = k7proto::reg;

OperationRegister op(std::string label, std::string control, uint32_t offset, bool written) {
    return {{std::move(label), std::move(control), offset, 32, "", ""}, written};
}

// The offsets "Write" writes, in its order.
constexpr uint32_t kWriteOrder[] = {reg::kOutMailbox1, reg::kOutMailbox2,  reg::kOutMailbox3,
                                    reg::kOutMailbox4, reg::kWriteAddress, reg::kWriteCount,
                                    reg::kReadAddress, reg::kReadCount,    reg::kInterruptStatus,
                                    reg::kMasterStatus};

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

PCIoperationRegisterDlg::PCIoperationRegisterDlg(Desktop& desktop, KARVO7HANDLE card)
    : CheckDialog(kWindowClass, kTitle),
      texts(operationRegisters().size()),
      desktop_(desktop),
      card_(card) {}

void PCIoperationRegisterDlg::readCard() {
    const auto& registers = operationRegisters();
    for (size_t i = 0; i < registers.size(); ++i) {
        texts[i] = formatField(KARVO7ReadRegister(card_, registers[i].field.at), 32);
    }
}

bool PCIoperationRegisterDlg::onInit() {
    readCard();
    writeFieldsToControls();
    return true;
}

void PCIoperationRegisterDlg::onCommand(const std::string& control) {
    if (control == "writeButton") {
        onWrite();
    } else {
        Dialog::onCommand(control);
    }
}

void PCIoperationRegisterDlg::bindFields(FieldBinder& binder) {
    const auto& registers = operationRegisters();
    texts.resize(registers.size());
    for (size_t i = 0; i < registers.size(); ++i) {
        binder.text(registers[i].field.control, texts[i], 64);
        binder.enabled(registers[i].field.control, registers[i].written);
    }
}

FormLayout PCIoperationRegisterDlg::formLayout() const {
    FormGroup group{"", 0, 2, {}};
    for (const OperationRegister& r : operationRegisters()) {
        group.items.push_back(formEdit(r.field.control, r.field.label, 10, r.written));
    }
    FormLayout form;
    form.groups.push_back(std::move(group));
    form.buttons = {formButton("writeButton", "Write"), formButton("okButton", "OK")};
    return form;
}

std::vector<std::pair<uint32_t, uint32_t>> PCIoperationRegisterDlg::onWrite() {
    readFieldsFromControls();
    const auto& registers = operationRegisters();
    // All or nothing: one written register the card cannot hold as typed, and none is written.
    std::vector<HexField> fields;
    std::vector<bool> written;
    for (const OperationRegister& r : registers) {
        fields.push_back(r.field);
        written.push_back(r.written);
    }
    if (const auto refusal = entryRefusal(fields, texts, written)) {
        desktop_.messageBox(kWriteCaption, *refusal);
        return {};
    }
    if (desktop_.messageBox(kWriteCaption, "Wollen Sie wirklich schreiben?", Buttons::YesNo) !=
        Answer::Yes) {
        return {};
    }
    std::vector<std::pair<uint32_t, uint32_t>> writes;
    for (const uint32_t offset : kWriteOrder) {
        for (size_t i = 0; i < registers.size(); ++i) {
            if (registers[i].field.at != offset || !registers[i].written) {
                continue;
            }
            const uint32_t value = *parseEntry(texts[i], registers[i].field.bits);
            KARVO7WriteRegister(card_, offset, value);
            writes.emplace_back(offset, value);
        }
    }
    readCard();
    writeFieldsToControls();
    return writes;
}

bool PCIoperationRegisterDlg::automaticCheck(std::string& resultText) {
    bool allZero = true;
    bool allOnes = true;
    for (const OperationRegister& r : operationRegisters()) {
        const uint32_t value = KARVO7ReadRegister(card_, r.field.at);
        allZero = allZero && value == 0;
        allOnes = allOnes && value == 0xFFFFFFFFu;
    }
    if (allZero || allOnes) {
        resultText = "PCI Operation Register nicht lesbar";
        return false;
    }
    resultText = "OK";
    return true;
}

}  // namespace k7check
