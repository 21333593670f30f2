#include "windows/editors/BlockmessungDlg.h"

namespace k7check {

BlockmessungDlg::BlockmessungDlg(std::array<bool, kSetsPerCard>& active)
    : Dialog(kWindowClass, kTitle), active_(active) {}

bool BlockmessungDlg::onInit() {
    flags = active_;
    writeFieldsToControls();
    return true;
}

void BlockmessungDlg::bindFields(FieldBinder& binder) {
    binder.check("blockCheck", flags[0]);
    for (std::size_t s = 1; s < kSetsPerCard; ++s) {
        binder.check("satz" + std::to_string(s) + "Check", flags[s]);
    }
}

void BlockmessungDlg::onOk() {
    readFieldsFromControls();
    active_ = flags;
    endDialog(kIdOk);
}

void BlockmessungDlg::onCancel() {
    endDialog(kIdCancel);
}

}  // namespace k7check
