#include "Format.h"
#include "KARVO7Os.h"
#include "runs/DataRateCommon.h"
#include "runs/ReadLoop.h"

namespace k7check {

namespace {

constexpr const char* kCaption = "DatenrateN1";
// The stop window names the run as its button does.
constexpr const char* kLiveCaption = "Karte n Sätze 1..n";

class SetsRun {
  public:
    SetsRun(Session& session, RunWindows& windows, KARVO7HANDLE card)
        : session_(session),
          desktop_(session.desktop()),
          card_(card),
          cardNumber_(session.fields().karte),
          n_(session.fields().parametersatz),
          displays_(session, windows, 10) {
        const uint8_t start = session.fields().kontinuierlich ? 3 : 1;
        for (uint32_t s = 0; s < kSetsPerCard; ++s) {
            sets_[s] = session.parameterSets().set(cardNumber_, s);
            records_[s] = cardRecordOf(sets_[s], start);
        }
        // The order in which the card delivers the shots: a free-running card measures its
        // active sets in turn, set 0 among them; on demand the run starts sets 1..n in turn.
        if (session.fields().kontinuierlich) {
            cycle_.push_back(0);
        }
        for (uint32_t s = 1; s <= n_; ++s) {
            cycle_.push_back(s);
        }
    }

    bool run();

  private:
    bool prepare();
    void measure();
    bool shot(uint64_t k);
    bool reprepare();
    // The set whose data the buffer holds: the record's identification decides in the record
    // layout, the card's order of sets in the native layout.
    uint32_t setOfShot(uint32_t expected, uint32_t length);
    // A failure while reading: shown once the reading thread has ended.
    void fail(const std::string& text) {
        message_ = text;
        line_.fail(text);
    }

    Session& session_;
    Desktop& desktop_;
    KARVO7HANDLE card_;
    uint32_t cardNumber_;
    uint32_t n_;
    std::array<ParameterSet, kSetsPerCard> sets_{};
    std::array<CardRecord, kSetsPerCard> records_{};
    std::vector<uint32_t> cycle_;
    RunDisplays displays_;
    RunPace* pace_ = nullptr;  // while the run is live
    RunLine line_;
    std::string message_;
    bool stoppedByOperator_ = false;
};

bool SetsRun::prepare() {
    uint32_t error = 0;
    std::array<bool, kSetsPerCard> active{};
    active[0] = session_.fields().kontinuierlich;
    for (uint32_t s = 1; s <= n_; ++s) {
        active[s] = true;
    }
    activateSets(card_, active, error);
    KARVO7SetMode(card_, session_.fields().dma ? 1 : 0, &error);
    const bool version3 = KARVO7IsVersion3(card_) != 0;
    for (uint32_t s = 1; s <= n_; ++s) {
        if (!prepareSet(card_, s, records_[s], error)) {
            desktop_.messageBox(kCaption,
                                formatText("Parametersatz %u PrepAll Error %X", s, error));
            line_.fail(formatText("PrepAll Error %X ", error));
            return false;
        }
        if (version3) {
            KARVO7SetExternalClock(card_, sets_[s].triggerExtern ? 1 : 0, &error);
            sendTriggerDelay(card_, s, sets_[s]);
        }
    }
    if (KARVO7SetParam(card_, 1, &error) == 0) {
        line_.fail(formatText("PrepAll Error %X", error));
        return false;
    }
    // The run reads only its own shots: nothing left over from before, no overflow pending.
    stopAndClear(card_);
    pace_->begin();
    // On demand every shot is started by itself; a start here would put one shot of set 1 into
    // the FIFO ahead of them, and every later buffer would go to the window of the set before.
    if (session_.fields().kontinuierlich && KARVO7Start(card_, &error) == 0) {
        line_.fail(formatText("Start Error %X", error));
        return false;
    }
    return true;
}

bool SetsRun::reprepare() {
    const bool continuous = session_.fields().kontinuierlich;
    uint32_t error = 0;
    if (continuous) {
        K7OsSleep(1);  // the reading thread's pause: no desktop from here
        if (KARVO7Stop(card_, &error) == 0) {
            fail(formatText("Stop vor PrepAll Error %X", error));
            return false;
        }
        KARVO7ClearFIFO(card_, &error);
    }
    for (uint32_t s = 1; s <= n_; ++s) {
        if (session_.fields().random) {
            session_.drawRandomRecord(records_[s]);
        }
        if (!prepareSet(card_, s, records_[s], error)) {
            fail(formatText("PrepAll Parametersatz %u Error %X", s, error));
            return false;
        }
    }
    if (continuous) {
        KARVO7SetParam(card_, 1, &error);
        if (KARVO7Start(card_, &error) == 0) {
            fail(formatText("Satz %u Start nach PrepAll Error %X", 1u, error));
            return false;
        }
    }
    return true;
}

uint32_t SetsRun::setOfShot(uint32_t expected, uint32_t length) {
    if (session_.virma4Mode()) {
        const std::optional<int16_t> kennung = recordKennung(session_.data().data(), length);
        if (kennung) {
            return setOfKennung(session_, cardNumber_, *kennung).value_or(kSetsPerCard);
        }
    }
    return expected;
}

bool SetsRun::shot(uint64_t k) {
    const MainWindowFields& f = session_.fields();
    const std::size_t position = static_cast<std::size_t>(k % cycle_.size());
    const uint32_t s = cycle_[position];
    uint32_t error = 0;
    if (!f.kontinuierlich) {
        if (KARVO7SetParam(card_, s, &error) == 0) {
            fail(formatText("Satz %u SetParam Error %X", s, error));
            return false;
        }
        if (KARVO7Start(card_, &error) == 0) {
            fail(formatText("Satz %u Start Error %X", s, error));
            return false;
        }
    }
    if (!session_.readData(card_, error)) {
        fail(formatText("Satz %u GetData Error %X", s, error));
        return false;
    }
    const auto length = static_cast<uint32_t>(session_.data().size());
    if (!f.kontinuierlich) {
        GateResults results{};
        if (KARVO7GetGates(card_, &results, &error) == 0) {
            fail(formatText("Satz %u GetGates Error %X", s, error));
            return false;
        }
    }
    if (f.anzeige && k % static_cast<uint64_t>(f.anzeigefaktor) == 0) {
        // Set s's window is window s - 1; set 0 and unknown identifications have none.
        const uint32_t shown = setOfShot(s, length);
        if (shown >= 1 && shown <= n_ && displays_.wants(shown - 1)) {
            displays_.offer(shown - 1,
                            rateInputs(session_, setWithRecord(sets_[shown], records_[shown]),
                                       session_.data().data(), length, k + 1));
        }
    }
    return !(f.prepAll && position + 1 == cycle_.size()) || reprepare();
}

void SetsRun::measure() {
    const MainWindowFields& f = session_.fields();
    const uint32_t begin = desktop_.tickCount();
    // "Zyklen" passes over the sets, each pass one shot of every set the card measures.
    const uint64_t shots = uint64_t{f.zyklen} * cycle_.size();
    const ReadLoopEnd end =
        runReadLoop(desktop_, *pace_, displays_, shots, [this](uint64_t k) { return shot(k); });
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
    uint32_t samples = 0;
    for (uint32_t s = 1; s <= n_; ++s) {
        samples += records_[s].measure.Aufnahmelaenge;
    }
    line_.add(rateText(samples, f.zyklen, end.endTick - begin));
    if (f.kontinuierlich) {
        uint32_t error = 0;
        KARVO7Stop(card_, &error);
    }
}

bool SetsRun::run() {
    if (session_.fields().anzeige) {
        std::vector<std::string> titles;
        for (uint32_t s = 1; s <= n_; ++s) {
            titles.push_back(formatText("Karte %u Parametersatz %u", cardNumber_, s));
        }
        displays_.open(titles);
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
    uint32_t error = 0;
    KARVO7ClearFIFO(card_, &error);
    // A stopped run names itself and its card like its other lines; a failure is its text.
    if (!line_.failed()) {
        session_.appendResult(dataRateHead(session_) + line_.finished());
    } else {
        session_.appendResult(stoppedByOperator_ ? dataRateHead(session_) + line_.text()
                                                 : line_.text());
    }
    return !line_.failed();
}

}  // namespace

bool runDataRateSets(Session& session, RunWindows& windows) {
    session.setOperatingVoltage(true);
    KARVO7HANDLE card = session.selectedCard(kCaption);
    if (card == nullptr || session.selectedSet(kCaption) == nullptr ||
        !dataRateFieldsUsable(session, kCaption)) {
        return false;
    }
    if (session.fields().parametersatz == 0) {
        session.appendResult("Parametersatz 0 unzulässig");
        return false;
    }
    SetsRun run(session, windows, card);
    return run.run();
}

}  // namespace k7check
