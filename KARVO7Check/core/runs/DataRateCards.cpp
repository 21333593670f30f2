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
bool ofRunSet(Session& session, const CardState& card, uint32_t setNumber) {
    if (session.virma4Mode()) {
        if (const std::optional<int16_t> kennung =
                recordKennung(card.buffer.data(), card.fetch->count())) {
            return setOfKennung(session, card.number, *kennung) == setNumber;
        }
    }
    const bool setZeroToo = session.fields().kontinuierlich && KARVO7IsVersion3(card.handle) != 0;
    return !setZeroToo || card.position % 2 == 0;
}

class CardsRun {
  public:
    CardsRun(Session& session, RunWindows& windows)
        : session_(session),
          desktop_(session.desktop()),
          setNumber_(session.fields().parametersatz),
          displays_(session, windows, 10) {}

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
        desktop_.messageBox(kCaption, text);
        line_.fail(text + " ");
        finishCard(i, card);
    }

    Session& session_;
    Desktop& desktop_;
    uint32_t setNumber_;
    std::vector<CardState> cards_;
    RunDisplays displays_;
    RunLine line_;
    bool stoppedByOperator_ = false;
};

bool CardsRun::prepareSetZeros() {
    for (CardState& card : cards_) {
        uint32_t error = 0;
        if (!prepareSetZero(session_, card.number, card.handle, error)) {
            line_.fail(formatText("Karte %u Parametersatz 0 Error %X", card.number, error));
            return false;
        }
        desktop_.sleep(200);
    }
    return true;
}

void CardsRun::prepare(CardState& card) {
    uint32_t error = 0;
    if (!prepareSet(card.handle, setNumber_, card.record, error)) {
        line_.fail(formatText("Karte %u PrepAll Error %X ", card.number, error));
        card.finished = true;
        return;
    }
    if (KARVO7IsVersion3(card.handle) != 0) {
        KARVO7SetExternalClock(card.handle, card.set.triggerExtern ? 1 : 0, &error);
        sendTriggerDelay(card.handle, setNumber_, card.set);
    }
    if (KARVO7SetMode(card.handle, session_.fields().dma ? 1 : 0, &error) == 0) {
        line_.fail(formatText("Karte %u SetMode Error %X ", card.number, error));
        card.finished = true;
    }
}

void CardsRun::start(CardState& card) {
    uint32_t error = 0;
    if (KARVO7IsVersion3(card.handle) != 0) {
        std::array<bool, kSetsPerCard> active{};
        active[setNumber_] = true;
        active[0] = active[0] || session_.fields().kontinuierlich;
        activateSets(card.handle, active, error);
    }
    // The run reads only its own shots: nothing left over from before, no overflow pending.
    stopAndClear(card.handle);
    if (KARVO7Start(card.handle, &error) == 0) {
        line_.fail(formatText("Karte %u Start Error %X ", card.number, error));
        card.finished = true;
        return;
    }
    if (!card.fetch->start(card.buffer, error)) {
        line_.fail(formatText("Karte %u StartGetData Error %X ", card.number, error));
        card.finished = true;
    }
}

void CardsRun::finishCard(std::size_t i, CardState& card) {
    uint32_t error = 0;
    card.fetch->cancel(error);
    KARVO7Stop(card.handle, &error);
    displays_.close(i);
    card.finished = true;
}

void CardsRun::onData(std::size_t i, CardState& card) {
    const MainWindowFields& f = session_.fields();
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
        displays_.due(i) && ofRunSet(session_, card, setNumber_)) {
        displays_.update(i, rateInputs(session_, setWithRecord(card.set, card.record),
                                       card.buffer.data(), card.fetch->count(), card.shots));
    }
    if (card.shots >= f.zyklen) {
        finishCard(i, card);
        return;
    }
    if (f.prepAll) {
        if (f.kontinuierlich) {
            desktop_.sleep(1);
            if (KARVO7Stop(card.handle, &error) == 0) {
                cardFailed(i, card,
                           formatText("Karte %u Stop vor PrepAll Error %X", card.number, error));
                return;
            }
            KARVO7ClearFIFO(card.handle, &error);
        }
        if (f.random) {
            session_.drawRandomRecord(card.record);
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
        desktop_.sleep(1);
    }
    return running;
}

bool CardsRun::run() {
    const uint32_t count = session_.fields().karte;
    const uint8_t startCode = session_.fields().kontinuierlich ? 3 : 1;
    const uint32_t timeOut = fetchTimeOutMs(session_.fields().timeOut);
    std::vector<std::string> titles;
    cards_.resize(count);
    for (uint32_t k = 1; k <= count; ++k) {
        CardState& card = cards_[k - 1];
        card.number = k;
        card.handle = session_.card(k);
        card.set = session_.parameterSets().set(k, setNumber_);
        card.record = cardRecordOf(card.set, startCode);
        card.buffer.assign(kDataBufferSize, 0);
        card.fetch = std::make_unique<CardFetch>(card.handle, desktop_, timeOut);
        titles.push_back(formatText("Karte %u Parametersatz %u", k, setNumber_));
    }
    if (session_.fields().anzeige) {
        displays_.open(titles);
    }
    // The stop window is up before the first card starts.
    RunPace pace(desktop_, kLiveCaption);
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
        const uint32_t begin = desktop_.tickCount();
        while (pass()) {
            if (pace.stopped()) {
                stoppedByOperator_ = true;
                line_.fail("Abbruch durch Bediener ");
                for (std::size_t i = 0; i < cards_.size(); ++i) {
                    if (!cards_[i].finished) {
                        finishCard(i, cards_[i]);
                    }
                }
            }
        }
        if (!line_.failed()) {
            line_.add(rateText(cards_.front().record.measure.Aufnahmelaenge,
                               session_.fields().zyklen, desktop_.tickCount() - begin));
        }
    }
    uint32_t error = 0;
    for (CardState& card : cards_) {
        card.fetch->cancel(error);
        stopAndClear(card.handle);
    }
    displays_.closeAll();
    std::string head = count == 1 ? "1 Kanal: " : formatText("%u Kanäle: ", count);
    head += "Datenrate ";
    if (session_.fields().prepAll) {
        head += "+ PrepAll ";
    }
    if (line_.failed()) {
        // A stopped run names itself and its cards like its other lines; a failure is its text.
        session_.appendResult(stoppedByOperator_ ? head + line_.text() : line_.text());
        return false;
    }
    session_.appendResult(head + line_.finished());
    return true;
}

}  // namespace

bool runDataRateCards(Session& session, RunWindows& windows) {
    session.setOperatingVoltage(true);
    if (session.selectedCard(kCaption) == nullptr || !dataRateFieldsUsable(session, kCaption)) {
        return false;
    }
    if (session.fields().parametersatz == 0) {
        session.appendResult("Parametersatz 0 unzulässig");
        return false;
    }
    if (session.selectedSet(kCaption) == nullptr) {
        return false;
    }
    CardsRun run(session, windows);
    return run.run();
}

}  // namespace k7check
