#include "Format.h"
#include "KARVO7Os.h"
#include "card/ShotSize.h"
#include "runs/DataRateCommon.h"
#include "runs/EngineBatch.h"
#include "runs/EngineReads.h"
#include "runs/ReadFailure.h"

namespace k7check {

namespace {

constexpr const char* kCaption = "Datenrate11";
// The stop window names the run as its button does.
constexpr const char* kLiveCaption = "Karte n Satz n";

class OneSetRun {
  public:
    OneSetRun(RunContext& run, KARVO7HANDLE card)
        : run_(run),
          card_(card),
          cardNumber_(run.fields().karte),
          setNumber_(run.fields().parametersatz),
          set_(run.set(cardNumber_, setNumber_)),
          record_(cardRecordOf(set_, run.fields().kontinuierlich ? 3 : 1)) {}

    bool run();

  private:
    bool prepare(RunPace& pace);
    void measure(RunPace& pace);
    bool shot(uint64_t i, const std::atomic<bool>& stop);
    bool show(uint64_t i, std::optional<GateResults> gates);
    bool reprepare();
    // A continuous run without PrepAll reads through one acquisition engine; the others start
    // the card for every shot, each start a batch of one shot through an engine of its own.
    bool throughEngine() const { return run_.fields().kontinuierlich && !run_.fields().prepAll; }

    RunContext& run_;
    KARVO7HANDLE card_;
    uint32_t cardNumber_;
    uint32_t setNumber_;
    ParameterSet set_;   // a copy: random draws never reach the table
    CardRecord record_;  // the set as the card takes it
    EngineBatch batch_;
};

bool OneSetRun::prepare(RunPace& pace) {
    const bool continuous = run_.fields().kontinuierlich;
    uint32_t error = 0;
    uint32_t failure = 0;
    const HandOver handed = handSetToCard(card_, setNumber_, record_);
    bool ok = handed.prepared();
    if (!ok) {
        failure = handed.error;
        run_.desktop().messageBox(kCaption, formatText("PrepAll Error %X", failure));
    }
    if (continuous && KARVO7IsVersion3(card_) != 0) {
        std::array<bool, kSetsPerCard> active{};
        active[setNumber_] = true;
        activateSets(card_, active, error);
    }
    KARVO7SetMode(card_, run_.fields().dma ? 1 : 0, &error);
    // The run reads only its own shots: nothing left over from before, no overflow pending.
    stopAndEmpty(card_, error);
    pace.begin();
    if (!ok) {
        run_.line().fail(formatText("PrepAll Error %X", failure));
    }
    return ok;
}

bool OneSetRun::reprepare() {
    // The shot's batch left the card stopped with an empty FIFO.
    uint32_t error = 0;
    if (run_.fields().random) {
        run_.drawRandom(set_, record_);
    }
    if (!prepareSet(card_, setNumber_, record_, error)) {
        run_.failWhileReading(formatText("PrepAll Error %X", error));
        return false;
    }
    return true;
}

bool OneSetRun::shot(uint64_t i, const std::atomic<bool>& stop) {
    const MainWindowFields& f = run_.fields();
    uint32_t error = 0;
    if (!batch_.start(card_, 1, largestShotBytes(set_), shotRateOf(set_), error)) {
        run_.failWhileReading(formatText("Start Error %X", error));
        return false;
    }
    const EngineBatch::State state = readBatch(
        batch_, run_.fetchBuffer(), [this](uint32_t length) { run_.setDataLength(length); }, stop);
    if (batch_.shots() == 0 && stop.load(std::memory_order_relaxed)) {
        return true;  // the technician stopped the run while the card had not delivered
    }
    if (state != EngineBatch::State::Done || batch_.shots() == 0) {
        error = batch_.error() != 0 ? batch_.error() : K7_ERROR_SEM_TIMEOUT;
        run_.line().fail(runCardText(kLiveCaption, cardNumber_, errorText("GetData", error)));
        return false;
    }
    // With "PrepAll" a free-running card is read for the first shot after each start, from a
    // FIFO emptied before it; the shots lost behind it go with the FIFO at the re-preparation,
    // so a FIFO that filled meanwhile lost none of the run's shots.
    const uint64_t lost =
        f.kontinuierlich && f.prepAll ? batch_.lostBeforeLastShot() : batch_.lost();
    if (lost > 0) {
        run_.line().fail(runCardText(
            kLiveCaption, cardNumber_,
            formatText("FIFO-Überlauf nach Schuss %llu", static_cast<unsigned long long>(i + 1))));
        return false;
    }
    std::optional<GateResults> gates;
    if (!f.kontinuierlich && KARVO7IsVersion3(card_) != 0) {
        GateResults results{};
        if (KARVO7GetGates(card_, &results, &error) == 0) {
            run_.failWhileReading(formatText("GetGates Error %X", error));
            return false;
        }
        gates = results;
    }
    return show(i, gates);
}

// Shot i, in the session's data buffer, to the display when it is due; then PrepAll.
bool OneSetRun::show(uint64_t i, std::optional<GateResults> gates) {
    const MainWindowFields& f = run_.fields();
    const auto length = static_cast<uint32_t>(run_.data().size());
    RunDisplays& displays = run_.displays();
    if (f.anzeige && i % static_cast<uint64_t>(f.anzeigefaktor) == 0 && displays.wants(0)) {
        MeasuredDataInputs inputs = rateInputs(run_, set_, run_.data().data(), length, i + 1);
        if (gates) {
            inputs.gateResults = gates;
            inputs.gateParams = record_.gates;
        }
        displays.offer(0, inputs);
    }
    return !f.prepAll || reprepare();
}

void OneSetRun::measure(RunPace& pace) {
    const MainWindowFields& f = run_.fields();
    const std::optional<uint32_t> elapsed =
        throughEngine()
            ? readShotsThroughEngine(run_, pace, card_, kLiveCaption, cardNumber_, f.zyklen,
                                     largestShotBytes(set_), shotRateOf(set_),
                                     [this](uint64_t i) { return show(i, std::nullopt); })
            : readShots(
                  run_, pace, card_, f.zyklen,
                  [this](uint64_t i, const std::atomic<bool>& stop) { return shot(i, stop); });
    if (!elapsed) {
        return;
    }
    run_.line().add(rateText(record_.measure.Aufnahmelaenge, f.zyklen, *elapsed));
}

bool OneSetRun::run() {
    // Everything the reads need is there before the card starts: the windows open and
    // painted, the stop window up.
    if (run_.fields().anzeige) {
        run_.displays().open({formatText("Karte %u Parametersatz %u", cardNumber_, setNumber_)});
    }
    runLive(
        run_, cardNumber_, card_, kLiveCaption, [this](RunPace& pace) { return prepare(pace); },
        [this](RunPace& pace) { measure(pace); });
    run_.appendLine(dataRateHead(run_));
    if (!run_.line().failed() || !run_.fields().random) {
        return !run_.line().failed();
    }
    // The parameters last drawn, to see what the card refused; the table stays as it is.
    ParameterSet drawn = set_;
    run_.editSet(cardNumber_, setNumber_, drawn);
    return false;
}

}  // namespace

bool runDataRateOneSet(Session& session, RunWindows& windows) {
    RunContext run(session, windows, kCaption, 20);
    run.setOperatingVoltage();
    KARVO7HANDLE card = run.selectedCard();
    if (card == nullptr || run.selectedSet() == nullptr || !dataRateFieldsUsable(run)) {
        return false;
    }
    if (!shotsFitTheBuffer(run, kLiveCaption, run.fields().karte, run.fields().parametersatz)) {
        run.appendLine(dataRateHead(run));
        return false;
    }
    OneSetRun oneSet(run, card);
    return oneSet.run();
}

}  // namespace k7check
