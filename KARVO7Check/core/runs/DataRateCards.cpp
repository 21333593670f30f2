#include "Format.h"
#include "runs/CardFetch.h"
#include "runs/DataRateCommon.h"

namespace k7check {

namespace {

constexpr const char* kCaption = "Datenrate1N";
// The stop window names the run as its button does.
constexpr const char* kLiveCaption = "Karten 1..n Satz n";

// One card of the parallel run: its copy of the selected set, its buffer and its fetch.
struct CardState {
    uint32_t number = 0;
    KARVO7HANDLE handle = nullptr;
    ParameterSet set;
    CardRecord record;
    std::vector<uint8_t> buffer;
    std::unique_ptr<CardFetch> fetch;
    uint64_t shots = 0;
    uint64_t position = 0;  // buffers since the card last started
    bool finished = false;
};

// Whether a buffer of card `card` holds the data of the run's set: the record's identification
// decides in the record layout; in the native layout the card's order of its active sets does,
// set 0 first when a free-running card measures it too.
bool ofRunSet(RunContext& run, const CardState& card, uint32_t setNumber) {
    if (run.virma4Mode()) {
        if (const std::optional<int16_t> kennung =
                recordKennung(card.buffer.data(), card.fetch->count())) {
            return setOfKennung(run, card.number, *kennung) == setNumber;
        }
    }
    const bool setZeroToo = run.fields().kontinuierlich && KARVO7IsVersion3(card.handle) != 0;
    return !setZeroToo || card.position % 2 == 0;
}

class CardsRun {
  public:
    explicit CardsRun(RunContext& run) : run_(run), setNumber_(run.fields().parametersatz) {}

    bool run();

  private:
    bool prepareSetZeros();
    void prepare(CardState& card);
    void start(CardState& card);
    bool pass();
    void onData(std::size_t i, CardState& card);
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

bool CardsRun::prepareSetZeros() {
    for (CardState& card : cards_) {
        uint32_t error = 0;
        if (!prepareSetZero(run_, card.number, card.handle, error)) {
            run_.line().fail(formatText("Karte %u Parametersatz 0 Error %X", card.number, error));
            return false;
        }
        run_.desktop().sleep(200);
    }
    return true;
}

void CardsRun::prepare(CardState& card) {
    uint32_t error = 0;
    if (!prepareSet(card.handle, setNumber_, card.record, error)) {
        run_.line().fail(formatText("Karte %u PrepAll Error %X ", card.number, error));
        card.finished = true;
        return;
    }
    if (KARVO7IsVersion3(card.handle) != 0) {
        KARVO7SetExternalClock(card.handle, card.set.triggerExtern ? 1 : 0, &error);
        sendTriggerDelay(card.handle, setNumber_, card.set);
    }
    if (KARVO7SetMode(card.handle, run_.fields().dma ? 1 : 0, &error) == 0) {
        run_.line().fail(formatText("Karte %u SetMode Error %X ", card.number, error));
        card.finished = true;
    }
}

void CardsRun::start(CardState& card) {
    uint32_t error = 0;
    if (KARVO7IsVersion3(card.handle) != 0) {
        std::array<bool, kSetsPerCard> active{};
        active[setNumber_] = true;
        active[0] = active[0] || run_.fields().kontinuierlich;
        activateSets(card.handle, active, error);
    }
    // The run reads only its own shots: nothing left over from before, no overflow pending.
    stopAndClear(card.handle);
    if (KARVO7Start(card.handle, &error) == 0) {
        run_.line().fail(formatText("Karte %u Start Error %X ", card.number, error));
        card.finished = true;
        return;
    }
    if (!card.fetch->start(card.buffer, error)) {
        run_.line().fail(formatText("Karte %u StartGetData Error %X ", card.number, error));
        card.finished = true;
    }
}

void CardsRun::finishCard(std::size_t i, CardState& card) {
    uint32_t error = 0;
    card.fetch->cancel(error);
    KARVO7Stop(card.handle, &error);
    run_.displays().close(i);
    card.finished = true;
}

void CardsRun::onData(std::size_t i, CardState& card) {
    const MainWindowFields& f = run_.fields();
    ++card.shots;
    ++card.position;
    uint32_t error = 0;
    if (!f.kontinuierlich) {
        GateResults results{};
        if (KARVO7GetGates(card.handle, &results, &error) == 0) {
            cardFailed(i, card, formatText("Karte %u GetGates Error %X", card.number, error));
            return;
        }
    }
    if (f.anzeige && (card.shots - 1) % static_cast<uint64_t>(f.anzeigefaktor) == 0 &&
        run_.displays().due(i) && ofRunSet(run_, card, setNumber_)) {
        run_.displays().update(
            i, rateInputs(run_, card.set, card.buffer.data(), card.fetch->count(), card.shots));
    }
    if (card.shots >= f.zyklen) {
        finishCard(i, card);
        return;
    }
    if (f.prepAll) {
        if (f.kontinuierlich) {
            run_.desktop().sleep(1);
            if (KARVO7Stop(card.handle, &error) == 0) {
                cardFailed(i, card,
                           formatText("Karte %u Stop vor PrepAll Error %X", card.number, error));
                return;
            }
            KARVO7ClearFIFO(card.handle, &error);
        }
        if (f.random) {
            run_.drawRandom(card.set, card.record);
        }
        if (!prepareSet(card.handle, setNumber_, card.record, error)) {
            cardFailed(i, card, formatText("Karte %u PrepAll Error %X", card.number, error));
            return;
        }
        if (f.kontinuierlich && KARVO7Start(card.handle, &error) == 0) {
            cardFailed(i, card,
                       formatText("Karte %u Start nach PrepAll Error %X", card.number, error));
            return;
        }
        card.position = 0;
    }
    if (!f.kontinuierlich && KARVO7Start(card.handle, &error) == 0) {
        cardFailed(i, card, formatText("Karte %u Start Error %X", card.number, error));
        return;
    }
    if (!card.fetch->start(card.buffer, error)) {
        cardFailed(i, card, formatText("Karte %u GetData Error %X", card.number, error));
    }
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
        uint32_t error = 0;
        const int state = card.fetch->poll(error);
        if (state == 0) {
            arrived = true;
            onData(i, card);
        } else if (state != -3) {
            cardFailed(i, card, formatText("Karte %u IsReadyGetData Error %X", card.number, error));
        } else if (card.fetch->expired()) {
            cardFailed(i, card,
                       formatText("Karte %u IsReadyGetData Error %X", card.number,
                                  static_cast<uint32_t>(K7_ERROR_SEM_TIMEOUT)));
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
    const uint32_t timeOut = fetchTimeOutMs(run_.fields().timeOut);
    std::vector<std::string> titles;
    cards_.resize(count);
    for (uint32_t k = 1; k <= count; ++k) {
        CardState& card = cards_[k - 1];
        card.number = k;
        card.handle = run_.card(k);
        card.set = run_.set(k, setNumber_);
        card.record = cardRecordOf(card.set, startCode);
        card.buffer.assign(kDataBufferSize, 0);
        card.fetch = std::make_unique<CardFetch>(card.handle, run_.desktop(), timeOut);
        titles.push_back(formatText("Karte %u Parametersatz %u", k, setNumber_));
    }
    if (run_.fields().anzeige) {
        run_.displays().open(titles);
    }
    // The stop window is up before the first card starts.
    RunPace pace(run_.desktop(), kLiveCaption);
    if (prepareSetZeros()) {
        for (CardState& card : cards_) {
            prepare(card);
        }
        pace.begin();
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
        if (!run_.line().failed()) {
            run_.line().add(rateText(cards_.front().record.measure.Aufnahmelaenge,
                                     run_.fields().zyklen, run_.desktop().tickCount() - begin));
        }
    }
    uint32_t error = 0;
    for (CardState& card : cards_) {
        card.fetch->cancel(error);
        stopAndClear(card.handle);
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
