// The measurement runs on simulated cards in virtual time: single shot, block measurement with
// its gate check, the data-rate runs, random parameter sets and the tiling of their displays.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

#include "SimFixture.h"
#include "app/Session.h"
#include "card/SetToCard.h"
#include "card/ShotSize.h"
#include "desktop/scripted/ScriptedDesktop.h"
#include "paramfile/ParameterKeys.h"
#include "runs/DataRateCommon.h"
#include "runs/DataRateRuns.h"
#include "runs/GateCheck.h"
#include "runs/MeasurementRuns.h"
#include "runs/RandomSet.h"
#include "runs/ReadLoop.h"
#include "stream/ResultWalkers.h"

using namespace k7check;

namespace {

// What a live display was handed: the buffer's length and, in the record layout, the
// identification of its record.
struct Shown {
    uint32_t length = 0;
    std::optional<int16_t> kennung;
};

// Windows of a run that only record what they were asked to show.
class RecordingWindows : public RunWindows {
  public:
    struct Display : LiveDisplay {
        Display(RecordingWindows& owner, std::string title)
            : owner_(owner), title_(std::move(title)) {}
        void show(const MeasuredDataInputs& inputs) override {
            ++owner_.liveShows;
            owner_.lastLength = inputs.length;
            Shown shown{inputs.length, std::nullopt};
            if (inputs.recordLayout) {
                if (auto header = stream::readHeader({inputs.data, inputs.length})) {
                    shown.kennung = header->kennung;
                }
            }
            owner_.shown[title_].push_back(shown);
            if (owner_.onShow) {
                owner_.onShow();
            }
        }
        void place(const Rect& where) override { owner_.placed.push_back(where); }
        RecordingWindows& owner_;
        std::string title_;
    };

    bool editSet(Session&, uint32_t, uint32_t, ParameterSet& set) override {
        ++edits;
        edited = set;
        return editorShoots;
    }
    bool selectSets(Session&, std::array<bool, kSetsPerCard>&) override { return true; }
    void showData(Session&, const MeasuredDataInputs& inputs) override {
        ++modalShows;
        lastLength = inputs.length;
        lastGates = inputs.gateResults.has_value();
    }
    void showGateValues(Session&, const uint8_t* data, uint32_t length) override {
        ++gateValueShows;
        lastGateLength = length;
        lastGateData.assign(data, data + length);
    }
    std::unique_ptr<LiveDisplay> openDisplay(Session&, const std::string& title) override {
        titles.push_back(title);
        return std::make_unique<Display>(*this, title);
    }

    bool editorShoots = true;
    int edits = 0;
    ParameterSet edited;
    int modalShows = 0;
    int liveShows = 0;
    int gateValueShows = 0;
    uint32_t lastLength = 0;
    uint32_t lastGateLength = 0;
    std::vector<uint8_t> lastGateData;
    bool lastGates = false;
    std::vector<std::string> titles;
    std::vector<Rect> placed;
    std::map<std::string, std::vector<Shown>> shown;  // by window title
    std::function<void()> onShow;                     // while a live display paints
};

// A scripted desktop whose clock can also jump by `tickStepMs` each time a run reads it, until
// `tickUntilMs`: a card then measures far faster than the run reads. (The run's own pauses move
// the clock on as well, one millisecond at a time, while its reading thread reads.)
class RunDesktop : public ScriptedDesktop {
  public:
    uint32_t tickCount() override {
        if (tickStepMs > 0 && sim != nullptr && now() < tickUntilMs) {
            advance(tickStepMs);
            sim->service();
        }
        return ScriptedDesktop::tickCount();
    }
    k7sim::Simulator* sim = nullptr;
    uint32_t tickStepMs = 0;
    uint32_t tickUntilMs = UINT32_MAX;
};

class Runs : public ::testing::Test {
  protected:
    void start(uint32_t cards = 1) {
        sim = std::make_unique<k7sim::Simulator>(simtest::testConfig(cards));
        ASSERT_TRUE(sim->install());
        desktop.sim = sim.get();
        desktop.onSleep([this] { sim->service(); });
        session = std::make_unique<Session>(desktop);
        ASSERT_TRUE(session->startUp());
        session->selectCard(1);
        session->selectSet(1);
        session->settings().anzeige = false;
        session->settings().zyklen = 20;
    }
    void TearDown() override {
        session.reset();
        sim.reset();
    }
    const std::string& lastLine() { return session->fields().resultLines.back(); }
    bool fifoEmpty(uint32_t card) {
        uint32_t flag = 1;
        uint32_t error = 0;
        KARVO7IsDataInFIFO(session->card(card), &flag, &error);
        return flag == 0;
    }
    // Sets 0..7 of a card with a recording length of their own (16 samples per set number
    // and one), so that a buffer tells its set by its length in either layout, and a pulse
    // repetition of 100 Hz: while a run's reading thread reads, the run's pauses move the
    // virtual clock on, and the FIFO holds thousands of such shots.
    void distinctSets(uint32_t card) {
        for (uint32_t s = 0; s < kSetsPerCard; ++s) {
            ParameterSet& set = *session->editableSet(card, s);
            set.aufnahmelaenge = static_cast<uint16_t>(16 * (s + 1));
            set.iff = 100;
        }
    }
    // Shots of 4000 samples for set `set` of card `card` (about 16 fit the FIFO), and the clock
    // jumping a second at a time for the next two seconds: the card runs far ahead of its reader.
    void runAhead(uint32_t card, uint32_t set) {
        session->editableSet(card, set)->aufnahmelaenge = 4000;
        desktop.tickStepMs = 1000;
        desktop.tickUntilMs = desktop.now() + 2000;
    }
    // Checks that every window titled "Karte k Parametersatz s" was shown data, and only data
    // of set s of card k: the record's identification in the record layout, the set's length
    // (16-bit samples) in the native layout.
    void expectWindowsShowTheirSets(bool recordLayout) {
        ASSERT_FALSE(windows.titles.empty());
        for (const std::string& title : windows.titles) {
            uint32_t k = 0;
            uint32_t s = 0;
            ASSERT_EQ(std::sscanf(title.c_str(), "Karte %u Parametersatz %u", &k, &s), 2) << title;
            const std::vector<Shown>& seen = windows.shown[title];
            EXPECT_FALSE(seen.empty()) << title;
            for (const Shown& shown : seen) {
                if (recordLayout) {
                    ASSERT_TRUE(shown.kennung.has_value()) << title;
                    EXPECT_EQ(*shown.kennung, session->virma4Id(k, s)) << title;
                } else {
                    EXPECT_EQ(shown.length, 2u * session->parameterSets().set(k, s).aufnahmelaenge)
                        << title;
                }
            }
        }
    }

    RunDesktop desktop;
    std::unique_ptr<k7sim::Simulator> sim;
    std::unique_ptr<Session> session;
    RecordingWindows windows;
};

TEST_F(Runs, ASingleShotIsShownAndListed) {
    start();
    EXPECT_TRUE(runSingleShot(*session, true, windows));
    EXPECT_EQ(lastLine(), "Einzelmessung Kanal 1: OK");
    EXPECT_EQ(windows.modalShows, 1);
    EXPECT_GT(windows.lastLength, 0u);
    EXPECT_TRUE(windows.lastGates);
    EXPECT_EQ(windows.edits, 0);  // automatic: no editor
}

TEST_F(Runs, ASingleShotWithStartFourFetchesNothing) {
    start();
    session->editableSet(1, 1)->start = 4;
    EXPECT_TRUE(runSingleShot(*session, true, windows));
    EXPECT_EQ(lastLine(), "Einzelmessung Kanal 1: OK");
    EXPECT_EQ(windows.modalShows, 0);
}

TEST_F(Runs, ASingleShotShowsItsOwnDataOrFails) {
    start();
    KARVO7HANDLE card = session->card(1);
    ParameterSet& set = *session->editableSet(1, 1);
    // A shot larger than the data buffer is refused before the set reaches the card.
    set.aufnahmelaenge = 65535;
    EXPECT_FALSE(runSingleShot(*session, true, windows));
    EXPECT_EQ(lastLine(),
              "Einzelmessung Kanal 1: Aufnahme 65535 zu lang: Schuss 131076 Bytes, "
              "Datenpuffer 131072 Bytes");
    EXPECT_EQ(windows.modalShows, 0);
    EXPECT_TRUE(fifoEmpty(1));

    // A shot nobody fetched is still in the FIFO: the next shot shows its own data.
    uint32_t error = 0;
    set.aufnahmelaenge = 100;
    ASSERT_TRUE(handSetToCard(card, 1, set, error));
    ASSERT_TRUE(KARVO7Start(card, &error));
    ASSERT_FALSE(fifoEmpty(1));
    set.aufnahmelaenge = 1600;
    EXPECT_TRUE(runSingleShot(*session, true, windows)) << lastLine();
    EXPECT_EQ(lastLine(), "Einzelmessung Kanal 1: OK");
    EXPECT_EQ(windows.lastLength, 6u + 2u * 1600u);
    EXPECT_TRUE(fifoEmpty(1));
}

TEST_F(Runs, TheShotSizeOfASetIsWhatTheCardDelivers) {
    start();
    KARVO7HANDLE card = session->card(1);
    ParameterSet& set = *session->editableSet(1, 1);
    set.aufnahmelaenge = 1001;
    for (const bool recordLayout : {true, false}) {
        uint32_t error = 0;
        ASSERT_TRUE(KARVO7SetVIRMA4(card, 1, recordLayout ? session->virma4Id(1, 1) : 0, &error));
        session->setVirma4Mode(recordLayout);
        for (const bool bit8 : {false, true}) {
            for (const uint8_t faktor : {uint8_t{0}, uint8_t{1}, uint8_t{3}}) {
                SCOPED_TRACE(testing::Message() << "record " << recordLayout << " 8Bit " << bit8
                                                << " Faktor " << int{faktor});
                set.bit8 = bit8;
                set.ascan = faktor != 0;
                set.faktor = faktor;
                EXPECT_TRUE(runSingleShot(*session, true, windows)) << lastLine();
                EXPECT_EQ(windows.lastLength, shotBytes(set, recordLayout));
            }
        }
    }
}

TEST_F(Runs, ABlockAfterSingleShotsReadsOnlyItsOwnResults) {
    start();
    session->setActive(1, 1, true);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(runSingleShot(*session, true, windows)) << lastLine();
    }
    // The shots left no gate results behind.
    std::vector<uint8_t> results(kDataBufferSize);
    uint32_t count = kDataBufferSize;
    uint32_t error = 0;
    ASSERT_TRUE(KARVO7GetResults(session->card(1), 0, &count, results.data(), &error));
    EXPECT_EQ(count, 0u);

    // Nobody asks for an A-scan: the block ends after its first cycle and shows its results.
    EXPECT_TRUE(runBlockMeasurement(*session, true, windows)) << lastLine();
    stream::RecordResultWalker walker(windows.lastGateData);
    stream::ResultItem item;
    int records = 0;
    while (walker.next(item) && item.kind == stream::ResultItem::Kind::Record) {
        ++records;
        EXPECT_EQ(item.record.kennung, session->virma4Id(1, 1));
    }
    EXPECT_EQ(records, 1);  // set 1's record of the first cycle, then "Ende Prüfzyklus"
    EXPECT_EQ(item.control, stream::ControlWord::EndePruefzyklus);
}

TEST_F(Runs, TheEditorDecidesWhetherTheShotIsTaken) {
    start();
    windows.editorShoots = false;
    EXPECT_TRUE(runSingleShot(*session, false, windows));
    EXPECT_EQ(windows.edits, 1);
    EXPECT_TRUE(session->fields().resultLines.empty());
}

TEST_F(Runs, AFailedPreparationIsTheLineAndNoOk) {
    start();
    session->editableSet(1, 1)->average = 9;  // the library refuses it
    EXPECT_FALSE(runSingleShot(*session, true, windows));
    EXPECT_EQ(lastLine(), "Einzelmessung Kanal 1: PrepAll Error 90050000 (Average über 7)");
}

TEST_F(Runs, BlockMeasurementOnSetZeroOrAnOlderCardDoesNothing) {
    start();
    session->selectSet(0);
    EXPECT_TRUE(runBlockMeasurement(*session, true, windows));
    EXPECT_TRUE(session->fields().resultLines.empty());
}

TEST_F(Runs, ABlockWithoutActiveSetIsRefused) {
    start();
    EXPECT_TRUE(runBlockMeasurement(*session, true, windows));
    EXPECT_TRUE(session->fields().resultLines.empty());
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Blockmessung: Kein Parametersatz aktiv!"});
}

TEST_F(Runs, AContinuousBlockWorksOnlyInCyclesOfTheDisplayFactor) {
    start();
    session->setActive(1, 1, true);
    session->settings().kontinuierlich = true;
    session->settings().anzeige = true;
    session->settings().anzeigefaktor = 3;
    session->settings().zyklen = 10;
    EXPECT_TRUE(runBlockMeasurement(*session, true, windows)) << lastLine();
    EXPECT_EQ(windows.liveShows, 4);  // cycles 0, 3, 6 and 9
    EXPECT_EQ(windows.titles, std::vector<std::string>{"Anzeige Meßdaten"});
    EXPECT_EQ(lastLine().rfind("Blockmessung Kanal 1: ", 0), 0u);
    EXPECT_EQ(lastLine().substr(lastLine().size() - 2), "OK");
}

TEST_F(Runs, AContinuousBlockWhoseResultsFetchFailedSaysSoAndFails) {
    start();
    session->setActive(1, 1, true);
    session->settings().kontinuierlich = true;
    session->settings().zyklen = 10;
    k7sim::Fault fault;
    fault.kind = k7sim::Fault::Kind::Command;
    fault.code = 0x7C01;  // the results command
    fault.word = 0xE7100001u;
    fault.always = false;
    sim->addFault(1, fault);
    EXPECT_FALSE(runBlockMeasurement(*session, true, windows));
    EXPECT_NE(lastLine().find("Blockmessung, Karte 1: GetResults Error E7100001"),
              std::string::npos)
        << lastLine();
    EXPECT_EQ(lastLine().find("OK"), std::string::npos) << lastLine();
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Blockmessung Blenden: GetResults Error E7100001"});
}

TEST_F(Runs, PrepAllReprepatesEverySecondWorkingCycle) {
    start();
    session->setActive(1, 1, true);
    session->settings().kontinuierlich = true;
    session->settings().anzeige = true;
    session->settings().prepAll = true;
    session->settings().zyklen = 6;
    EXPECT_TRUE(runBlockMeasurement(*session, true, windows)) << lastLine();
    // Cycles 1, 3 and 5 re-prepare instead of showing.
    EXPECT_EQ(windows.liveShows, 3);
}

TEST_F(Runs, TheTechnicianCanStopAContinuousBlock) {
    start();
    session->setActive(1, 1, true);
    session->settings().kontinuierlich = true;
    session->settings().zyklen = 100000;
    desktop.stopLiveWorkAt(5);
    EXPECT_FALSE(runBlockMeasurement(*session, true, windows));
    EXPECT_NE(lastLine().find("Abbruch durch Bediener"), std::string::npos) << lastLine();
    EXPECT_EQ(lastLine().find("OK"), std::string::npos);
    // A stopped block opens no "Blendenwerte".
    EXPECT_EQ(windows.gateValueShows, 0);
    uint32_t flag = 1;
    uint32_t error = 0;
    KARVO7IsDataInFIFO(session->card(1), &flag, &error);
    EXPECT_EQ(flag, 0u);
}

TEST_F(Runs, AContinuousBlockWhoseCardRanAheadNamesTheRunTheCardAndTheLoss) {
    start();
    session->setActive(1, 1, true);
    session->settings().kontinuierlich = true;
    session->settings().anzeige = true;
    // At the run's twentieth pause the card measures 100 ms at once: its FIFO runs over.
    int pauses = 0;
    desktop.onSleep([&] {
        if (++pauses == 20) {
            desktop.advance(100);
        }
        sim->service();
    });
    EXPECT_FALSE(runBlockMeasurement(*session, true, windows));
    unsigned long long lost = 0;
    ASSERT_EQ(std::sscanf(lastLine().c_str(),
                          "Blockmessung Kanal 1: Blockmessung, Karte 1: FIFO-Überlauf, %llu "
                          "Schüsse verloren",
                          &lost),
              1)
        << lastLine();
    EXPECT_EQ(lost, sim->droppedShots(1)) << lastLine();
    // The bytes of the results stand apart from the loss: "... verloren 11920860 Bytes".
    const std::string loss = " Schüsse verloren ";
    const size_t at = lastLine().find(loss);
    ASSERT_NE(at, std::string::npos) << lastLine();
    ASSERT_LT(at + loss.size(), lastLine().size()) << lastLine();
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(lastLine()[at + loss.size()])))
        << lastLine();
    EXPECT_NE(lastLine().find(" Bytes", at), std::string::npos) << lastLine();
    EXPECT_EQ(lastLine().find("OK"), std::string::npos);
    EXPECT_TRUE(fifoEmpty(1));
}

TEST_F(Runs, AnOnDemandBlockAsksUntilCancel) {
    start();
    session->setActive(1, 1, true);
    desktop.answerMessages({Answer::Yes, Answer::Yes});  // then unscripted: Cancel
    EXPECT_TRUE(runBlockMeasurement(*session, true, windows)) << lastLine();
    EXPECT_EQ(windows.modalShows, 2);
    EXPECT_EQ(lastLine().substr(lastLine().size() - 2), "OK");
}

TEST_F(Runs, AnOnDemandBlockOfCheckAllCountsTheResultsOfACompleteCycle) {
    start();
    session->setActive(1, 1, true);
    session->setActive(1, 2, true);
    // Nobody answers "ASCAN?" (unscripted: Cancel): the block of "Check All" waits on the
    // desktop's clock for the card to end a cycle before it stops.
    EXPECT_TRUE(runBlockMeasurement(*session, true, windows)) << lastLine();
    unsigned long long bytes = 0;
    char rest[8] = {};
    ASSERT_EQ(std::sscanf(lastLine().c_str(), "Blockmessung Kanal 1: %llu Bytes %7s", &bytes, rest),
              2)
        << lastLine();
    EXPECT_STREQ(rest, "OK");
    // A gate record of each set, and the cycle's end behind them.
    EXPECT_GE(bytes, 2u * 56u) << lastLine();
    const std::array<uint8_t, 4> cycleEnd{0xFF, 0xEF, 0xFF, 0xFF};
    EXPECT_NE(std::search(windows.lastGateData.begin(), windows.lastGateData.end(),
                          cycleEnd.begin(), cycleEnd.end()),
              windows.lastGateData.end());
}

TEST_F(Runs, DataRateOfOneSet) {
    start();
    EXPECT_TRUE(runDataRateOneSet(*session, windows)) << lastLine();
    EXPECT_EQ(lastLine().rfind("Kanal 1: Datenrate DMA 1600 Samples -> ", 0), 0u) << lastLine();
}

TEST_F(Runs, DataRateOfSetsAndCardsRefuseSetZero) {
    start();
    session->selectSet(0);
    EXPECT_FALSE(runDataRateCards(*session, windows));
    EXPECT_EQ(lastLine(), "Parametersatz 0 unzulässig");
    EXPECT_FALSE(runDataRateSets(*session, windows));
    EXPECT_EQ(lastLine(), "Parametersatz 0 unzulässig");
}

TEST_F(Runs, ADisplayFactorOrCyclesBelowOneTouchNoCard) {
    start();
    session->settings().anzeigefaktor = 0;
    EXPECT_FALSE(runDataRateOneSet(*session, windows));
    session->settings().anzeigefaktor = 1;
    session->settings().zyklen = 0;
    EXPECT_FALSE(runDataRateSets(*session, windows));
    EXPECT_TRUE(session->fields().resultLines.empty());
    EXPECT_EQ(desktop.messageLines(),
              (std::vector<std::string>{"Datenrate11: Anzeigefaktor muss mindestens 1 sein!",
                                        "DatenrateN1: Zyklen muss mindestens 1 sein!"}));
}

TEST_F(Runs, DataRateOfSets) {
    start();
    session->selectSet(3);
    EXPECT_TRUE(runDataRateSets(*session, windows)) << lastLine();
    // Three sets of 1600 samples a pass.
    EXPECT_EQ(lastLine().rfind("Kanal 1: Datenrate DMA 4800 Samples -> ", 0), 0u) << lastLine();
}

TEST_F(Runs, DataRateOfFourCardsTilesTheirWindowsAndLeavesNoData) {
    start(4);
    session->selectCard(4);
    session->settings().anzeige = true;
    session->settings().kontinuierlich = false;
    EXPECT_TRUE(runDataRateCards(*session, windows)) << lastLine();
    EXPECT_EQ(lastLine().rfind("4 Kanäle: Datenrate 1600 Samples -> ", 0), 0u) << lastLine();
    EXPECT_EQ(windows.titles.size(), 4u);
    EXPECT_EQ(windows.titles[3], "Karte 4 Parametersatz 1");
    ASSERT_EQ(windows.placed.size(), 4u);
    EXPECT_EQ(windows.placed[3], (Rect{640, 512, 1280, 1024}));
    for (uint32_t k = 1; k <= 4; ++k) {
        uint32_t flag = 1;
        uint32_t error = 0;
        KARVO7IsDataInFIFO(session->card(k), &flag, &error);
        EXPECT_EQ(flag, 0u) << k;
    }
}

TEST_F(Runs, EveryWindowOfTheSetsRunShowsTheSetItsTitleNames) {
    for (const bool continuous : {false, true}) {
        for (const bool recordLayout : {true, false}) {
            for (const uint32_t n : {1u, 2u, 3u, 7u}) {
                SCOPED_TRACE(testing::Message() << "sets " << n << (continuous ? " free" : "")
                                                << (recordLayout ? " records" : " native"));
                start();
                if (!recordLayout) {
                    // Without identifications the card delivers the native layout.
                    session->setVirma4Mode(false);
                    for (uint32_t set = 0; set < kSetsPerCard; ++set) {
                        uint32_t error = 0;
                        KARVO7SetVIRMA4(session->card(1), set, 0, &error);
                    }
                }
                distinctSets(1);
                session->selectSet(n);
                session->settings().anzeige = true;
                session->settings().kontinuierlich = continuous;
                session->settings().zyklen = 12;
                EXPECT_TRUE(runDataRateSets(*session, windows)) << lastLine();
                EXPECT_EQ(windows.titles.size(), n);
                expectWindowsShowTheirSets(recordLayout);
                EXPECT_TRUE(fifoEmpty(1));
                windows.titles.clear();
                windows.shown.clear();
                TearDown();
            }
        }
    }
}

TEST_F(Runs, EveryWindowOfTheCardsRunShowsItsCardsSet) {
    for (const bool continuous : {false, true}) {
        for (const uint32_t cards : {1u, 2u, 3u, 8u}) {
            SCOPED_TRACE(testing::Message() << "cards " << cards << (continuous ? " free" : ""));
            start(cards);
            for (uint32_t k = 1; k <= cards; ++k) {
                distinctSets(k);
            }
            session->selectCard(cards);
            session->selectSet(2);
            session->settings().anzeige = true;
            session->settings().kontinuierlich = continuous;
            session->settings().zyklen = 12;
            EXPECT_TRUE(runDataRateCards(*session, windows)) << lastLine();
            EXPECT_EQ(windows.titles.size(), cards);
            expectWindowsShowTheirSets(true);
            windows.titles.clear();
            windows.shown.clear();
            TearDown();
        }
    }
}

TEST_F(Runs, TheStopWindowNamesTheRunAsItsButtonDoes) {
    start(2);
    session->selectSet(2);
    EXPECT_TRUE(runDataRateOneSet(*session, windows)) << lastLine();
    EXPECT_TRUE(runDataRateSets(*session, windows)) << lastLine();
    session->selectCard(2);
    EXPECT_TRUE(runDataRateCards(*session, windows)) << lastLine();
    EXPECT_EQ(desktop.work(),
              (std::vector<std::string>{"live: Karte n Satz n", "live: Karte n Sätze 1..n",
                                        "live: Karten 1..n Satz n"}));
}

TEST_F(Runs, AStoppedRunNamesItselfAndItsCardAndLeavesTheFifoEmpty) {
    start(2);
    distinctSets(1);
    distinctSets(2);
    session->settings().zyklen = 100000;
    session->settings().kontinuierlich = true;
    desktop.stopLiveWorkAt(2);
    EXPECT_FALSE(runDataRateOneSet(*session, windows));
    EXPECT_EQ(lastLine(), "Kanal 1: Datenrate DMA Abbruch durch Bediener ");
    EXPECT_TRUE(fifoEmpty(1));

    session->selectSet(2);
    session->settings().dma = false;
    session->settings().prepAll = true;
    EXPECT_FALSE(runDataRateSets(*session, windows));
    EXPECT_EQ(lastLine(), "Kanal 1: Datenrate + PrepAll Abbruch durch Bediener ");
    EXPECT_TRUE(fifoEmpty(1));

    session->selectCard(2);
    session->settings().prepAll = false;
    EXPECT_FALSE(runDataRateCards(*session, windows));
    EXPECT_EQ(lastLine(), "2 Kanäle: Datenrate Abbruch durch Bediener ");
    EXPECT_TRUE(fifoEmpty(1));
    EXPECT_TRUE(fifoEmpty(2));
}

TEST_F(Runs, AContinuousRunStartsFromAnEmptyFifoAndAFailedOneLeavesItEmpty) {
    start();
    distinctSets(1);
    session->settings().kontinuierlich = true;
    session->settings().zyklen = 20;
    // An earlier measurement left the FIFO overflowing: the card ran fast while nobody read.
    KARVO7HANDLE card = session->card(1);
    uint32_t error = 0;
    ParameterSet fast = session->parameterSets().set(1, 1);
    fast.iff = 20000;
    ASSERT_TRUE(prepareSet(card, 1, cardRecordOf(fast, 3), error));
    KARVO7ActiveParam(card, 0, 1, 0, 0, 0, 0, 0, 0, &error);
    ASSERT_TRUE(KARVO7Start(card, &error));
    for (int i = 0; i < 10; ++i) {
        desktop.advance(1000);
        sim->service();
    }
    KARVO7Stop(card, &error);
    ASSERT_GT(sim->droppedShots(1), 0u);

    EXPECT_TRUE(runDataRateOneSet(*session, windows)) << lastLine();
    EXPECT_EQ(lastLine().rfind("Kanal 1: Datenrate DMA 32 Samples -> ", 0), 0u) << lastLine();

    // A card far ahead of its reader for a moment (shots of 4000 samples, about 30 of which fit
    // the FIFO): the run reads what the FIFO held and fails on the overflow, with a line that
    // names the run, the card and the shots the card lost ...
    session->editableSet(1, 1)->aufnahmelaenge = 4000;
    session->settings().zyklen = 100;
    desktop.tickStepMs = 1000;
    desktop.tickUntilMs = desktop.now() + 2000;
    const uint64_t droppedBefore = sim->droppedShots(1);
    EXPECT_FALSE(runDataRateOneSet(*session, windows));
    const uint64_t lost = sim->droppedShots(1) - droppedBefore;
    EXPECT_EQ(lastLine(), "Karte n Satz n, Karte 1: FIFO-Überlauf, " + std::to_string(lost) +
                              " Schüsse verloren");
    EXPECT_TRUE(fifoEmpty(1));
    // ... and leaves the card ready for the next run.
    session->editableSet(1, 1)->aufnahmelaenge = 32;
    desktop.tickStepMs = 0;
    EXPECT_TRUE(runDataRateOneSet(*session, windows)) << lastLine();
}

TEST_F(Runs, ACardOfTheCardsRunThatLostShotsEndsAloneAndNamesItself) {
    start(2);
    distinctSets(1);
    distinctSets(2);
    session->selectCard(2);
    session->selectSet(1);
    session->settings().kontinuierlich = true;
    session->settings().zyklen = 100;
    // Card 1's small shots all fit its FIFO.
    runAhead(2, 1);
    EXPECT_FALSE(runDataRateCards(*session, windows));
    EXPECT_EQ(sim->droppedShots(1), 0u);
    ASSERT_GT(sim->droppedShots(2), 0u);
    EXPECT_EQ(lastLine(), "Karten 1..n Satz n, Karte 2: FIFO-Überlauf, " +
                              std::to_string(sim->droppedShots(2)) + " Schüsse verloren");
    EXPECT_TRUE(desktop.messageLines().empty());
    EXPECT_TRUE(fifoEmpty(1));
    EXPECT_TRUE(fifoEmpty(2));
}

TEST_F(Runs, ARunThatRestartsAFreeRunningCardLosesNoneOfItsShotsWhenTheFifoFillsBehindThem) {
    start();
    distinctSets(1);
    session->settings().kontinuierlich = true;
    session->settings().prepAll = true;
    session->settings().zyklen = 20;
    // The card runs over while the runs' reads wait: the shot each read takes is the first after
    // its start, from a FIFO emptied before it, and the shots lost behind it are never the
    // run's (the re-preparation empties the FIFO of them by design).
    session->selectSet(2);
    runAhead(1, 2);
    EXPECT_TRUE(runDataRateCards(*session, windows)) << lastLine();
    EXPECT_EQ(lastLine().rfind("1 Kanal: Datenrate + PrepAll 4000 Samples -> ", 0), 0u)
        << lastLine();
    EXPECT_TRUE(fifoEmpty(1));

    runAhead(1, 2);
    EXPECT_TRUE(runDataRateOneSet(*session, windows)) << lastLine();
    EXPECT_EQ(lastLine().rfind("Kanal 1: Datenrate DMA + PrepAll 4000 Samples -> ", 0), 0u)
        << lastLine();
    EXPECT_TRUE(fifoEmpty(1));

    runAhead(1, 1);
    runAhead(1, 2);
    EXPECT_TRUE(runDataRateSets(*session, windows)) << lastLine();
    EXPECT_EQ(lastLine().rfind("Kanal 1: Datenrate DMA + PrepAll ", 0), 0u) << lastLine();
    EXPECT_TRUE(fifoEmpty(1));
    EXPECT_TRUE(desktop.messageLines().empty());
}

TEST_F(Runs, ADataRateRunRefusesASetWhoseShotsDoNotFitTheBuffer) {
    start(2);
    session->settings().zyklen = 3;
    // In pieces, every piece would count as a shot.
    session->editableSet(1, 1)->aufnahmelaenge = 65535;
    EXPECT_FALSE(runDataRateOneSet(*session, windows));
    EXPECT_EQ(lastLine(),
              "Karte n Satz n, Karte 1: Satz 1 Aufnahme 65535 zu lang: Schuss 131076 "
              "Bytes, Datenpuffer 131072 Bytes");
    session->selectSet(2);
    EXPECT_FALSE(runDataRateSets(*session, windows));
    EXPECT_EQ(lastLine().rfind("Karte n Sätze 1..n, Karte 1: Satz 1 Aufnahme 65535 zu lang", 0),
              0u);
    session->selectCard(2);
    session->selectSet(1);
    *session->editableSet(1, 1) = ParameterSet{};
    session->editableSet(2, 1)->aufnahmelaenge = 65535;
    EXPECT_FALSE(runDataRateCards(*session, windows));
    EXPECT_EQ(lastLine().rfind("Karten 1..n Satz n, Karte 2: Satz 1 Aufnahme 65535 zu lang", 0),
              0u);
    EXPECT_TRUE(fifoEmpty(1));
    EXPECT_TRUE(fifoEmpty(2));
}

TEST_F(Runs, TheReadsGoOnWhileADisplayPaints) {
    start();
    RunDisplays displays(*session, windows, 10);
    displays.open({"Karte 1 Parametersatz 1"});
    std::mutex mutex;
    std::condition_variable changed;
    uint64_t reads = 0;
    bool painting = false;
    bool readsWentOn = false;
    const auto limit = std::chrono::seconds(20);
    // The display's repaint lasts until the reading thread has read a hundred more shots.
    windows.onShow = [&] {
        std::unique_lock lock(mutex);
        if (painting || readsWentOn) {
            return;
        }
        painting = true;
        changed.notify_all();
        const uint64_t at = reads;
        readsWentOn = changed.wait_for(lock, limit, [&] { return reads >= at + 100; });
    };
    const std::vector<uint8_t> data(64, 0x11);
    RunPace pace(desktop, "Karte n Satz n");
    pace.begin();
    const ReadLoopEnd end =
        runReadLoop(desktop, pace, displays, 1000, [&](uint64_t k, const std::atomic<bool>&) {
            if (displays.wants(0)) {
                MeasuredDataInputs inputs;
                inputs.data = data.data();
                inputs.length = static_cast<uint32_t>(data.size());
                inputs.number = static_cast<uint32_t>(k + 1);
                displays.offer(0, inputs);
            }
            std::unique_lock lock(mutex);
            ++reads;
            changed.notify_all();
            // The first shot handed over waits until the display paints it, so that the rest
            // are read during the repaint.
            if (k == 0) {
                changed.wait_for(lock, limit, [&] { return painting; });
            }
            return true;
        });
    EXPECT_FALSE(end.failed);
    EXPECT_FALSE(end.stopped);
    EXPECT_TRUE(readsWentOn);
    EXPECT_EQ(windows.shown["Karte 1 Parametersatz 1"].front().length, 64u);
}

TEST_F(Runs, AFailedRandomRunShowsTheParametersLastDrawn) {
    start();
    session->settings().random = true;
    session->settings().prepAll = true;
    session->settings().zyklen = 3;
    // Limits the library refuses: the first re-preparation fails.
    RandomLimits limits = session->randomLimits();
    limits.lower.average = 9;
    limits.upper.average = 9;
    session->setRandomLimits(limits);
    const ParameterSet before = session->parameterSets().set(1, 1);
    EXPECT_FALSE(runDataRateOneSet(*session, windows));
    EXPECT_EQ(lastLine(), "PrepAll Error 90050000");
    ASSERT_EQ(windows.edits, 1);
    EXPECT_EQ(windows.edited.average, 9);
    EXPECT_EQ(session->parameterSets().set(1, 1).average, before.average);
}

TEST(RandomSets, TheGeneratorsFirstTenNumbers) {
    RandomGenerator random;
    std::vector<uint32_t> first;
    for (int i = 0; i < 10; ++i) {
        first.push_back(random.next());
    }
    EXPECT_EQ(first, (std::vector<uint32_t>{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358,
                                            26962, 24464}));
}

// The fields a draw takes, in one line: average, sampling rate, IFF, PK-Vorlauf, recording
// length and delay, A-scan factor and flag, rectification, pulse width and energy, gain, both
// attenuations, filter, then start and end of the five gates.
std::vector<uint32_t> drawnFields(const CardRecord& record) {
    const MeasureParams& m = record.measure;
    const SpecialParams& s = record.special;
    std::vector<uint32_t> fields{
        m.Average,         m.Samplerate,        m.IFF,          m.PKVorlauf,
        m.Aufnahmelaenge,  m.Aufnahmedelay,     m.Faktor,       m.ASCAN,
        m.Gleichrichtung,  s.Sendeimpulsbreite, s.Sendeenergie, record.verstaerkung,
        s.Senderdaempfung, s.Eingangsdaempfung, s.Filter};
    for (const GateParam& gate : record.gates.Gate) {
        fields.push_back(gate.Anfang);
        fields.push_back(gate.Ende);
    }
    return fields;
}

TEST(RandomSets, TheDrawsFromTheStartUpLimitsStayTheSame) {
    RandomLimits limits = defaultRandomLimits();
    // Wide limits on every field, so that each draw shows in the value it gives.
    limits.upper.iff = 50000;
    limits.upper.pkVorlauf = 900;
    limits.upper.sendeenergie = 3;
    limits.upper.senderdaempfung = limits.upper.eingangsdaempfung = 1;
    limits.lower.filter = 1;
    limits.upper.filter = 7;
    RandomGenerator random;
    const ParameterSet before;
    ParameterSet set = before;
    CardRecord record;
    std::vector<std::vector<uint32_t>> draws;
    for (int i = 0; i < 3; ++i) {
        drawRandomSet(set, limits, random);
        record = cardRecordOf(set);
        draws.push_back(drawnFields(record));
    }
    EXPECT_EQ(draws[0], (std::vector<uint32_t>{1,    2,    6334, 370,  3200, 68,   12,   1,    2,
                                               4,    0,    299,  1,    1,    3,    3960, 4550, 2994,
                                               3630, 4826, 6560, 2386, 3782, 3902, 4154}));
    EXPECT_EQ(draws[1], (std::vector<uint32_t>{
                            4, 2, 17420, 696,  3748, 98,   13,   1,    2,    5,    2,    67,  0,
                            1, 3, 5032,  5520, 4698, 5796, 1316, 3234, 5670, 6632, 3138, 3344}));
    EXPECT_EQ(draws[2], (std::vector<uint32_t>{5,    3,    25547, 614,  708,  33,   17,   1,    3,
                                               5,    1,    499,   0,    0,    3,    4187, 6129, 288,
                                               1979, 3039, 4477,  1261, 3098, 3442, 4535}));
    // What is not drawn stays.
    EXPECT_EQ(record.measure.Bit8, 0u);
    EXPECT_EQ(record.gates.Gate[1].Schwelle, before.gates[1].schwelle);
    EXPECT_EQ(record.gates.Enables.Enable[1], 1u);
}

TEST(RandomSets, EveryFieldWithLimitsIsDrawnAndNoOther) {
    // Limits of one value each, a different one per field, on the grid of one sample.
    RandomLimits limits;
    std::map<std::string, int64_t> chosen;
    int64_t next = 1;
    for (const ParameterField* field : randomDrawFields()) {
        const std::string key = field->key;
        const int64_t value = key == "Samplerate" ? 3 : key == "Aufnahmelaenge" ? 2000 : next++;
        setFieldValue(*field, limits.lower, value);
        setFieldValue(*field, limits.upper, value);
        chosen[key] = value;
    }
    const ParameterSet before;
    ParameterSet set = before;
    RandomGenerator random;
    drawRandomSet(set, limits, random);
    for (const ParameterField& field : parameterFields()) {
        const std::string key = field.key;
        if (field.random.key == nullptr) {
            // The A-scan flag follows the drawn factor; nothing else without limits changes.
            const int64_t kept = key == "ASCAN" ? 1 : fieldValue(field, before);
            EXPECT_EQ(fieldValue(field, set), kept) << key;
        } else if (key.size() == 7 && key.substr(2) == "-Ende") {
            // A gate's end: its start and the drawn width.
            EXPECT_EQ(fieldValue(field, set), chosen[key.substr(0, 2) + "-Anfang"] + chosen[key])
                << key;
        } else {
            EXPECT_EQ(fieldValue(field, set), chosen[key]) << key;
        }
    }
}

TEST(RandomSets, SamplingRateFourKeepsEveryTimeOnTheGridOfSixteen) {
    RandomLimits limits = defaultRandomLimits();
    limits.lower.samplerate = limits.upper.samplerate = 4;
    RandomGenerator random;
    ParameterSet set;
    for (int i = 0; i < 200; ++i) {
        drawRandomSet(set, limits, random);
        const CardRecord record = cardRecordOf(set);
        EXPECT_EQ(record.measure.Samplerate, 4);
        EXPECT_EQ(record.measure.Aufnahmelaenge % 16, 0);
        EXPECT_EQ(record.measure.Aufnahmedelay % 16, 0u);
        for (const GateParam& gate : record.gates.Gate) {
            EXPECT_EQ(gate.Anfang % 16, 0u);
            EXPECT_EQ(gate.Ende % 16, 0u);
        }
    }
}

TEST(RandomSets, AGateEndBeyondSixteenBitsIsTheMask) {
    RandomLimits limits = defaultRandomLimits();
    limits.lower.samplerate = limits.upper.samplerate = 4;
    for (GateSetting& gate : limits.lower.gates) {
        gate = {60000, 60000, 0};
    }
    limits.upper.gates = limits.lower.gates;
    RandomGenerator random;
    ParameterSet set;
    drawRandomSet(set, limits, random);
    CardRecord record = cardRecordOf(set);
    EXPECT_EQ(record.gates.Gate[2].Anfang, 60000u);
    EXPECT_EQ(record.gates.Gate[2].Ende, 0xFFF0u);
    // An empty range gives its minimum.
    limits.lower.average = 5;
    limits.upper.average = 2;
    drawRandomSet(set, limits, random);
    record = cardRecordOf(set);
    EXPECT_EQ(record.measure.Average, 5);
}

TEST(DataRate, RateTextAndTiling) {
    EXPECT_EQ(rateText(1600, 200, 1000), "1600 Samples -> 200.00 Hz  ");
    EXPECT_EQ(rateText(160, 5, 0), "160 Samples -> 5000.00 Hz  ");  // below 1 ms: 1 ms
    const Rect screen{0, 0, 1200, 900};
    EXPECT_EQ(tileWindows(screen, 4)[3], (Rect{600, 450, 1200, 900}));
    EXPECT_EQ(tileWindows(screen, 5)[4], (Rect{400, 300, 800, 600}));
    EXPECT_EQ(tileWindows(screen, 16)[15], (Rect{900, 675, 1200, 900}));
}

// A gate results record (record layout) with gate `gate` at `position` samples.
std::vector<uint8_t> gateRecord(int16_t kennung, uint32_t gate, uint16_t position) {
    std::vector<uint8_t> r(56, 0);
    r[0] = 0x40;
    r[1] = 56;
    r[4] = static_cast<uint8_t>(kennung & 0xFF);
    r[5] = static_cast<uint8_t>((kennung >> 8) & 0xFF);
    const std::size_t at = 8 + 8 * (gate - 1);
    const uint16_t time = static_cast<uint16_t>(position * 2);
    r[at + 4] = static_cast<uint8_t>(time & 0xFF);
    r[at + 5] = static_cast<uint8_t>(time >> 8);
    r[at + 7] = 0x80;  // present
    return r;
}

TEST(GateCheck, APositionPastTheGateEndFailsTheFetch) {
    std::array<ParameterSet, kSetsPerCard> sets{};
    sets[2].gates[2] = {600, 900, 0};
    GateCheckInput input;
    input.sets = &sets;
    input.active[2] = true;
    input.ids[2] = -12;
    input.cycle = 4;
    std::vector<uint8_t> fetch = gateRecord(-12, 2, 850);
    const std::vector<uint8_t> second = gateRecord(-12, 2, 901);
    fetch.insert(fetch.end(), second.begin(), second.end());
    const GateCheckResult result = checkGates(fetch, input);
    EXPECT_EQ(result.kind, GateCheckResult::Kind::OutsideTheGate);
    EXPECT_EQ(result.text, "Block 5 Satz 2 B2 600 - 901 - 900 ");

    // The same record cut short is not checked.
    fetch.resize(56 + 40);
    EXPECT_EQ(checkGates(fetch, input).kind, GateCheckResult::Kind::Ok);
    // An identification of an inactive set is a wrong one.
    input.active[2] = false;
    EXPECT_EQ(checkGates(fetch, input).text, "Falsche Kennung -12");
    // A fetch that is no gate data.
    const std::vector<uint8_t> ascan{0x14, 6, 0, 0, 0, 0};
    EXPECT_EQ(checkGates(ascan, input).text, "Keine Blenden! Kennung 14");
}

}  // namespace
