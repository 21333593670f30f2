#include "Format.h"
#include "app/Session.h"
#include "card/SetToCard.h"
#include "runs/MeasurementRuns.h"
#include "runs/RunLine.h"

namespace k7check {

namespace {

MeasuredDataInputs shotInputs(Session& session, const ParameterSet& set,
                              const std::optional<GateResults>& gates) {
    MeasuredDataInputs inputs;
    inputs.eightBit = set.bit8;
    inputs.recordLayout = session.virma4Mode();
    inputs.data = session.data().data();
    inputs.length = static_cast<uint32_t>(session.data().size());
    inputs.number = 1;
    inputs.samplingRate = set.samplerate;
    inputs.gateResults = gates;
    inputs.gateParams = cardRecordOf(set).gates;
    inputs.offset = static_cast<uint32_t>(set.aufnahmedelay);
    return inputs;
}

// Steps 3 to 7 of a shot: hand the set over, shoot, fetch and show.
void shoot(Session& session, KARVO7HANDLE card, uint32_t setNumber, const ParameterSet& set,
           RunWindows& windows, RunLine& line) {
    uint32_t error = 0;
    if (!handSetToCard(card, setNumber, set, error)) {
        line.fail(formatText("PrepAll Error %X", error));
        return;
    }
    KARVO7SetMode(card, session.fields().dma ? 1 : 0, &error);
    if (KARVO7Start(card, &error) == 0) {
        line.fail(formatText("Start Error %X", error));
        return;
    }
    session.zeroData();
    session.setDataLength(kDataBufferSize);
    if (set.start >= 4) {
        return;  // the card is started for external shots: there is nothing to fetch
    }
    if (!session.readData(card, error)) {
        line.fail(formatText("GetData Error %X", error));
        return;
    }
    std::optional<GateResults> gates;
    if (KARVO7IsVersion3(card) != 0) {
        GateResults results{};
        if (KARVO7GetGates(card, &results, &error) != 0) {
            gates = results;
        } else {
            const std::string text = formatText("GetGates Error %X", error);
            session.desktop().messageBox("Test", text);
            line.fail(text);
        }
    }
    windows.showData(session, shotInputs(session, set, gates));
}

}  // namespace

bool runSingleShot(Session& session, bool automatic, RunWindows& windows) {
    KARVO7HANDLE card = session.selectedCard("Parameter/Shot");
    if (card == nullptr) {
        return false;
    }
    if (KARVO7IsVersion3(card) == 0) {
        session.selectSet(0);
    }
    ParameterSet* set = session.selectedSet("Parameter/Shot");
    if (set == nullptr) {
        return false;
    }
    const uint32_t cardNumber = session.fields().karte;
    const uint32_t setNumber = session.fields().parametersatz;
    if (!automatic) {
        const bool shot = windows.editSet(session, cardNumber, setNumber, *set);
        uint32_t ignored = 0;
        KARVO7SetExternalClock(card, set->triggerExtern ? 1 : 0, &ignored);
        if (!shot) {
            return true;
        }
    }
    RunLine line;
    shoot(session, card, setNumber, *set, windows, line);
    session.appendResult(formatText("Einzelmessung Kanal %u: ", cardNumber) + line.finished());
    return !line.failed();
}

}  // namespace k7check
