// The data-rate runs that start the card again and again (on demand, and with "PrepAll"), each
// start read through an acquisition engine of its own, on simulated cards in virtual time: the
// shots the batches count lost are the card's own count of the shots it dropped, whether the
// FIFO ran over before a batch's last shot or behind it; every variant of the three runs ends
// with its line and leaves the card stopped with an empty FIFO.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Format.h"
#include "SimFixture.h"
#include "app/Session.h"
#include "card/SetToCard.h"
#include "card/ShotSize.h"
#include "desktop/scripted/ScriptedDesktop.h"
#include "runs/DataRateRuns.h"
#include "runs/EngineBatch.h"
#include "runs/RunWindows.h"

using namespace k7check;

namespace {

struct QuietWindows : RunWindows {
    bool editSet(Session&, uint32_t, uint32_t, ParameterSet&) override { return false; }
    bool selectSets(Session&, std::array<bool, kSetsPerCard>&) override { return true; }
    void showData(Session&, const MeasuredDataInputs&) override {}
    void showGateValues(Session&, const uint8_t*, uint32_t) override {}
    std::unique_ptr<LiveDisplay> openDisplay(Session&, const std::string&) override {
        return nullptr;
    }
};

class BatchReads : public ::testing::Test {
  protected:
    void SetUp() override {
        sim = std::make_unique<k7sim::Simulator>(simtest::testConfig(2));
        ASSERT_TRUE(sim->install());
        desktop.onSleep([this] { sim->service(); });
        session = std::make_unique<Session>(desktop);
        ASSERT_TRUE(session->startUp());
        session->selectCard(1);
        session->selectSet(1);
        session->settings().anzeige = false;
        session->settings().zyklen = 10;
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
    // Set 1 of card 1 free-running at `hz` with shots of `samples`, ready for a batch.
    KARVO7HANDLE freeRunning(uint32_t samples, uint32_t hz) {
        KARVO7HANDLE card = session->card(1);
        ParameterSet& set = *session->editableSet(1, 1);
        set.aufnahmelaenge = static_cast<uint16_t>(samples);
        set.iff = hz;
        uint32_t error = 0;
        EXPECT_TRUE(prepareSet(card, 1, cardRecordOf(set, 3), error));
        KARVO7ActiveParam(card, 0, 1, 0, 0, 0, 0, 0, 0, &error);
        KARVO7SetParam(card, 1, &error);
        return card;
    }
    // Reads a batch of `count` shots, the card's clock moving a millisecond between takes and
    // jumping `jumpMs` once `jumpAt` shots were taken; the batch's end state.
    EngineBatch::State readWithJump(EngineBatch& batch, uint64_t jumpAt, uint32_t jumpMs) {
        std::vector<uint8_t> buffer(kDataBufferSize);
        bool jumped = false;
        EngineBatch::State state = EngineBatch::State::Running;
        for (int round = 0; round < 100000 && state == EngineBatch::State::Running; ++round) {
            state = batch.take(
                buffer, [](uint32_t) {}, 1);
            if (!jumped && batch.shots() >= jumpAt) {
                jumped = true;
                desktop.advance(jumpMs);
            } else {
                desktop.advance(1);
            }
            sim->service();
        }
        return state;
    }

    ScriptedDesktop desktop;
    std::unique_ptr<k7sim::Simulator> sim;
    std::unique_ptr<Session> session;
    QuietWindows windows;
};

TEST_F(BatchReads, TheShotsABatchCountsLostAreTheCardsOwnCountWhereverTheFifoRanOver) {
    // Shots of 4000 samples (about 30 fill the FIFO) at 2 kHz: 100 ms at once run it over.
    KARVO7HANDLE card = freeRunning(4000, 2000);
    const uint32_t shotBytes = largestShotBytes(session->parameterSets().set(1, 1));
    struct Case {
        uint64_t count;
        uint64_t jumpAt;
    };
    // An overflow while the batch's reader lags in the middle, and one in its last shots, whose
    // loss lies behind the batch's last shot.
    for (const Case c : {Case{200, 50}, Case{200, 190}}) {
        SCOPED_TRACE(c.jumpAt);
        const uint64_t droppedBefore = sim->droppedShots(1);
        EngineBatch batch;
        uint32_t error = 0;
        ASSERT_TRUE(batch.start(card, c.count, shotBytes, 2000, error)) << error;
        EXPECT_EQ(readWithJump(batch, c.jumpAt, 100), EngineBatch::State::Done)
            << std::hex << batch.error();
        const uint64_t dropped = sim->droppedShots(1) - droppedBefore;
        EXPECT_GT(dropped, 0u);
        EXPECT_EQ(batch.lostBeforeLastShot() + batch.lostBehind(), dropped);
        EXPECT_EQ(batch.lost(), dropped);
        if (c.jumpAt + 10 >= c.count) {
            EXPECT_EQ(batch.lostBehind(), dropped);
        }
        EXPECT_EQ(batch.shots(), c.count);
        EXPECT_TRUE(fifoEmpty(1));
    }
}

TEST_F(BatchReads, EveryRestartingVariantOfTheDataRateRunsLosesNoShotTheCardDidNotDrop) {
    for (uint32_t k = 1; k <= 2; ++k) {
        for (uint32_t s = 0; s < kSetsPerCard; ++s) {
            ParameterSet& set = *session->editableSet(k, s);
            set.aufnahmelaenge = static_cast<uint16_t>(16 * (s + 1));
            set.iff = 100;
        }
    }
    struct Variant {
        bool continuous;
        bool prepAll;
        const char* oneSet;
        const char* sets;
        const char* cards;
    };
    for (const Variant v :
         {Variant{false, false, "Kanal 2: Datenrate DMA 32 Samples -> ",
                  "Kanal 2: Datenrate DMA 80 Samples -> ", "2 Kanäle: Datenrate 32 Samples -> "},
          Variant{false, true, "Kanal 2: Datenrate DMA + PrepAll 32 Samples -> ",
                  "Kanal 2: Datenrate DMA + PrepAll 80 Samples -> ",
                  "2 Kanäle: Datenrate + PrepAll 32 Samples -> "},
          Variant{true, true, "Kanal 2: Datenrate DMA + PrepAll 32 Samples -> ",
                  "Kanal 2: Datenrate DMA + PrepAll 80 Samples -> ",
                  "2 Kanäle: Datenrate + PrepAll 32 Samples -> "}}) {
        SCOPED_TRACE(std::string(v.oneSet) + (v.continuous ? " kontinuierlich" : ""));
        session->settings().kontinuierlich = v.continuous;
        session->settings().prepAll = v.prepAll;
        session->selectCard(2);
        session->selectSet(1);
        EXPECT_TRUE(runDataRateOneSet(*session, windows)) << lastLine();
        EXPECT_EQ(lastLine().rfind(v.oneSet, 0), 0u) << lastLine();
        session->selectSet(2);
        EXPECT_TRUE(runDataRateSets(*session, windows)) << lastLine();
        EXPECT_EQ(lastLine().rfind(v.sets, 0), 0u) << lastLine();
        session->selectSet(1);
        EXPECT_TRUE(runDataRateCards(*session, windows)) << lastLine();
        EXPECT_EQ(lastLine().rfind(v.cards, 0), 0u) << lastLine();
        if (!v.continuous) {
            // On demand the card takes the one shot each start asks for. A free-running card
            // goes on behind a pass's last shot until its engine stops it, and in virtual time
            // the run's own thread moves the clock on meanwhile by as much as the engine's
            // thread takes: the shots it drops there are the card's, never the run's (the runs
            // above succeeded).
            EXPECT_EQ(sim->droppedShots(1), 0u);
            EXPECT_EQ(sim->droppedShots(2), 0u);
        }
        EXPECT_TRUE(fifoEmpty(1));
        EXPECT_TRUE(fifoEmpty(2));
    }
}

TEST_F(BatchReads, ACardThatDeliversNothingFailsEveryRunOnDemandAtTheDriversDataTimeOut) {
    // The batches set no deadline of their own: the driver's data time-out (a second of card
    // time here) ends the engine's read, and the run names the error word it ended with.
    for (uint32_t s = 0; s < kSetsPerCard; ++s) {
        session->editableSet(1, s)->iff = 100;
    }
    uint32_t error = 0;
    ASSERT_EQ(KARVO7SetDataTimeOut(session->card(1), 1, &error), 1) << std::hex << error;
    k7sim::Fault never;
    never.kind = k7sim::Fault::Kind::DataNever;
    sim->addFault(1, never);
    const std::string timedOut = formatText("GetData Error %X (keine Daten innerhalb des Time Out)",
                                            k7sim::err::kDataTimeOut);
    for (const bool prepAll : {false, true}) {
        SCOPED_TRACE(prepAll ? "PrepAll" : "ohne PrepAll");
        session->settings().prepAll = prepAll;
        session->selectSet(1);
        const uint32_t begin = desktop.tickCount();
        EXPECT_FALSE(runDataRateOneSet(*session, windows));
        EXPECT_NE(lastLine().find(timedOut), std::string::npos) << lastLine();
        EXPECT_GE(desktop.tickCount() - begin, 1000u);  // not before the driver's time-out
        EXPECT_TRUE(fifoEmpty(1));
        session->selectSet(2);
        EXPECT_FALSE(runDataRateSets(*session, windows));
        EXPECT_NE(lastLine().find("Satz 1 " + timedOut), std::string::npos) << lastLine();
        EXPECT_TRUE(fifoEmpty(1));
        session->selectSet(1);
        EXPECT_FALSE(runDataRateCards(*session, windows));
        EXPECT_NE(lastLine().find("IsReady" + timedOut), std::string::npos) << lastLine();
        EXPECT_TRUE(fifoEmpty(1));
    }
}

TEST_F(BatchReads, TheTechnicianStopsARunWhoseCardDeliversNothing) {
    // A card whose engine keeps waiting for data (a free-running card with "PrepAll" retries
    // after each data time-out) never holds the run: the stop ends the batch it waits in.
    for (uint32_t s = 0; s < kSetsPerCard; ++s) {
        session->editableSet(1, s)->iff = 100;
    }
    k7sim::Fault never;
    never.kind = k7sim::Fault::Kind::DataNever;
    sim->addFault(1, never);
    for (const bool continuous : {false, true}) {
        SCOPED_TRACE(continuous ? "kontinuierlich" : "einzeln");
        session->settings().prepAll = true;
        session->settings().kontinuierlich = continuous;
        session->selectSet(1);
        desktop.stopLiveWorkAt(3);
        EXPECT_FALSE(runDataRateOneSet(*session, windows));
        EXPECT_NE(lastLine().find("Abbruch durch Bediener"), std::string::npos) << lastLine();
        EXPECT_EQ(lastLine().find("GetData"), std::string::npos) << lastLine();
        EXPECT_TRUE(fifoEmpty(1));
        session->selectSet(2);
        desktop.stopLiveWorkAt(3);
        EXPECT_FALSE(runDataRateSets(*session, windows));
        EXPECT_NE(lastLine().find("Abbruch durch Bediener"), std::string::npos) << lastLine();
        EXPECT_EQ(lastLine().find("GetData"), std::string::npos) << lastLine();
        EXPECT_TRUE(fifoEmpty(1));
    }
}

}  // namespace
