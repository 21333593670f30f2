// The shots the engine reports lost are the simulated card's own count of the shots it dropped
// (the driver boundary's test interface), exactly: when the card runs over while the consumer
// lags and the ring drops shots too, and when it runs over in its last shots before a stop.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "KARVO7Acquire.h"
#include "SimFixture.h"

namespace {

constexpr uint32_t kShotBytes = 3200;  // 1600 16-bit samples, at 20 kHz

class ExactLoss : public simtest::SimTest {
  protected:
    void TearDown() override {
        K7AcqClose(engine);
        engine = nullptr;
        SimTest::TearDown();
    }
    void start(uint64_t shotCount, uint32_t maxBufferBytes = 0) {
        card = warm();
        simtest::SetRecord r = simtest::defaultSet();
        r.measure.Start = 3;
        ASSERT_TRUE(simtest::prepare(card, 1, r));
        uint32_t error = 0;
        ASSERT_EQ(KARVO7SetMode(card, 1, &error), 1);
        ASSERT_EQ(KARVO7ActiveParam(card, 0, 1, 0, 0, 0, 0, 0, 0, &error), 1);
        K7AcqSettings s;
        K7AcqDefaults(&s);
        s.shotBytes = 4096;
        s.shotsPerSecond = 20000;
        s.startSet = 1;
        s.realTime = 0;
        s.shotCount = shotCount;
        if (maxBufferBytes != 0) {
            s.maxBufferBytes = maxBufferBytes;
        }
        ASSERT_EQ(K7AcqStart(card, &s, &engine, &error), 1);
    }
    K7AcqStatistics statistics() {
        K7AcqStatistics s{};
        EXPECT_EQ(K7AcqGetStatistics(engine, &s), 1);
        return s;
    }
    uint64_t cardDropped() {
        uint64_t value = 0;
        EXPECT_EQ(K7DrvTestCount(1, K7DRV_COUNT_SHOTS_DROPPED, &value), 1);
        return value;
    }
    void take() {
        std::vector<uint8_t> data(8 * kShotBytes);
        K7AcqItem taken[8];
        uint32_t n = 0;
        uint32_t error = 0;
        ASSERT_EQ(K7AcqRead(engine, data.data(), static_cast<uint32_t>(data.size()), taken, 8, 1,
                            &n, &error),
                  1);
        for (uint32_t i = 0; i < n; ++i) {
            shots += taken[i].kind == K7ACQ_ITEM_SHOT ? 1 : 0;
            lossItems += taken[i].kind == K7ACQ_ITEM_LOSS ? taken[i].value : 0;
            ended = ended || taken[i].kind == K7ACQ_ITEM_END;
        }
    }
    // Moves the card's time on a millisecond at a time, once the engine has emptied the FIFO
    // and the consumer has taken what was read, until `done`.
    void runUntil(const std::function<bool()>& done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            ASSERT_LT(std::chrono::steady_clock::now(), limit) << "the engine delivered no more";
            const K7AcqStatistics s = statistics();
            if (sim->fifoBytes(1) == 0 && shots + s.shotsDropped == s.shotsRead) {
                clock.advance(1);
                sim->service();
            }
            take();
        }
    }
    void takeToTheEnd() {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!ended) {
            ASSERT_LT(std::chrono::steady_clock::now(), limit) << "the engine did not end";
            take();
        }
    }

    KARVO7HANDLE card = nullptr;
    K7AcqEngine* engine = nullptr;
    uint64_t shots = 0;
    uint64_t lossItems = 0;
    bool ended = false;
};

TEST_F(ExactLoss, AnOverflowWhileTheConsumerLagsIsTheCardsOwnCountBesideTheRingsDrops) {
    start(2000, 12 * 4112);  // a ring of about ten shots
    runUntil([&] { return shots >= 50; });
    // The consumer takes nothing while the card runs 30 ms ahead of the reading thread: the
    // FIFO runs over, and the ring, full of what the FIFO held, drops shots too.
    clock.advance(30);
    sim->service();
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (statistics().overflowEvents == 0 || sim->fifoBytes(1) != 0) {
        ASSERT_LT(std::chrono::steady_clock::now(), limit);
        std::this_thread::yield();
    }
    ASSERT_GT(statistics().shotsDropped, 0u);
    runUntil([&] { return ended; });
    const K7AcqStatistics s = statistics();
    ASSERT_GT(cardDropped(), 256u);  // more than a turn of the card's 8-bit counter
    EXPECT_EQ(s.shotsLost - s.shotsDropped, cardDropped());
    EXPECT_EQ(lossItems, s.shotsLost);
    EXPECT_EQ(shots, 2000u);
}

TEST_F(ExactLoss, AnOverflowInTheLastShotsBeforeAStopIsCounted) {
    start(0);
    runUntil([&] { return shots >= 200; });
    // The card runs 20 ms ahead and the consumer stops the engine at once: whether the reading
    // thread saw the overflow or not, the stop counts what the card dropped up to its stop.
    clock.advance(20);
    uint32_t error = 0;
    ASSERT_EQ(K7AcqStop(engine, &error), 1);
    takeToTheEnd();
    const K7AcqStatistics s = statistics();
    ASSERT_GT(cardDropped(), 0u);
    EXPECT_EQ(s.shotsLost, cardDropped());
    EXPECT_EQ(lossItems, cardDropped());
    EXPECT_EQ(s.shotsDropped, 0u);
    EXPECT_GE(s.overflowEvents, 1u);
}

TEST_F(ExactLoss, RepeatedOverflowsAddUpToTheCardsCount) {
    start(3000);
    // Five times the reading thread falls 10 ms behind (200 shots, 81 of which the FIFO keeps).
    for (uint64_t i = 0; i < 5; ++i) {
        runUntil([&, goal = shots + 300] { return shots >= goal; });
        clock.advance(10);
        sim->service();
        // The card's time moves on once the engine has settled the overflow (as a card's own
        // time would not wait, the shots it took meanwhile would be emptied with the FIFO).
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (statistics().overflowEvents < i + 1) {
            ASSERT_LT(std::chrono::steady_clock::now(), limit) << "no overflow event";
            take();
        }
    }
    runUntil([&] { return ended; });
    const K7AcqStatistics s = statistics();
    EXPECT_EQ(s.shotsLost, cardDropped());
    EXPECT_EQ(lossItems, cardDropped());
    EXPECT_EQ(s.overflowEvents, 5u);
    EXPECT_EQ(shots, 3000u);
}

}  // namespace
