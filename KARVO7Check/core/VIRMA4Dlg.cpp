#include "VIRMA4Dlg.h"

#include <cstdint>

namespace k7check {

VIRMA4Dlg::VIRMA4Dlg(Desktop& desktop, int16_t& stored)
    : Dialog(kWindowClass, kTitle), desktop_(desktop), stored_(stored) {}

bool VIRMA4Dlg::onInit() {
    kennung = static_cast<int16_t>(-stored_);  // 16-bit: -32768 shows as -32768
    writeFieldsToControls();
    return true;
}

void VIRMA4Dlg::onOk() {
    readFieldsFromControls();
    if (kennung < INT16_MIN || kennung > INT16_MAX) {
        desktop_.messageBox(kTitle, "Die Kennung muss zwischen -32768 und 32767 liegen!");
        return;
    }
    stored_ = static_cast<int16_t>(-kennung);
    endDialog(kIdOk);
}

void VIRMA4Dlg::bindFields(FieldBinder& binder) {
    binder.number("kennungEdit", kennung);
}

void VIRMA4Dlg::onCancel() {
    endDialog(kIdCancel);
}

}  // namespace k7check
