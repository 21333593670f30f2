#include "ErrorWords.h"
#include "Format.h"
#include "card/SetToCard.h"
#include "card/ShotSize.h"
#include "profile/ParameterKeys.h"
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

// A set whose shot would not fit the data buffer: the buffer would take its first part, and
// the rest would stay in the card's FIFO as the start of the next shot.
bool fitsTheBuffer(RunContext& run, const ParameterSet& set) {
    const uint64_t bytes = shotBytes(set, run.virma4Mode());
    if (set.start >= 4 || bytes <= kDataBufferSize) {
        return true;
    }
    run.line().fail(formatText("Aufnahme %u zu lang: Schuss %llu Bytes, Datenpuffer %u Bytes",
                               set.aufnahmelaenge, static_cast<unsigned long long>(bytes),
                               kDataBufferSize));
    return false;
}

// The shot brought the bytes its set makes: anything else is not this shot's A-scan.
bool hasItsLength(RunContext& run, const ParameterSet& set) {
    const uint64_t expected = shotBytes(set, run.virma4Mode());
    const size_t delivered = run.data().size();
    if (delivered == expected) {
        return true;
    }
    run.line().fail(formatText("Datenlänge soll: %llu - ist: %llu",
                               static_cast<unsigned long long>(expected),
                               static_cast<unsigned long long>(delivered)));
    return false;
}

std::optional<GateResults> readGates(RunContext& run, KARVO7HANDLE card) {
    if (KARVO7IsVersion3(card) == 0) {
        return std::nullopt;
    }
    uint32_t error = 0;
    GateResults results{};
    if (KARVO7GetGates(card, &results, &error) != 0) {
        return results;
    }
    const std::string text = "GetGates " + errorText(error);
    run.desktop().messageBox("Test",
                             formatText("Einzelmessung Karte %u: ", run.fields().karte) + text);
    run.line().fail(text);
    return std::nullopt;
}

// Steps 3 to 7 of a shot: hand the set over, shoot from an empty FIFO, fetch and show. The
// shot's results are taken from the card's gate registers; the FIFO is emptied behind it, so
// that nothing of the shot is left for the next measurement.
void shoot(RunContext& run, KARVO7HANDLE card, uint32_t setNumber, const ParameterSet& set) {
    RunLine& line = run.line();
    if (!fitsTheBuffer(run, set)) {
        return;
    }
    uint32_t error = 0;
    if (!handSetToCard(card, setNumber, set, error)) {
        line.fail("PrepAll " + errorText(error));
        return;
    }
    KARVO7SetMode(card, run.fields().dma ? 1 : 0, &error);
    if (KARVO7ClearFIFO(card, &error) == 0) {
        line.fail("Clear FIFO " + errorText(error));
        return;
    }
    if (KARVO7Start(card, &error) == 0) {
        line.fail("Start " + errorText(error));
        return;
    }
    run.zeroData();
    run.setDataLength(kDataBufferSize);
    if (set.start >= 4) {
        return;  // the card is started for external shots: there is nothing to fetch
    }
    if (!run.readData(card, error)) {
        line.fail("GetData " + errorText(error));
        return;
    }
    hasItsLength(run, set);
    const std::optional<GateResults> gates = readGates(run, card);
    KARVO7ClearFIFO(card, &error);
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
