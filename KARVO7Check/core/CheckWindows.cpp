// The windows behind the main window's buttons. A new check window registers itself here with
// one line, `registry.registerWindow(CheckId::..., [](Session& session) { ... });`, a window of
// another main-window button with `registry.registerButton("...Button", ...)`; its button is
// enabled from then on.
#include "CheckButtons.h"
#include "windows/pci/PCIconfigRegisterDlg.h"
#include "windows/registers/LCADlg.h"

namespace k7check {

void registerCheckWindows(CheckRegistry& registry) {
    registerPciWindows(registry);
    registerRegisterWindows(registry);
}

}  // namespace k7check
