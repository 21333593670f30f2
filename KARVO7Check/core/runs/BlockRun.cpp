#include <array>
#include <memory>
#include <vector>

#include "Format.h"
#include "card/SetToCard.h"
#include "runs/BlockCycles.h"
#include "runs/CardFetch.h"
#include "runs/EngineReads.h"
#include "runs/GateCheck.h"
#include "runs/MeasurementRuns.h"
#include "runs/RunContext.h"

namespace k7check {

namespace {

constexpr const char* kCaption = "Blockmessung";
constexpr const char* kGatesCaption = "Blockmessung Blenden";

// One block run on the selected card: its copies of the active sets, both buffers, the
// display and the line.
class BlockRun {
  public:
    BlockRun(RunContext& run, KARVO7HANDLE card)
        : run_(run),
          card_(card),
          cardNumber_(run.fields().karte),
          setNumber_(run.fields().parametersatz),
          fetch_(card, run.desktop(), fetchTimeOutMs(run.fields().timeOut)) {}

    bool run(bool automatic);

  private:
    bool choose(bool automatic);
    bool prepare();
    bool start();
    void onDemand(bool automatic);
    void awaitOneCycle();
    void continuous();
    bool showAscan(uint64_t cycle);
    bool reprepare();
    bool fetchResults(uint64_t cycle);
    BlockCycles::Options cycleOptions() const;
    void finish();
    void showFinalResults(uint32_t count);
    MeasuredDataInputs displayInputs(uint32_t length, uint64_t number);
    void say(const std::string& text, const char* caption = kCaption) { run_.say(text, caption); }

    RunContext& run_;
    KARVO7HANDLE card_;
    uint32_t cardNumber_;
    uint32_t setNumber_;
    std::array<bool, kSetsPerCard> active_{};
    std::array<ParameterSet, kSetsPerCard> sets_{};  // copies: the run never changes the table
    std::array<CardRecord, kSetsPerCard> records_{};
    bool gateFlag_ = false;
    bool started_ = false;
    bool stoppedByOperator_ = false;  // "Stopp": the block's results are not shown
    std::vector<uint8_t> results_;
    std::vector<uint8_t> cycleResults_;  // the gate results of one cycle of the continuous block
    uint64_t total_ = 0;
    std::unique_ptr<LiveDisplay> display_;
    CardFetch fetch_;
    std::unique_ptr<BlockCycles> cycles_;  // the continuous block's engine
};

bool BlockRun::choose(bool automatic) {
    active_ = run_.activeFlags(cardNumber_);
    if (!automatic && !run_.selectSets(active_)) {
        return false;
    }
    run_.setActiveFlags(cardNumber_, active_);
    const MainWindowFields& f = run_.fields();
    if (f.kontinuierlich && f.anzeige && !active_[setNumber_]) {
        run_.desktop().messageBox(kCaption, "Parametersatz für ASCAN nicht aktiv!");
        return false;
    }
    bool any = false;
    for (const bool a : active_) {
        any = any || a;
    }
    if (!any) {
        run_.desktop().messageBox(kCaption, "Kein Parametersatz aktiv!");
        return false;
    }
    if (f.kontinuierlich && f.anzeigefaktor < 1) {
        run_.desktop().messageBox(kCaption, "Anzeigefaktor muss mindestens 1 sein!");
        return false;
    }
    return true;
}

bool BlockRun::prepare() {
    uint32_t error = 0;
    ParameterSet& set0 = run_.set(cardNumber_, 0);
    if (!prepareSet(card_, 0, cardRecordOf(set0), error)) {
        run_.line().fail(formatText("Parametersatz 0 Error %X ", error));
        return false;
    }
    for (uint32_t s = 0; s < kSetsPerCard; ++s) {
        if (!active_[s]) {
            continue;
        }
        sets_[s] = run_.set(cardNumber_, s);
        records_[s] = cardRecordOf(sets_[s]);
        const HandOver handed = handSetToCard(card_, s, records_[s]);
        if (!handed.prepared()) {
            // A block with a set the card did not take would measure something else.
            run_.line().fail(formatText("PrepAll Error %X ", handed.error));
            return false;
        }
        gateFlag_ = false;
        for (uint32_t g = 1; g < kGates; ++g) {
            gateFlag_ = gateFlag_ || sets_[s].enable[g];
        }
    }
    return true;
}

bool BlockRun::start() {
    uint32_t error = 0;
    KARVO7SetMode(card_, run_.fields().dma ? 1 : 0, &error);
    activateSets(card_, active_, error);
    if (run_.fields().kontinuierlich) {
        // The engine empties the FIFO and the results store and starts the card itself.
        cycles_ = std::make_unique<BlockCycles>(run_, kCaption, cardNumber_);
        if (!cycles_->start(card_, cycleOptions(), error)) {
            cycles_.reset();
            run_.line().fail(formatText("Start Error %X ", error));
            return false;
        }
    } else if (KARVO7ClearFIFO(card_, &error) == 0) {
        // The block reads only its own shots: nothing an earlier shot or run left in the FIFO
        // or the results store.
        run_.line().fail(formatText("Clear FIFO Error %X ", error));
        return false;
    } else if (KARVO7StartParam(card_, 3, &error) == 0) {
        run_.line().fail(formatText("Start Error %X ", error));
        return false;
    }
    started_ = true;
    run_.zeroData();
    results_.assign(kDataBufferSize, 0);
    return true;
}

MeasuredDataInputs BlockRun::displayInputs(uint32_t length, uint64_t number) {
    const ParameterSet& set = run_.set(cardNumber_, setNumber_);
    MeasuredDataInputs inputs;
    inputs.eightBit = set.bit8;
    inputs.recordLayout = run_.virma4Mode();
    inputs.data = run_.data().data();
    inputs.length = length;
    inputs.number = static_cast<uint32_t>(number);
    inputs.samplingRate = set.samplerate;
    inputs.offset = static_cast<uint32_t>(set.aufnahmedelay);
    return inputs;
}

void BlockRun::onDemand(bool automatic) {
    for (;;) {
        const Answer answer = run_.desktop().messageBox(kCaption, "ASCAN?", Buttons::YesNoCancel);
        uint32_t error = 0;
        uint32_t count = 0;
        if (answer == Answer::Yes) {
            // The A-scan comes with the card's next shot: fetched while the windows stay
            // painted, and given up at the data time-out.
            KARVO7GetASCAN(card_, setNumber_, &count, nullptr, &error);
            if (!fetch_.start(run_.fetchBuffer(), error) || !fetch_.wait(error) ||
                fetch_.count() == 0) {
                run_.desktop().messageBox("Blockmessung ASCAN", "GetASCAN no Data");
                continue;
            }
            run_.setDataLength(fetch_.count());
            run_.showData(displayInputs(fetch_.count(), 1));
        } else if (answer == Answer::No) {
            if (!gateFlag_) {
                continue;
            }
            KARVO7GetResults(card_, 100, &count, nullptr, &error);
            count = kDataBufferSize;
            if (KARVO7GetData(card_, &count, results_.data(), &error) == 0 || count == 0) {
                run_.line().fail(formatText("GetResults Error %X ", error));
                continue;
            }
            total_ += count;
            run_.showGateValues(results_.data(), count);
        } else {
            if (automatic && gateFlag_ && total_ == 0) {
                awaitOneCycle();
            }
            return;
        }
    }
}

// A block of "Check All" that nobody asks for results would be stopped before the card ended
// its first cycle, and its line would count nothing: it first waits for the card's next shot of
// its last active set, which ends a cycle (fetched through the desktop's clock, given up at the
// data time-out). The A-scan is only waited for; the cycle's results stay for the end.
void BlockRun::awaitOneCycle() {
    uint32_t last = 0;
    for (uint32_t s = 0; s < kSetsPerCard; ++s) {
        last = active_[s] ? s : last;
    }
    uint32_t error = 0;
    uint32_t count = 0;
    if (KARVO7GetASCAN(card_, last, &count, nullptr, &error) != 0 &&
        fetch_.start(run_.fetchBuffer(), error)) {
        fetch_.wait(error);
    }
}

BlockCycles::Options BlockRun::cycleOptions() const {
    BlockCycles::Options options;
    std::vector<const ParameterSet*> sets;
    for (uint32_t s = 0; s < kSetsPerCard; ++s) {
        if (active_[s]) {
            options.shotBytes = std::max(options.shotBytes, largestShotBytes(sets_[s]));
            sets.push_back(&sets_[s]);
        }
    }
    options.shotsPerSecond = shotRateOf(sets);
    options.ascanSet = setNumber_;
    options.ascans = run_.fields().anzeige;
    return options;
}

bool BlockRun::showAscan(uint64_t cycle) {
    uint32_t length = 0;
    if (!cycles_->nextAscan(run_.fetchBuffer(), length)) {
        return false;
    }
    run_.setDataLength(length);
    if (display_ != nullptr) {
        display_->show(displayInputs(length, cycle));
    }
    return true;
}

bool BlockRun::reprepare() {
    // The engine stops the card and empties its FIFO; the results gathered since the cycle's
    // fetch go with them, as they always did.
    std::vector<uint8_t> dropped;
    cycles_->stop(dropped);
    uint32_t error = 0;
    for (uint32_t s = 0; s < kSetsPerCard; ++s) {
        if (active_[s] && !prepareSet(card_, s, records_[s], error)) {
            say(formatText("PrepAll %u Error %X", s, error));
        }
    }
    if (!cycles_->start(card_, cycleOptions(), error)) {
        say(formatText("Start nach PrepAll Error %X", error));
        return false;
    }
    return true;
}

bool BlockRun::fetchResults(uint64_t cycle) {
    cycleResults_.clear();
    if (!cycles_->nextResults(cycleResults_)) {
        return false;  // the engine ended: the line says why
    }
    if (!gateFlag_ || !run_.virma4Mode()) {
        return true;
    }
    total_ += cycleResults_.size();
    GateCheckInput input;
    input.sets = &sets_;
    input.active = active_;
    for (uint32_t s = 0; s < kSetsPerCard; ++s) {
        input.ids[s] = run_.virma4Id(cardNumber_, s);
    }
    input.cycle = cycle;
    const GateCheckResult check =
        checkGates(std::span<const uint8_t>(cycleResults_.data(), cycleResults_.size()), input);
    switch (check.kind) {
        case GateCheckResult::Kind::Ok:
            return true;
        case GateCheckResult::Kind::NoGates:
            say(check.text, kGatesCaption);
            return false;
        case GateCheckResult::Kind::WrongKennung:
            say(check.text, kGatesCaption);
            return true;
        case GateCheckResult::Kind::OutsideTheGate:
            if (!run_.line().failed()) {
                run_.line().fail(check.text);
            }
            return true;
    }
    return true;
}

void BlockRun::continuous() {
    const MainWindowFields& f = run_.fields();
    const auto factor = static_cast<uint64_t>(f.anzeigefaktor);
    bool alternation = true;
    LiveWork live(run_.desktop(), kCaption);
    // Only cycles of the display factor work; each ends with its results, which the engine
    // fetches once a cycle.
    for (uint64_t i = 0; i < f.zyklen; i += factor) {
        if (live.stopped()) {
            stoppedByOperator_ = true;
            run_.line().fail("Abbruch durch Bediener ");
            return;
        }
        if (f.anzeige && alternation && !showAscan(i)) {
            return;
        }
        if (f.prepAll && !alternation && !reprepare()) {
            return;
        }
        if (f.prepAll) {
            alternation = !alternation;
        }
        if (!fetchResults(i)) {
            return;
        }
    }
}

void BlockRun::showFinalResults(uint32_t count) {
    if (count == 0) {
        run_.line().add(
            formatText("%llu Bytes, no Results ", static_cast<unsigned long long>(total_)));
        return;
    }
    total_ += count;
    run_.line().add(formatText("%llu Bytes ", static_cast<unsigned long long>(total_)));
    if (!stoppedByOperator_) {
        run_.showGateValues(results_.data(), count);
    }
}

void BlockRun::finish() {
    if (cycles_ != nullptr) {
        // The engine stops the card, fetches its last results and empties its FIFO.
        cycles_->stop(results_);
        if (gateFlag_) {
            showFinalResults(static_cast<uint32_t>(results_.size()));
        }
        return;
    }
    uint32_t error = 0;
    fetch_.cancel(error);
    if (KARVO7Stop(card_, &error) == 0) {
        run_.line().fail(formatText("%llu Bytes, Stop Error %X",
                                    static_cast<unsigned long long>(total_), error));
    } else if (gateFlag_) {
        uint32_t count = kDataBufferSize;
        if (KARVO7GetResults(card_, 0, &count, results_.data(), &error) == 0) {
            run_.line().fail(formatText("%llu Bytes, Results Error %X",
                                        static_cast<unsigned long long>(total_), error));
        } else {
            showFinalResults(count);
        }
    }
    // Nothing of this run stays in the card's FIFO for the next one.
    KARVO7ClearFIFO(card_, &error);
}

bool BlockRun::run(bool automatic) {
    if (!choose(automatic)) {
        return true;  // cancelled: no line
    }
    if (run_.fields().anzeige && run_.fields().kontinuierlich) {
        display_ = run_.openDisplay("Anzeige Meßdaten");
    }
    if (prepare() && start()) {
        if (run_.fields().kontinuierlich) {
            continuous();
        } else {
            onDemand(automatic);
        }
    }
    if (started_) {
        finish();
    }
    results_.clear();
    results_.shrink_to_fit();
    cycles_.reset();
    display_.reset();
    run_.appendResult(formatText("Blockmessung Kanal %u: ", cardNumber_) + run_.line().finished());
    return !run_.line().failed();
}

}  // namespace

bool runBlockMeasurement(Session& session, bool automatic, RunWindows& windows) {
    RunContext run(session, windows, kCaption);
    const MainWindowFields& f = run.fields();
    KARVO7HANDLE card = run.card(f.karte);
    if (card == nullptr || KARVO7IsVersion3(card) == 0 || f.parametersatz == 0 ||
        f.parametersatz >= kSetsPerCard) {
        return true;
    }
    BlockRun block(run, card);
    return block.run(automatic);
}

}  // namespace k7check
