#include "windows/registers/RegisterWindow.h"

#include <algorithm>
#include <map>

namespace k7check {

RegisterWindow::RegisterWindow(std::string windowClass, std::string title,
                               const RegisterTable& table, Desktop& desktop, KARVO7HANDLE card)
    : CheckDialog(std::move(windowClass), std::move(title)),
      engine_(table),
      desktop_(desktop),
      card_(card) {
    int groups = 0;
    for (const RegisterField* field : engine_.fields()) {
        groups = std::max(groups, field->editGroup);
    }
    edited_.assign(static_cast<size_t>(groups) + 1, false);
    shownNumber_.assign(engine_.fields().size(), 0);
}

bool RegisterWindow::onInit() {
    onRead();
    return true;
}

void RegisterWindow::onCommand(const std::string& control) {
    if (control == "writeButton") {
        onWrite();
    } else if (control == "readButton") {
        onRead();
    } else if (engine_.selectRadio(control)) {
        // Radio rows are kept exclusive here: show the row as the field now holds it.
        if (view() != nullptr) {
            WriteBinder binder(view()->controls());
            engine_.bindField(binder, engine_.fieldOf(control).value());
        }
    } else {
        Dialog::onCommand(control);
    }
}

void RegisterWindow::onEditChanged(const std::string& control) {
    if (const auto field = engine_.fieldOf(control)) {
        const int group = engine_.fields()[*field]->editGroup;
        if (group > 0) {
            edited_[static_cast<size_t>(group)] = true;
        }
    }
}

void RegisterWindow::bindFields(FieldBinder& binder) {
    engine_.bind(binder);
}

std::vector<FormControl> RegisterWindow::buttons() const {
    return {formButton("writeButton", "Write"), formButton("readButton", "Read"),
            formButton("okButton", "OK")};
}

FormLayout RegisterWindow::formLayout() const {
    return engine_.layout(buttons());
}

void RegisterWindow::readCard() {
    std::map<uint32_t, uint32_t> registers;
    for (const uint32_t reg : engine_.readRegisters()) {
        registers[reg] = KARVO7ReadRegister(card_, reg);
    }
    engine_.decompose(registers);
}

void RegisterWindow::show() {
    writeFieldsToControls();
    for (size_t i = 0; i < engine_.fields().size(); ++i) {
        shownNumber_[i] = engine_.values()[i].number;
    }
}

void RegisterWindow::onRead() {
    readCard();
    show();
}

std::vector<std::pair<uint32_t, uint32_t>> RegisterWindow::onWrite() {
    // All or nothing: one entry the registers cannot hold as typed, and nothing is written.
    if (const auto refusal = takeFieldsFromControls()) {
        desktop_.messageBox(kCaption, *refusal);
        return {};
    }
    if (desktop_.messageBox(kCaption, "Wollen Sie wirklich schreiben?", Buttons::YesNo) !=
        Answer::Yes) {
        return {};
    }
    const auto& fields = engine_.fields();
    // A desktop that does not report typing still shows a changed gate by its value.
    for (size_t i = 0; i < fields.size(); ++i) {
        const int group = fields[i]->editGroup;
        if (group > 0 && engine_.values()[i].number != shownNumber_[i]) {
            edited_[static_cast<size_t>(group)] = true;
        }
    }
    const auto writes = engine_.compose([&](size_t field) {
        const int group = fields[field]->editGroup;
        return group > 0 && !edited_[static_cast<size_t>(group)];
    });
    for (const auto& [reg, value] : writes) {
        KARVO7WriteRegister(card_, reg, value);
    }
    std::fill(edited_.begin(), edited_.end(), false);
    readCard();
    show();
    return writes;
}

}  // namespace k7check
