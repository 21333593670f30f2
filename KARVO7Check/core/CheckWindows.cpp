// The windows behind the check buttons. A new check window registers itself here with one
// line, `registry.registerWindow(CheckId::..., [](KARVO7CheckDlg& main) { ... });`; its button
// is enabled from then on.
#include "CheckButtons.h"

namespace k7check {

void registerCheckWindows(CheckRegistry& registry) {
    (void)registry;
}

}  // namespace k7check
