#include "windows/pci/PCIoperationRegisterDlg.h"

#include "KARVO7Protocol.h"

namespace k7check {

namespace {

namespace reg = k7proto::reg;

// The offsets "Write" writes, in its order.
constexpr uint32_t kWriteOrder[] = {reg::kOutMailbox1, reg::kOutMailbox2,  reg::kOutMailbox3,
                                    reg::kOutMailbox4, reg::kWriteAddress, reg::kWriteCount,
                                    reg::kReadAddress, reg::kReadCount,    reg::kInterruptStatus,
                                    reg::kMasterStatus};

}  // namespace

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
    Verdict verdict = checkOperationRegisters(card_);
    resultText = std::move(verdict.line);
    return verdict.passed;
}

}  // namespace k7check
