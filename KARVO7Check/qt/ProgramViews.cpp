// The Qt views of the check program's windows. A window that gets a view adds one line here.
#include "KARVO7CheckDlgView.h"
#include "VIRMA4DlgView.h"
#include "ViewRegistry.h"

namespace k7qt {

namespace {

template <typename Window, typename View>
void add() {
    registerView(Window::kWindowClass,
                 [](k7check::Dialog& dialog, QWidget* parent) -> std::unique_ptr<QtDialogView> {
                     auto* window = dynamic_cast<Window*>(&dialog);
                     if (window == nullptr) {
                         return nullptr;
                     }
                     return std::make_unique<View>(*window, parent);
                 });
}

}  // namespace

void registerProgramViews() {
    add<k7check::KARVO7CheckDlg, KARVO7CheckDlgView>();
    add<k7check::VIRMA4Dlg, VIRMA4DlgView>();
}

}  // namespace k7qt
