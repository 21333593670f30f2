#include "windows/main/VIRMA4Dlg.h"

#include <cstdint>
#include <optional>
#include <string>

namespace k7check {

VIRMA4Dlg::VIRMA4Dlg(Desktop& desktop, int16_t& stored)
    : Dialog(kWindowClass, kTitle), desktop_(desktop), stored_(stored) {}

bool VIRMA4Dlg::onInit() {
    kennung = static_cast<int16_t>(-stored_);  // 16-bit: -32768 shows as -32768
    writeFieldsToControls();
    return true;
}

void VIRMA4Dlg::onOk() {
    std::optional<std::string> refusal = takeFieldsFromControls();
    if (!refusal && (kennung < INT16_MIN || kennung > INT16_MAX)) {
        refusal = refusalText("Kennung", IntegerRange{INT16_MIN, INT16_MAX});
    }
    if (refusal) {
        desktop_.messageBox(kTitle, *refusal);
        return;
    }
    stored_ = static_cast<int16_t>(-kennung);
    endDialog(kIdOk);
}

void VIRMA4Dlg::bindFields(FieldBinder& binder) {
    binder.number("kennungEdit", "Kennung", kennung, INT16_MIN, INT16_MAX);
}

void VIRMA4Dlg::onCancel() {
    endDialog(kIdCancel);
}

}  // namespace k7check
