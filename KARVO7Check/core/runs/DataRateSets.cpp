#include <algorithm>

#include "Format.h"
#include "KARVO7Os.h"
#include "card/ShotSize.h"
#include "runs/DataRateCommon.h"
#include "runs/EngineBatch.h"
#include "runs/EngineReads.h"
#include "runs/ReadFailure.h"

namespace k7check {

namespace {

constexpr const char* kCaption = "DatenrateN1";
// The stop window names the run as its button does.
constexpr const char* kLiveCaption = "Karte n Sätze 1..n";

class SetsRun {
  public:
    SetsRun(RunContext& run, KARVO7HANDLE card)
        : run_(run), card_(card), cardNumber_(run.fields().karte), n_(run.fields().parametersatz) {
        const uint8_t start = run.fields().kontinuierlich ? 3 : 1;
        for (uint32_t s = 0; s < kSetsPerCard; ++s) {
            sets_[s] = run.set(cardNumber_, s);
            records_[s] = cardRecordOf(sets_[s], start);
        }
        // The order in which the card delivers the shots: a free-running card measures its
        // active sets in turn, set 0 among them; on demand the run starts sets 1..n in turn.
        if (run.fields().kontinuierlich) {
            cycle_.push_back(0);
        }
        for (uint32_t s = 1; s <= n_; ++s) {
            cycle_.push_back(s);
        }
    }

    bool run();

  private:
    bool prepare(RunPace& pace);
    void measure(RunPace& pace);
    bool shot(uint64_t k, const std::atomic<bool>& stop);
    bool show(uint64_t k);
    bool reprepare();
    // A continuous run without PrepAll reads through one acquisition engine; the others start
    // the card for every shot (on demand) or every pass (PrepAll), each start a batch read
    // through an engine of its own.
    bool throughEngine() const { return run_.fields().kontinuierlich && !run_.fields().prepAll; }
    // A continuous run with PrepAll: one pass over the sets a batch, kept until it ended.
    bool readPass(uint32_t& error, const std::atomic<bool>& stop);
    // The set whose data the buffer holds: the record's identification decides in the record
    // layout, the card's order of sets in the native layout.
    uint32_t setOfShot(uint32_t expected, uint32_t length);

    RunContext& run_;
    KARVO7HANDLE card_;
    uint32_t cardNumber_;
    uint32_t n_;
    std::array<ParameterSet, kSetsPerCard> sets_{};
    std::array<CardRecord, kSetsPerCard> records_{};
    std::vector<uint32_t> cycle_;
    uint32_t shotBytes_ = 0;
    uint32_t shotsPerSecond_ = 0;
    EngineBatch batch_;
    std::vector<std::vector<uint8_t>> pass_;  // the shots of the pass read last
};

bool SetsRun::prepare(RunPace& pace) {
    uint32_t error = 0;
    std::array<bool, kSetsPerCard> active{};
    active[0] = run_.fields().kontinuierlich;
    for (uint32_t s = 1; s <= n_; ++s) {
        active[s] = true;
    }
    activateSets(card_, active, error);
    KARVO7SetMode(card_, run_.fields().dma ? 1 : 0, &error);
    for (uint32_t s = 1; s <= n_; ++s) {
        const HandOver handed = handSetToCard(card_, s, records_[s]);
        if (!handed.prepared()) {
            run_.desktop().messageBox(
                kCaption, formatText("Parametersatz %u PrepAll Error %X", s, handed.error));
            run_.line().fail(formatText("PrepAll Error %X ", handed.error));
            return false;
        }
    }
    if (KARVO7SetParam(card_, 1, &error) == 0) {
        run_.line().fail(formatText("PrepAll Error %X", error));
        return false;
    }
    // The run reads only its own shots: nothing left over from before, no overflow pending.
    stopAndEmpty(card_, error);
    pace.begin();
    // Every read starts the card itself: on demand every shot is started by itself, and a start
    // here would put one shot of set 1 into the FIFO ahead of them.
    return true;
}

bool SetsRun::reprepare() {
    const bool continuous = run_.fields().kontinuierlich;
    // The pass's batch left the card stopped with an empty FIFO.
    uint32_t error = 0;
    for (uint32_t s = 1; s <= n_; ++s) {
        if (run_.fields().random) {
            run_.drawRandom(sets_[s], records_[s]);
        }
        if (!prepareSet(card_, s, records_[s], error)) {
            run_.failWhileReading(formatText("PrepAll Parametersatz %u Error %X", s, error));
            return false;
        }
    }
    if (continuous) {
        KARVO7SetParam(card_, 1, &error);
    }
    return true;
}

bool SetsRun::readPass(uint32_t& error, const std::atomic<bool>& stop) {
    if (!batch_.start(card_, cycle_.size(), shotBytes_, shotsPerSecond_, error)) {
        run_.failWhileReading(formatText("Satz %u Start nach PrepAll Error %X", 1u, error));
        return false;
    }
    pass_.clear();
    const std::vector<uint8_t>& buffer = run_.fetchBuffer();
    const EngineBatch::State state = readBatch(
        batch_, run_.fetchBuffer(),
        [&](uint32_t length) { pass_.emplace_back(buffer.begin(), buffer.begin() + length); },
        stop);
    error = batch_.error() != 0 ? batch_.error() : K7_ERROR_SEM_TIMEOUT;
    return state == EngineBatch::State::Done && pass_.size() == cycle_.size();
}

uint32_t SetsRun::setOfShot(uint32_t expected, uint32_t length) {
    if (run_.virma4Mode()) {
        const std::optional<int16_t> kennung = recordKennung(run_.data().data(), length);
        if (kennung) {
            return setOfKennung(run_, cardNumber_, *kennung).value_or(kSetsPerCard);
        }
    }
    return expected;
}

bool SetsRun::shot(uint64_t k, const std::atomic<bool>& stop) {
    const MainWindowFields& f = run_.fields();
    const std::size_t position = static_cast<std::size_t>(k % cycle_.size());
    const uint32_t s = cycle_[position];
    uint32_t error = 0;
    if (f.kontinuierlich) {
        // With "PrepAll" a free-running card is read for one pass over the sets after each
        // start, the first shots of a FIFO emptied before it; the shots lost behind them go with
        // the FIFO at the re-preparation, so a FIFO that filled meanwhile lost none of the run's
        // shots.
        if (position == 0 && !readPass(error, stop)) {
            if (stop.load(std::memory_order_relaxed)) {
                return true;  // stopped by the technician before the pass came
            }
            if (!run_.line().failed()) {
                run_.failWhileReading(
                    runCardText(kLiveCaption, cardNumber_,
                                formatText("Satz %u ", s) + errorText("GetData", error)));
            }
            return false;
        }
        const std::vector<uint8_t>& data = pass_[position];
        std::copy(data.begin(), data.end(), run_.fetchBuffer().begin());
        run_.setDataLength(static_cast<uint32_t>(data.size()));
        if (batch_.lostBeforeLastShot() > 0) {
            run_.failWhileReading(
                runCardText(kLiveCaption, cardNumber_,
                            formatText("Satz %u FIFO-Überlauf nach Schuss %llu", s,
                                       static_cast<unsigned long long>(k + 1))));
            return false;
        }
        return show(k);
    }
    if (KARVO7SetParam(card_, s, &error) == 0) {
        run_.failWhileReading(formatText("Satz %u SetParam Error %X", s, error));
        return false;
    }
    if (!batch_.start(card_, 1, shotBytes_, shotsPerSecond_, error)) {
        run_.failWhileReading(formatText("Satz %u Start Error %X", s, error));
        return false;
    }
    const EngineBatch::State state = readBatch(
        batch_, run_.fetchBuffer(), [this](uint32_t length) { run_.setDataLength(length); }, stop);
    if (batch_.shots() == 0 && stop.load(std::memory_order_relaxed)) {
        return true;  // the technician stopped the run while the card had not delivered
    }
    if (state != EngineBatch::State::Done || batch_.shots() == 0) {
        error = batch_.error() != 0 ? batch_.error() : K7_ERROR_SEM_TIMEOUT;
        run_.failWhileReading(runCardText(kLiveCaption, cardNumber_,
                                          formatText("Satz %u ", s) + errorText("GetData", error)));
        return false;
    }
    if (batch_.lost() > 0) {
        run_.failWhileReading(runCardText(kLiveCaption, cardNumber_,
                                          formatText("Satz %u FIFO-Überlauf nach Schuss %llu", s,
                                                     static_cast<unsigned long long>(k + 1))));
        return false;
    }
    if (!f.kontinuierlich) {
        GateResults results{};
        if (KARVO7GetGates(card_, &results, &error) == 0) {
            run_.failWhileReading(formatText("Satz %u GetGates Error %X", s, error));
            return false;
        }
    }
    return show(k);
}

// Shot k, in the session's data buffer, to its set's display when it is due; then PrepAll at the
// end of a pass.
bool SetsRun::show(uint64_t k) {
    const MainWindowFields& f = run_.fields();
    const std::size_t position = static_cast<std::size_t>(k % cycle_.size());
    const uint32_t s = cycle_[position];
    const auto length = static_cast<uint32_t>(run_.data().size());
    if (f.anzeige && k % static_cast<uint64_t>(f.anzeigefaktor) == 0) {
        // Set s's window is window s - 1; set 0 and unknown identifications have none.
        const uint32_t shown = setOfShot(s, length);
        RunDisplays& displays = run_.displays();
        if (shown >= 1 && shown <= n_ && displays.wants(shown - 1)) {
            displays.offer(shown - 1,
                           rateInputs(run_, sets_[shown], run_.data().data(), length, k + 1));
        }
    }
    return !(f.prepAll && position + 1 == cycle_.size()) || reprepare();
}

void SetsRun::measure(RunPace& pace) {
    const MainWindowFields& f = run_.fields();
    // "Zyklen" passes over the sets, each pass one shot of every set the card measures.
    const uint64_t shots = uint64_t{f.zyklen} * cycle_.size();
    std::vector<const ParameterSet*> cycle;
    for (uint32_t s : cycle_) {
        shotBytes_ = std::max(shotBytes_, largestShotBytes(sets_[s]));
        cycle.push_back(&sets_[s]);
    }
    shotsPerSecond_ = shotRateOf(cycle);
    const std::optional<uint32_t> elapsed =
        throughEngine() ? readShotsThroughEngine(run_, pace, card_, kLiveCaption, cardNumber_,
                                                 shots, shotBytes_, shotsPerSecond_,
                                                 [this](uint64_t k) { return show(k); })
                        : readShots(run_, pace, card_, shots,
                                    [this](uint64_t k, const std::atomic<bool>& stop) {
                                        return shot(k, stop);
                                    });
    if (!elapsed) {
        return;
    }
    uint32_t samples = 0;
    for (uint32_t s = 1; s <= n_; ++s) {
        samples += records_[s].measure.Aufnahmelaenge;
    }
    run_.line().add(rateText(samples, f.zyklen, *elapsed));
}

bool SetsRun::run() {
    if (run_.fields().anzeige) {
        std::vector<std::string> titles;
        for (uint32_t s = 1; s <= n_; ++s) {
            titles.push_back(formatText("Karte %u Parametersatz %u", cardNumber_, s));
        }
        run_.displays().open(titles);
    }
    runLive(
        run_, cardNumber_, card_, kLiveCaption, [this](RunPace& pace) { return prepare(pace); },
        [this](RunPace& pace) { measure(pace); });
    uint32_t error = 0;
    KARVO7ClearFIFO(card_, &error);
    run_.appendLine(dataRateHead(run_));
    return !run_.line().failed();
}

}  // namespace

bool runDataRateSets(Session& session, RunWindows& windows) {
    RunContext run(session, windows, kCaption, 10);
    run.setOperatingVoltage();
    KARVO7HANDLE card = run.selectedCard();
    if (card == nullptr || run.selectedSet() == nullptr || !dataRateFieldsUsable(run)) {
        return false;
    }
    if (run.fields().parametersatz == 0) {
        run.appendResult("Parametersatz 0 unzulässig");
        return false;
    }
    for (uint32_t s = run.fields().kontinuierlich ? 0 : 1; s <= run.fields().parametersatz; ++s) {
        if (!shotsFitTheBuffer(run, kLiveCaption, run.fields().karte, s)) {
            run.appendLine(dataRateHead(run));
            return false;
        }
    }
    SetsRun sets(run, card);
    return sets.run();
}

}  // namespace k7check
