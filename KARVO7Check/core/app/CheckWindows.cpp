// The windows behind the main window's buttons. A check window is registered here with one
// line, `registry.registerWindow(CheckId::..., [](Session& session) { ... });`, a window of
// another main-window button with `registry.registerButton("...Button", ...)`; a button is
// enabled when a window is registered for it.
#include "app/CheckWindows.h"

#include "app/Session.h"
#include "runs/ProgramRunWindows.h"
#include "windows/card/CommandDlg.h"
#include "windows/card/DSPDlg.h"
#include "windows/card/KennungDlg.h"
#include "windows/card/SelbsttestDlg.h"
#include "windows/editors/BlendenDlg.h"
#include "windows/editors/BusbelegungDlg.h"
#include "windows/editors/RandomLimitsDlg.h"
#include "windows/editors/TAlist.h"
#include "windows/pci/PCIconfigRegisterDlg.h"
#include "windows/registers/LCADlg.h"

namespace k7check {

namespace {

// The cards that no listed channel of the bus table names (a card found in no channel's slot
// keeps a channel without a position), with their PCI position.
std::vector<BusbelegungDlg::LooseCard> looseCards(Session& session) {
    std::vector<BusbelegungDlg::LooseCard> loose;
    for (uint32_t k = 1; k <= session.cardCount(); ++k) {
        bool named = false;
        for (const Channel& channel : session.channels()) {
            if (channel.bus == 0 && channel.slot == 0) {
                break;  // the list of channels ends here
            }
            named = named || channel.card == k;
        }
        BusbelegungDlg::LooseCard card{k, 0, 0};
        uint32_t error = 0;
        if (!named) {
            KARVO7GetCardPosition(session.card(k), &card.bus, &card.slot, &error);
            loose.push_back(card);
        }
    }
    return loose;
}

}  // namespace

void registerCheckWindows(CheckRegistry& registry) {
    registerPciWindows(registry);
    registerRegisterWindows(registry);
    registerMeasurementRuns(registry);
    // ---- set editors --------------------------------------------------------------------------
    registry.registerWindow(CheckId::Blenden, [](Session& session) -> std::unique_ptr<CheckDialog> {
        ParameterSet* set = session.selectedSet("Blenden");
        if (set == nullptr) {
            return nullptr;
        }
        BlendenDlg::Inputs inputs;
        inputs.card = session.card(session.fields().karte);
        inputs.set = set;
        inputs.active = &session.parameterSets().activeFlags(session.fields().karte);
        inputs.recordLayout = session.virma4Mode();
        inputs.data = session.data();
        return std::make_unique<BlendenDlg>(session.desktop(), inputs);
    });
    registry.registerButton("tiefenausgleichButton", [](Session& session) {
        ParameterSet* set = session.selectedSet("Tiefenausgleich");
        if (set == nullptr) {
            return false;
        }
        TAlist window(session.desktop(), *set);
        session.desktop().runModal(window);
        return true;
    });
    registry.registerButton("busbelegungButton", [](Session& session) {
        BusbelegungDlg window(session.channels(), looseCards(session));
        session.desktop().runModal(window);
        return true;
    });
    registry.registerButton("randomLimitsButton", [](Session& session) {
        // The window changes its copy only when it ends with OK.
        RandomLimits limits = session.randomLimits();
        RandomLimitsDlg window(session.desktop(), limits);
        session.desktop().runModal(window);
        session.setRandomLimits(limits);
        return true;
    });
    // ---- the card itself ------------------------------------------------------------------------
    registry.registerWindow(CheckId::Kennung, [](Session& session) {
        return std::make_unique<KennungDlg>(session, session.card(session.fields().karte));
    });
    registry.registerWindow(CheckId::Dsp,
                            [](Session& session) { return std::make_unique<DSPDlg>(session); });
    registry.registerWindow(CheckId::Test, [](Session& session) {
        return std::make_unique<SelbsttestDlg>(session, session.card(session.fields().karte));
    });
    registry.registerWindow(CheckId::Command, [](Session& session) -> std::unique_ptr<CheckDialog> {
        const ParameterSet* set = session.selectedSet("Command");
        if (set == nullptr) {
            return nullptr;
        }
        return std::make_unique<CommandDlg>(session, session.fields().karte, set->sapDelay);
    });
}

}  // namespace k7check
