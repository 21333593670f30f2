// The windows behind the main window's buttons. A new check window registers itself here with
// one line, `registry.registerWindow(CheckId::..., [](Session& session) { ... });`, a window of
// another main-window button with `registry.registerButton("...Button", ...)`; its button is
// enabled from then on.
#include "CheckButtons.h"
#include "Session.h"
#include "windows/card/CommandDlg.h"
#include "windows/card/DSPDlg.h"
#include "windows/card/KennungDlg.h"
#include "windows/card/SelbsttestDlg.h"

namespace k7check {

void registerCheckWindows(CheckRegistry& registry) {
    registry.registerWindow(CheckId::Kennung, [](Session& session) {
        return std::make_unique<KennungDlg>(session, session.card(session.fields.karte));
    });
    registry.registerWindow(CheckId::Dsp,
                            [](Session& session) { return std::make_unique<DSPDlg>(session); });
    registry.registerWindow(CheckId::Test, [](Session& session) {
        return std::make_unique<SelbsttestDlg>(session, session.card(session.fields.karte));
    });
    registry.registerWindow(CheckId::Command, [](Session& session) -> std::unique_ptr<CheckDialog> {
        const ParameterSet* set = session.selectedSet("Command");
        if (set == nullptr) {
            return nullptr;
        }
        return std::make_unique<CommandDlg>(session, session.fields.karte, set->sapDelay);
    });
}

}  // namespace k7check
