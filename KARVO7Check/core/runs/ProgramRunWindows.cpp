#include "runs/ProgramRunWindows.h"

#include "app/CheckButtons.h"
#include "app/Session.h"
#include "runs/DataRateRuns.h"
#include "runs/MeasurementRuns.h"
#include "windows/editors/AnzeigeVorgabenDlg.h"
#include "windows/editors/BlockmessungDlg.h"
#include "windows/editors/DataBlendenDlg.h"
#include "windows/measurement/AnzeigeDlg.h"

namespace k7check {

namespace {

// A measured-data window open beside a run until the run lets it go.
class ModelessDisplay : public LiveDisplay {
  public:
    ModelessDisplay(Desktop& desktop, const std::string& title)
        : desktop_(desktop), window_(desktop, title) {
        desktop_.showModeless(window_);
    }
    void show(const MeasuredDataInputs& inputs) override {
        window_.setInputs(inputs);
        desktop_.repaint(window_);
    }
    void place(const Rect& where) override { desktop_.placeWindow(window_, where); }

  private:
    Desktop& desktop_;
    AnzeigeDlg window_;
};

}  // namespace

bool ProgramRunWindows::editSet(Session& session, uint32_t cardNumber, uint32_t /*setNumber*/,
                                ParameterSet& set) {
    AnzeigeVorgabenDlg editor(session.desktop(), session.card(cardNumber), set);
    return session.desktop().runModal(editor) == AnzeigeVorgabenDlg::kIdShot;
}

bool ProgramRunWindows::selectSets(Session& session, std::array<bool, kSetsPerCard>& active) {
    BlockmessungDlg selection(active);
    return session.desktop().runModal(selection) == kIdOk;
}

void ProgramRunWindows::showData(Session& session, const MeasuredDataInputs& inputs) {
    AnzeigeDlg window(session.desktop());
    window.setInputs(inputs);
    session.desktop().runModal(window);
}

void ProgramRunWindows::showGateValues(Session& session, const uint8_t* data, uint32_t length) {
    DataBlendenDlg window(std::vector<uint8_t>(data, data + length), length,
                          session.parameterSets().activeFlags(session.fields().karte),
                          session.virma4Mode());
    session.desktop().runModal(window);
}

std::unique_ptr<LiveDisplay> ProgramRunWindows::openDisplay(Session& session,
                                                            const std::string& title) {
    return std::make_unique<ModelessDisplay>(session.desktop(), title);
}

void registerMeasurementRuns(CheckRegistry& registry) {
    registry.registerPress(CheckId::ParameterShot, [](Session& session, bool automatic) {
        ProgramRunWindows windows;
        return runSingleShot(session, automatic, windows);
    });
    registry.registerPress(CheckId::Blockmessung, [](Session& session, bool automatic) {
        ProgramRunWindows windows;
        return runBlockMeasurement(session, automatic, windows);
    });
    registry.registerButton("karteSatzButton", [](Session& session) {
        ProgramRunWindows windows;
        return runDataRateOneSet(session, windows);
    });
    registry.registerButton("karteSaetzeButton", [](Session& session) {
        ProgramRunWindows windows;
        return runDataRateSets(session, windows);
    });
    registry.registerButton("kartenSatzButton", [](Session& session) {
        ProgramRunWindows windows;
        return runDataRateCards(session, windows);
    });
}

}  // namespace k7check
