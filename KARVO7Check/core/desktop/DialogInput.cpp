#include "desktop/DialogInput.h"

namespace k7check {

std::optional<std::string> DialogInput::defaultButton() const {
    if (!keysEndWindow()) {
        return std::nullopt;
    }
    return std::string(kOkButton);
}

void DialogInput::act(const std::function<void()>& action) {
    if (acting_ || dialog_ == nullptr) {
        return;
    }
    acting_ = true;
    action();
    acting_ = false;
}

void DialogInput::clicked(const std::string& control) {
    if (control == kOkButton) {
        ok();
    } else if (control == kCancelButton) {
        cancel();
    } else if (!control.empty()) {
        act([this, control] { dialog_->onCommand(control); });
    }
}

void DialogInput::ok() {
    if (dialog_ != nullptr) {
        dialog_->onOk();
    }
}

void DialogInput::cancel() {
    if (dialog_ != nullptr) {
        dialog_->onCancel();
    }
}

void DialogInput::edited(const std::string& control) {
    act([this, control] { dialog_->onEditChanged(control); });
}

void DialogInput::focusLeft(const std::string& control, FocusLoss why) {
    if (why != FocusLoss::WithinWindow) {
        return;
    }
    act([this, control] { dialog_->onEditLeft(control); });
}

void DialogInput::doubleClicked(Point at) {
    act([this, at] { dialog_->onDoubleClick(at); });
}

void DialogInput::escape() {
    if (keysEndWindow()) {
        cancel();
    }
}

void DialogInput::editConfirmed(const std::string& control) {
    act([this, control] { dialog_->onEditLeft(control); });
}

std::optional<std::string> DialogInput::enter(const std::string& edit, const std::string& focused) {
    if (!edit.empty()) {
        editConfirmed(edit);
    }
    if (dialog_ == nullptr || !keysEndWindow()) {
        return std::nullopt;
    }
    if (!focused.empty()) {
        return focused;
    }
    return defaultButton();
}

}  // namespace k7check
