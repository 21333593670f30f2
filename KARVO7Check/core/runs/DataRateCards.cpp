#include <algorithm>

#include "Format.h"
#include "card/ShotSize.h"
#include "runs/DataRateCommon.h"
#include "runs/EngineBatch.h"
#include "runs/EngineReads.h"
#include "runs/ReadFailure.h"

namespace k7check {

namespace {

constexpr const char* kCaption = "Datenrate1N";
// The stop window names the run as its button does.
constexpr const char* kLiveCaption = "Karten 1..n Satz n";

// One card of the parallel run: its copy of the selected set, its buffer and the batch that
// reads its next shot.
struct CardState {
    uint32_t number = 0;
    KARVO7HANDLE handle = nullptr;
    ParameterSet set;
    CardRecord record;
    std::vector<uint8_t> buffer;
    std::unique_ptr<EngineBatch> batch = std::make_unique<EngineBatch>();
    uint32_t length = 0;  // bytes of the shot in the buffer
    uint64_t shots = 0;
    uint64_t position = 0;  // buffers since the card last started
    bool finished = false;
};

// Whether a free-running card measures set 0 between the run's shots.
bool measuresSetZeroToo(RunContext& run, const CardState& card) {
    return run.fields().kontinuierlich && KARVO7IsVersion3(card.handle) != 0;
}

// Whether a buffer of card `card` holds the data of the run's set: the record's identification
// decides in the record layout; in the native layout the card's order of its active sets does,
// set 0 first when a free-running card measures it too.
bool ofRunSet(RunContext& run, const CardState& card, uint32_t setNumber) {
    if (run.virma4Mode()) {
        if (const std::optional<int16_t> kennung = recordKennung(card.buffer.data(), card.length)) {
            return setOfKennung(run, card.number, *kennung) == setNumber;
        }
    }
    return !measuresSetZeroToo(run, card) || card.position % 2 == 0;
}

class CardsRun {
  public:
    explicit CardsRun(RunContext& run) : run_(run), setNumber_(run.fields().parametersatz) {}

    bool run();

  private:
    bool cardsThere();
    bool shotsFit();
    bool prepareSetZeros();
    void prepare(CardState& card);
    void activate(CardState& card);
    void start(CardState& card);
    // The card's next shot, a batch of its own; false (the card failed) when it did not start.
    bool startBatch(std::size_t i, CardState& card, const char* what);
    std::optional<uint32_t> readThroughFetches(RunPace& pace);
    bool pass();
    void onData(std::size_t i, CardState& card);
    void show(std::size_t i, CardState& card);
    // A continuous run without PrepAll reads every card through an acquisition engine of its own.
    bool throughEngines() const { return run_.fields().kontinuierlich && !run_.fields().prepAll; }
    std::optional<uint32_t> readThroughEngines(RunPace& pace);
    bool startEngine(CardState& card, CardEngine& engine);
    void finishCard(std::size_t i, CardState& card);
    // A failure of one card: shown, written into the line, and the card is finished.
    void cardFailed(std::size_t i, CardState& card, const std::string& text) {
        run_.desktop().messageBox(kCaption, text);
        run_.line().fail(text + " ");
        finishCard(i, card);
    }

    RunContext& run_;
    uint32_t setNumber_;
    std::vector<CardState> cards_;
};

// Every card of the run has a handle before any is touched: a card another program holds is
// named as such, and the run ends.
bool CardsRun::cardsThere() {
    for (CardState& card : cards_) {
        card.handle = run_.claimCard(card.number);
        if (card.handle != nullptr) {
            continue;
        }
        const MissingCard* missing = run_.missingCard(card.number);
        run_.line().fail(runCardText(kLiveCaption, card.number,
                                     missing != nullptr ? missingCardReason(*missing)
                                                        : std::string("nicht geöffnet")) +
                         " ");
        return false;
    }
    return true;
}

bool CardsRun::shotsFit() {
    for (const CardState& card : cards_) {
        if (!shotsFitTheBuffer(run_, kLiveCaption, card.number, setNumber_) ||
            (measuresSetZeroToo(run_, card) &&
             !shotsFitTheBuffer(run_, kLiveCaption, card.number, 0))) {
            return false;
        }
    }
    return true;
}

bool CardsRun::prepareSetZeros() {
    for (CardState& card : cards_) {
        uint32_t error = 0;
        if (!prepareSetZero(run_, card.number, card.handle, error)) {
            run_.line().fail(
                runCardText(kLiveCaption, card.number, errorText("Parametersatz 0", error)) + " ");
            return false;
        }
        run_.desktop().sleep(200);
    }
    return true;
}

void CardsRun::prepare(CardState& card) {
    const HandOver handed = handSetToCard(card.handle, setNumber_, card.record);
    if (!handed.prepared()) {
        run_.line().fail(
            runCardText(kLiveCaption, card.number, errorText("PrepAll", handed.error)) + " ");
        card.finished = true;
        return;
    }
    uint32_t error = 0;
    if (KARVO7SetMode(card.handle, run_.fields().dma ? 1 : 0, &error) == 0) {
        run_.line().fail(runCardText(kLiveCaption, card.number, errorText("SetMode", error)) + " ");
        card.finished = true;
    }
}

void CardsRun::activate(CardState& card) {
    uint32_t error = 0;
    if (KARVO7IsVersion3(card.handle) != 0) {
        std::array<bool, kSetsPerCard> active{};
        active[setNumber_] = true;
        active[0] = active[0] || run_.fields().kontinuierlich;
        activateSets(card.handle, active, error);
    }
}

void CardsRun::start(CardState& card) {
    uint32_t error = 0;
    activate(card);
    // The run reads only its own shots: nothing left over from before, no overflow pending.
    stopAndEmpty(card.handle, error);
    if (!card.batch->start(card.handle, 1, largestShotBytes(card.set), shotRateOf(card.set),
                           error)) {
        run_.line().fail(runCardText(kLiveCaption, card.number, errorText("Start", error)) + " ");
        card.finished = true;
    }
}

bool CardsRun::startBatch(std::size_t i, CardState& card, const char* what) {
    uint32_t error = 0;
    if (!card.batch->start(card.handle, 1, largestShotBytes(card.set), shotRateOf(card.set),
                           error)) {
        cardFailed(i, card, runCardText(kLiveCaption, card.number, errorText(what, error)));
        return false;
    }
    return true;
}

void CardsRun::finishCard(std::size_t i, CardState& card) {
    // The batch stops the card and empties its FIFO.
    card.batch->stop();
    run_.displays().close(i);
    card.finished = true;
}

void CardsRun::show(std::size_t i, CardState& card) {
    const MainWindowFields& f = run_.fields();
    if (f.anzeige && (card.shots - 1) % static_cast<uint64_t>(f.anzeigefaktor) == 0 &&
        run_.displays().due(i) && ofRunSet(run_, card, setNumber_)) {
        run_.displays().update(
            i, rateInputs(run_, card.set, card.buffer.data(), card.length, card.shots));
    }
}

void CardsRun::onData(std::size_t i, CardState& card) {
    const MainWindowFields& f = run_.fields();
    ++card.shots;
    ++card.position;
    // With "PrepAll" a free-running card is read for the first shot after each start, from a
    // FIFO emptied before it; the shots lost behind it go with the FIFO at the re-preparation,
    // so a FIFO that filled meanwhile lost none of the run's shots.
    const uint64_t lost =
        f.kontinuierlich && f.prepAll ? card.batch->lostBeforeLastShot() : card.batch->lost();
    if (lost > 0) {
        cardFailed(i, card,
                   runCardText(kLiveCaption, card.number,
                               formatText("FIFO-Überlauf nach Schuss %llu",
                                          static_cast<unsigned long long>(card.shots))));
        return;
    }
    uint32_t error = 0;
    if (!f.kontinuierlich) {
        GateResults results{};
        if (KARVO7GetGates(card.handle, &results, &error) == 0) {
            cardFailed(i, card,
                       runCardText(kLiveCaption, card.number, errorText("GetGates", error)));
            return;
        }
    }
    show(i, card);
    if (card.shots >= f.zyklen) {
        finishCard(i, card);
        return;
    }
    if (f.prepAll) {
        // The batch left the card stopped with an empty FIFO.
        if (f.random) {
            run_.drawRandom(card.set, card.record);
        }
        if (!prepareSet(card.handle, setNumber_, card.record, error)) {
            cardFailed(i, card,
                       runCardText(kLiveCaption, card.number, errorText("PrepAll", error)));
            return;
        }
        card.position = 0;
    }
    startBatch(i, card, f.kontinuierlich ? "Start nach PrepAll" : "Start");
}

// Every card started in turn and its shots fetched one at a time, in passes over the cards.
std::optional<uint32_t> CardsRun::readThroughFetches(RunPace& pace) {
    for (CardState& card : cards_) {
        if (!card.finished) {
            start(card);
        }
    }
    const uint32_t begin = run_.desktop().tickCount();
    while (pass()) {
        if (pace.stopped()) {
            run_.stopByOperator();
            for (std::size_t i = 0; i < cards_.size(); ++i) {
                if (!cards_[i].finished) {
                    finishCard(i, cards_[i]);
                }
            }
        }
    }
    return run_.desktop().tickCount() - begin;
}

bool CardsRun::startEngine(CardState& card, CardEngine& engine) {
    activate(card);
    std::vector<const ParameterSet*> sets{&card.set};
    uint32_t shotBytes = largestShotBytes(card.set);
    if (measuresSetZeroToo(run_, card)) {
        const ParameterSet& zero = run_.set(card.number, 0);
        sets.insert(sets.begin(), &zero);
        shotBytes = std::max(shotBytes, largestShotBytes(zero));
    }
    return engine.start(card.handle, run_.fields().zyklen, shotBytes, shotRateOf(sets),
                        static_cast<uint32_t>(cards_.size()));
}

// Every card's engine reads on a thread of its own, all cards at once; the run's thread takes
// their shots in turn between serving the desktop. A card that lost shots or failed ends alone;
// its failure is shown once all cards ended, so that no message holds up the others' reads.
std::optional<uint32_t> CardsRun::readThroughEngines(RunPace& pace) {
    std::vector<std::unique_ptr<CardEngine>> engines;
    for (CardState& card : cards_) {
        engines.push_back(std::make_unique<CardEngine>(run_, kLiveCaption, card.number));
        card.finished = card.finished || !startEngine(card, *engines.back());
    }
    const uint32_t begin = run_.desktop().tickCount();
    bool stopped = false;
    bool running = true;
    while (running) {
        run_.desktop().sleep(kEnginePauseMs);
        if (!stopped && pace.stopped()) {
            stopped = true;
            run_.stopByOperator();
            for (const std::unique_ptr<CardEngine>& engine : engines) {
                engine->stop();
            }
        }
        running = false;
        for (std::size_t i = 0; i < cards_.size(); ++i) {
            CardState& card = cards_[i];
            engines[i]->take(card.buffer, [&](uint64_t, uint32_t length) {
                card.length = length;
                ++card.shots;
                ++card.position;
                show(i, card);
                return true;
            });
            running = running || !engines[i]->ended();
        }
    }
    uint32_t lastTick = begin;
    for (const std::unique_ptr<CardEngine>& engine : engines) {
        if (!engine->message().empty()) {
            run_.desktop().messageBox(kCaption, engine->message());
        }
        lastTick = std::max(lastTick, engine->lastTick());
    }
    return lastTick - begin;
}

// One pass over the cards; true while a card is still running.
bool CardsRun::pass() {
    bool running = false;
    bool arrived = false;
    for (std::size_t i = 0; i < cards_.size(); ++i) {
        CardState& card = cards_[i];
        if (card.finished) {
            continue;
        }
        running = true;
        const EngineBatch::State state = card.batch->take(
            card.buffer, [&card](uint32_t length) { card.length = length; }, 0);
        if (state == EngineBatch::State::Done) {
            arrived = true;
            onData(i, card);
        } else if (state == EngineBatch::State::Failed) {
            // A card that delivered nothing fails at the driver's data time-out, which ends the
            // engine's read: no deadline here races the engine that still stops the card.
            cardFailed(i, card,
                       runCardText(kLiveCaption, card.number,
                                   errorText("IsReadyGetData", card.batch->error())));
        }
    }
    if (running && !arrived) {
        run_.desktop().sleep(1);
    }
    return running;
}

bool CardsRun::run() {
    const uint32_t count = run_.fields().karte;
    const uint8_t startCode = run_.fields().kontinuierlich ? 3 : 1;
    std::vector<std::string> titles;
    cards_.resize(count);
    for (uint32_t k = 1; k <= count; ++k) {
        CardState& card = cards_[k - 1];
        card.number = k;
        card.set = run_.set(k, setNumber_);
        card.record = cardRecordOf(card.set, startCode);
        card.buffer.assign(kDataBufferSize, 0);
        titles.push_back(formatText("Karte %u Parametersatz %u", k, setNumber_));
    }
    const bool there = cardsThere();
    const bool fit = there && shotsFit();
    if (fit && run_.fields().anzeige) {
        run_.displays().open(titles);
    }
    // The stop window is up before the first card starts.
    RunPace pace(run_.desktop(), kLiveCaption);
    if (fit && prepareSetZeros()) {
        for (CardState& card : cards_) {
            prepare(card);
        }
        pace.begin();
        const std::optional<uint32_t> elapsed =
            throughEngines() ? readThroughEngines(pace) : readThroughFetches(pace);
        if (elapsed && !run_.line().failed()) {
            run_.line().add(rateText(cards_.front().record.measure.Aufnahmelaenge,
                                     run_.fields().zyklen, *elapsed));
        }
    }
    uint32_t error = 0;
    for (CardState& card : cards_) {
        if (card.handle != nullptr) {
            card.batch.reset();
            stopAndEmpty(card.handle, error);
        }
    }
    run_.displays().closeAll();
    std::string head = count == 1 ? "1 Kanal: " : formatText("%u Kanäle: ", count);
    head += "Datenrate ";
    if (run_.fields().prepAll) {
        head += "+ PrepAll ";
    }
    run_.appendLine(head);
    return !run_.line().failed();
}

}  // namespace

bool runDataRateCards(Session& session, RunWindows& windows) {
    RunContext run(session, windows, kCaption, 10);
    run.setOperatingVoltage();
    if (run.selectedCard() == nullptr || !dataRateFieldsUsable(run)) {
        return false;
    }
    if (run.fields().parametersatz == 0) {
        run.appendResult("Parametersatz 0 unzulässig");
        return false;
    }
    if (run.selectedSet() == nullptr) {
        return false;
    }
    CardsRun cards(run);
    return cards.run();
}

}  // namespace k7check
