#include "Format.h"
#include "KARVO7Os.h"
#include "runs/DataRateCommon.h"
#include "runs/ReadLoop.h"

namespace k7check {

namespace {

constexpr const char* kCaption = "Datenrate11";
// The stop window names the run as its button does.
constexpr const char* kLiveCaption = "Karte n Satz n";

class OneSetRun {
  public:
    OneSetRun(Session& session, RunWindows& windows, KARVO7HANDLE card)
        : session_(session),
          desktop_(session.desktop()),
          windows_(windows),
          card_(card),
          cardNumber_(session.fields().karte),
          setNumber_(session.fields().parametersatz),
          set_(session.parameterSets().set(cardNumber_, setNumber_)),
          record_(cardRecordOf(set_, session.fields().kontinuierlich ? 3 : 1)),
          displays_(session, windows, 20) {}

    bool run();

  private:
    bool prepare();
    void measure();
    bool shot(uint64_t i);
    bool reprepare();
    // A failure while reading: shown once the reading thread has ended.
    void fail(const std::string& text) {
        message_ = text;
        line_.fail(text);
    }

    Session& session_;
    Desktop& desktop_;
    RunWindows& windows_;
    KARVO7HANDLE card_;
    uint32_t cardNumber_;
    uint32_t setNumber_;
    ParameterSet set_;  // a copy: random draws never reach the table
    CardRecord record_;
    RunDisplays displays_;
    RunPace* pace_ = nullptr;  // while the run is live
    RunLine line_;
    std::string message_;
    bool stoppedByOperator_ = false;
};

bool OneSetRun::prepare() {
    const bool continuous = session_.fields().kontinuierlich;
    uint32_t error = 0;
    uint32_t failure = 0;
    bool ok = prepareSet(card_, setNumber_, record_, error);
    if (!ok) {
        failure = error;
        desktop_.messageBox(kCaption, formatText("PrepAll Error %X", error));
    }
    sendTriggerDelay(card_, setNumber_, set_);
    if (continuous && KARVO7IsVersion3(card_) != 0) {
        std::array<bool, kSetsPerCard> active{};
        active[setNumber_] = true;
        activateSets(card_, active, error);
    }
    KARVO7SetMode(card_, session_.fields().dma ? 1 : 0, &error);
    // The run reads only its own shots: nothing left over from before, no overflow pending.
    stopAndClear(card_);
    pace_->begin();
    if (ok && continuous && KARVO7Start(card_, &error) == 0) {
        ok = false;
        failure = error;
        desktop_.messageBox(kCaption, formatText("Start Error %X", error));
    }
    if (!ok) {
        line_.fail(formatText("PrepAll Error %X", failure));
    }
    return ok;
}

bool OneSetRun::reprepare() {
    uint32_t error = 0;
    if (session_.fields().kontinuierlich) {
        K7OsSleep(1);  // the reading thread's pause: no desktop from here
        if (KARVO7Stop(card_, &error) == 0) {
            fail(formatText("Stop vor PrepAll Error %X", error));
            return false;
        }
        if (KARVO7ClearFIFO(card_, &error) == 0) {
            fail(formatText("xxx Clear FIFO Error %X Wait %d", error, 0));
            return false;
        }
    }
    if (session_.fields().random) {
        session_.drawRandomRecord(record_);
    }
    if (!prepareSet(card_, setNumber_, record_, error)) {
        fail(formatText("PrepAll Error %X", error));
        return false;
    }
    return true;
}

bool OneSetRun::shot(uint64_t i) {
    const MainWindowFields& f = session_.fields();
    uint32_t error = 0;
    if (!f.kontinuierlich || (i > 0 && f.prepAll)) {
        if (KARVO7Start(card_, &error) == 0) {
            fail(formatText("Start Error %X", error));
            return false;
        }
    }
    if (!session_.readData(card_, error)) {
        line_.fail(formatText("GetData Error %X", error));
        return false;
    }
    const auto length = static_cast<uint32_t>(session_.data().size());
    std::optional<GateResults> gates;
    if (!f.kontinuierlich && KARVO7IsVersion3(card_) != 0) {
        GateResults results{};
        if (KARVO7GetGates(card_, &results, &error) == 0) {
            fail(formatText("GetGates Error %X", error));
            return false;
        }
        gates = results;
    }
    if (f.anzeige && i % static_cast<uint64_t>(f.anzeigefaktor) == 0 && displays_.wants(0)) {
        MeasuredDataInputs inputs = rateInputs(session_, setWithRecord(set_, record_),
                                               session_.data().data(), length, i + 1);
        if (gates) {
            inputs.gateResults = gates;
            inputs.gateParams = record_.gates;
        }
        displays_.offer(0, inputs);
    }
    return !f.prepAll || reprepare();
}

void OneSetRun::measure() {
    const MainWindowFields& f = session_.fields();
    const uint32_t begin = desktop_.tickCount();
    const ReadLoopEnd end =
        runReadLoop(desktop_, *pace_, displays_, f.zyklen, [this](uint64_t i) { return shot(i); });
    if (end.stopped) {
        stoppedByOperator_ = true;
        line_.fail("Abbruch durch Bediener ");
    }
    if (end.failed || end.stopped) {
        stopAndClear(card_);
        if (!message_.empty()) {
            desktop_.messageBox(kCaption, message_);
        }
        return;
    }
    line_.add(rateText(record_.measure.Aufnahmelaenge, f.zyklen, end.endTick - begin));
    if (f.kontinuierlich) {
        uint32_t error = 0;
        KARVO7Stop(card_, &error);
        drainFifo(session_, card_);
    }
}

bool OneSetRun::run() {
    // Everything the reads need is there before the card starts: the windows open and
    // painted, the stop window up.
    if (session_.fields().anzeige) {
        displays_.open({formatText("Karte %u Parametersatz %u", cardNumber_, setNumber_)});
    }
    {
        RunPace pace(desktop_, kLiveCaption);
        pace_ = &pace;
        uint32_t error = 0;
        if (!prepareSetZero(session_, cardNumber_, card_, error)) {
            line_.fail(formatText("Parametersatz 0 Error %X ", error));
        } else if (prepare()) {
            measure();
        } else {
            stopAndClear(card_);
        }
        pace_ = nullptr;
    }
    displays_.closeAll();
    if (!line_.failed()) {
        session_.appendResult(dataRateHead(session_) + line_.finished());
        return true;
    }
    // A stopped run names itself and its card like its other lines; a failure is its text.
    session_.appendResult(stoppedByOperator_ ? dataRateHead(session_) + line_.text()
                                             : line_.text());
    if (session_.fields().random) {
        // The parameters last drawn, to see what the card refused; the table stays as it is.
        ParameterSet drawn = setWithRecord(set_, record_);
        windows_.editSet(session_, cardNumber_, setNumber_, drawn);
    }
    return false;
}

}  // namespace

bool runDataRateOneSet(Session& session, RunWindows& windows) {
    session.setOperatingVoltage(true);
    KARVO7HANDLE card = session.selectedCard(kCaption);
    if (card == nullptr || session.selectedSet(kCaption) == nullptr ||
        !dataRateFieldsUsable(session, kCaption)) {
        return false;
    }
    OneSetRun run(session, windows, card);
    return run.run();
}

}  // namespace k7check
