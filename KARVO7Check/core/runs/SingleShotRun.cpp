#include "Format.h"
#include "card/SetToCard.h"
#include "runs/MeasurementRuns.h"
#include "runs/RunContext.h"

namespace k7check {

namespace {

MeasuredDataInputs shotInputs(RunContext& run, const ParameterSet& set,
                              const std::optional<GateResults>& gates) {
    MeasuredDataInputs inputs;
    inputs.eightBit = set.bit8;
    inputs.recordLayout = run.virma4Mode();
    inputs.data = run.data().data();
    inputs.length = static_cast<uint32_t>(run.data().size());
    inputs.number = 1;
    inputs.samplingRate = set.samplerate;
    inputs.gateResults = gates;
    inputs.gateParams = cardRecordOf(set).gates;
    inputs.offset = static_cast<uint32_t>(set.aufnahmedelay);
    return inputs;
}

// Steps 3 to 7 of a shot: hand the set over, shoot, fetch and show.
void shoot(RunContext& run, KARVO7HANDLE card, uint32_t setNumber, const ParameterSet& set) {
    RunLine& line = run.line();
    uint32_t error = 0;
    if (!handSetToCard(card, setNumber, set, error)) {
        line.fail(formatText("PrepAll Error %X", error));
        return;
    }
    KARVO7SetMode(card, run.fields().dma ? 1 : 0, &error);
    if (KARVO7Start(card, &error) == 0) {
        line.fail(formatText("Start Error %X", error));
        return;
    }
    run.zeroData();
    run.setDataLength(kDataBufferSize);
    if (set.start >= 4) {
        return;  // the card is started for external shots: there is nothing to fetch
    }
    if (!run.readData(card, error)) {
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
            run.desktop().messageBox("Test", text);
            line.fail(text);
        }
    }
    run.showData(shotInputs(run, set, gates));
}

}  // namespace

bool runSingleShot(Session& session, bool automatic, RunWindows& windows) {
    RunContext run(session, windows, "Parameter/Shot");
    KARVO7HANDLE card = run.selectedCard();
    if (card == nullptr) {
        return false;
    }
    if (KARVO7IsVersion3(card) == 0) {
        run.selectSet(0);
    }
    ParameterSet* set = run.selectedSet();
    if (set == nullptr) {
        return false;
    }
    const uint32_t cardNumber = run.fields().karte;
    const uint32_t setNumber = run.fields().parametersatz;
    if (!automatic) {
        const bool shot = run.editSet(cardNumber, setNumber, *set);
        uint32_t ignored = 0;
        KARVO7SetExternalClock(card, set->triggerExtern ? 1 : 0, &ignored);
        if (!shot) {
            return true;
        }
    }
    shoot(run, card, setNumber, *set);
    run.appendResult(formatText("Einzelmessung Kanal %u: ", cardNumber) + run.line().finished());
    return !run.line().failed();
}

}  // namespace k7check
