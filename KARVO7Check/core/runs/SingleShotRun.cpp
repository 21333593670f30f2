#include "ErrorWords.h"
#include "Format.h"
#include "KARVO7Ops.h"
#include "card/OpsRecord.h"
#include "card/SetToCard.h"
#include "paramfile/ParameterKeys.h"
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

// The layout the card delivers the set's data in: the record layout of the sets' sibling-card
// identifications on a version-3 card, else its native data.
uint32_t layoutOf(RunContext& run, KARVO7HANDLE card) {
    return run.virma4Mode() && KARVO7IsVersion3(card) != 0 ? K7OPS_LAYOUT_RECORD
                                                           : K7OPS_LAYOUT_NATIVE;
}

// A set whose shot would not fit the data buffer: the buffer would take its first part, and
// the rest would stay in the card's FIFO as the start of the next shot.
bool fitsTheBuffer(RunContext& run, const ParameterSet& set, const K7OpsShotLayout& layout) {
    if (set.start >= 4 || layout.readBytes <= kDataBufferSize) {
        return true;
    }
    run.line().fail(formatText("Aufnahme %u zu lang: Schuss %u Bytes, Datenpuffer %u Bytes",
                               set.aufnahmelaenge, layout.shotBytes, kDataBufferSize));
    return false;
}

// What the card operations' shot says of the steps after the read: the shot brought the bytes
// its set makes (anything else is not this shot's A-scan), and its gate values came.
std::optional<GateResults> judgeShot(RunContext& run, const K7OpsShot& shot,
                                     const K7OpsShotLayout& layout) {
    if (shot.bytes != layout.shotBytes) {
        run.line().fail(formatText("Datenlänge soll: %u - ist: %u", layout.shotBytes, shot.bytes));
    }
    if (shot.gatesRead != 0) {
        return shot.gates;
    }
    if (shot.gatesError != 0) {
        const std::string text = "GetGates " + errorText(shot.gatesError);
        run.desktop().messageBox("Test",
                                 formatText("Einzelmessung Karte %u: ", run.fields().karte) + text);
        run.line().fail(text);
    }
    return std::nullopt;
}

// Steps 3 to 7 of a shot, as the card operations take it: hand the set over, shoot from an
// empty FIFO, fetch the shot and its gate values, empty the FIFO behind it (so that nothing of
// the shot is left for the next measurement), and show.
void shoot(RunContext& run, KARVO7HANDLE card, uint32_t setNumber, const ParameterSet& set) {
    RunLine& line = run.line();
    const K7OpsSet record = opsRecordOf(cardRecordOf(set));
    K7OpsShotLayout layout{};
    uint32_t error = 0;
    if (K7OpsShotLayoutOf(setNumber, &record, layoutOf(run, card), &layout, &error) == 0) {
        line.fail(errorText(error));
        return;
    }
    if (!fitsTheBuffer(run, set, layout)) {
        return;
    }
    // A step of the hand-over the card refused ends the shot: the set is not the one the
    // technician gave.
    uint32_t step = 0;
    if (K7OpsPrepareShot(card, setNumber, &record, layoutOf(run, card), run.fields().dma ? 1 : 0,
                         &layout, &step, &error) == 0) {
        line.fail("PrepAll " + errorText(error));
        return;
    }
    run.zeroData();
    run.setDataLength(kDataBufferSize);
    if (set.start >= 4) {
        // The card is started for external shots: there is nothing to fetch.
        if (KARVO7ClearFIFO(card, &error) == 0) {
            line.fail("Clear FIFO " + errorText(error));
        } else if (KARVO7Start(card, &error) == 0) {
            line.fail("Start " + errorText(error));
        }
        return;
    }
    std::vector<uint8_t>& buffer = run.fetchBuffer();
    K7OpsShot shot{};
    const int taken = K7OpsTakeShot(card, setNumber, &record, &layout, buffer.data(),
                                    static_cast<uint32_t>(buffer.size()), &shot, &error);
    run.setDataLength(shot.bytes);
    if (taken == 0 && shot.step < K7OPS_SHOT_STEP_LENGTH) {
        const char* what = shot.step == K7OPS_SHOT_STEP_CLEAR   ? "Clear FIFO "
                           : shot.step == K7OPS_SHOT_STEP_START ? "Start "
                                                                : "GetData ";
        line.fail(what + errorText(shot.step == K7OPS_SHOT_STEP_READ ? shot.readError : error));
        return;
    }
    const std::optional<GateResults> gates = judgeShot(run, shot, layout);
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
