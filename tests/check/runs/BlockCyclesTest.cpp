// The continuous "Blockmessung" through its engine in virtual time, on a card whose time moves
// the way the simulation's worker moves it on a loaded machine: now and then a round comes late
// and the card takes several milliseconds of shots at once. A reader with a read posted takes
// them as a card served in time would have handed them over; the run loses none, and its gate
// check goes through all its cycles.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "KARVO7Acquire.h"
#include "KARVO7Driver.h"
#include "SimFixture.h"
#include "app/Session.h"
#include "desktop/scripted/ScriptedDesktop.h"
#include "runs/MeasurementRuns.h"
#include "runs/RunWindows.h"

using namespace k7check;

namespace {

struct CountingWindows : RunWindows {
    struct Display : LiveDisplay {
        explicit Display(int& shows) : shows_(shows) {}
        void show(const MeasuredDataInputs&) override { ++shows_; }
        void place(const Rect&) override {}
        int& shows_;
    };
    bool editSet(Session&, uint32_t, uint32_t, ParameterSet&) override { return false; }
    bool selectSets(Session&, std::array<bool, kSetsPerCard>&) override { return true; }
    void showData(Session&, const MeasuredDataInputs&) override {}
    void showGateValues(Session&, const uint8_t*, uint32_t length) override {
        ++gateValueShows;
        lastGateLength = length;
    }
    std::unique_ptr<LiveDisplay> openDisplay(Session&, const std::string&) override {
        return std::make_unique<Display>(liveShows);
    }
    int liveShows = 0;
    int gateValueShows = 0;
    uint32_t lastGateLength = 0;
};

class BlockCycles : public ::testing::Test {
  protected:
    // One card whose FIFO holds eight shots of 1600 samples (4 ms at the sets' 2 kHz): room for
    // the shots a reader slowed down (under the sanitizers, on a loaded machine) leaves in it
    // while it awaits an A-scan, which the card answers only as its time moves on.
    void start() {
        k7sim::Config config = simtest::testConfig(1);
        config.fifoBytes = 8 * 3206 + 100;
        config.lateRequests = true;  // as with the worker, whose rounds the test plays
        sim = std::make_unique<k7sim::Simulator>(config);
        ASSERT_TRUE(sim->install());
        session = std::make_unique<Session>(desktop);
        ASSERT_TRUE(session->startUp());
        session->selectCard(1);
        session->selectSet(1);
        session->setActive(1, 1, true);
        session->editableSet(1, 1)->iff = 2000;
        session->settings().kontinuierlich = true;
        session->settings().anzeige = true;
        session->settings().anzeigefaktor = 1;
    }
    void TearDown() override {
        session.reset();
        sim.reset();
    }
    // Every fifth pause of the run's thread the card's round comes 5 ms late: ten shots at once,
    // more than its FIFO holds. The late round comes when the run's reading thread has its read
    // posted, as it has on a card served in time: slowed down (under the sanitizers, through the
    // Windows test driver) that thread may not have posted it yet when the test's clock jumps,
    // and the test asks whether the run loses shots, not whether its reader wins that race.
    void lateRounds() {
        desktop.onSleep([this] {
            if (++pauses_ % 5 == 0) {
                awaitReader();
                desktop.advance(4);
            }
            sim->workerRound();
        });
    }
    // Until a read of the card's shots waits for them, for a few seconds of the machine's time at
    // most; a wait that ran out is counted.
    void awaitReader() {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        uint64_t waiting = 0;
        while (K7DrvTestCount(1, K7DRV_COUNT_READS_WAITING, &waiting) == 1 && waiting == 0) {
            if (std::chrono::steady_clock::now() >= giveUp) {
                ++readerAbsent_;
                return;
            }
            std::this_thread::yield();
        }
    }
    const std::string& lastLine() const { return session->fields().resultLines.back(); }
    uint64_t dropped() {
        uint64_t value = 0;
        EXPECT_EQ(K7DrvTestCount(1, K7DRV_COUNT_SHOTS_DROPPED, &value), 1);
        return value;
    }

    ScriptedDesktop desktop;
    std::unique_ptr<k7sim::Simulator> sim;
    std::unique_ptr<Session> session;
    CountingWindows windows;
    int pauses_ = 0;
    int readerAbsent_ = 0;
};

TEST_F(BlockCycles, TheContinuousGateCheckGoesThroughAThousandCyclesOfLateRoundsWithoutALoss) {
    start();
    session->settings().zyklen = 1000;
    lateRounds();
    EXPECT_TRUE(runBlockMeasurement(*session, true, windows)) << lastLine();
    EXPECT_EQ(lastLine().rfind("Blockmessung Kanal 1: ", 0), 0u) << lastLine();
    EXPECT_EQ(lastLine().substr(lastLine().size() - 2), "OK") << lastLine();
    EXPECT_EQ(lastLine().find("verloren"), std::string::npos) << lastLine();
    EXPECT_EQ(windows.liveShows, 1000);
    EXPECT_NE(lastLine().find(" Bytes"), std::string::npos) << lastLine();
    EXPECT_EQ(dropped(), 0u);
    EXPECT_EQ(readerAbsent_, 0);
    // The card took a shot of set 1 for every 0.5 ms of the run.
    uint64_t taken = 0;
    ASSERT_EQ(K7DrvTestCount(1, K7DRV_COUNT_SHOTS_TAKEN, &taken), 1);
    EXPECT_GE(taken, 1000u * 10u);
}

}  // namespace
