// The acquisition engine on a simulated card in virtual time: the card's time moves only when a
// test moves it, so the card delivers exactly what the test lets it, whenever the engine's
// reading thread gets to read it. Each test waits for what the engine must deliver (bounded in
// real time), never for a guessed while.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "KARVO7Acquire.h"
#include "SimFixture.h"

namespace {

using simtest::Bytes;

constexpr uint32_t kShotBytes = 3200;  // 1600 16-bit samples
constexpr uint32_t kRate = 20000;      // the card's fastest, shots a second
// The simulated card's FIFO holds 81 such shots (4 ms); a millisecond brings 20.
constexpr uint64_t kFifoShots = 262144 / kShotBytes;

struct Item {
    uint32_t kind = 0;
    uint64_t value = 0;
    Bytes bytes;
};

class Engine : public simtest::SimTest {
  protected:
    void TearDown() override {
        K7AcqClose(engine);
        engine = nullptr;
        SimTest::TearDown();
    }

    // A warmed-up card with set 1 prepared for a continuous run at 20 kHz, or at `iff`.
    KARVO7HANDLE runningCard(uint32_t iff = 0) {
        KARVO7HANDLE h = warm();
        simtest::SetRecord r = simtest::defaultSet();
        r.measure.Start = 3;
        r.measure.IFF = iff;
        EXPECT_TRUE(simtest::prepare(h, 1, r));
        uint32_t error = 0;
        EXPECT_EQ(KARVO7SetMode(h, 1, &error), 1);
        EXPECT_EQ(KARVO7ActiveParam(h, 0, 1, 0, 0, 0, 0, 0, 0, &error), 1);
        return h;
    }
    // A warmed-up card with set 1 prepared from `r` and active.
    KARVO7HANDLE cardWithSet(const simtest::SetRecord& r) {
        KARVO7HANDLE h = warm();
        EXPECT_TRUE(simtest::prepare(h, 1, r));
        uint32_t error = 0;
        EXPECT_EQ(KARVO7ActiveParam(h, 0, 1, 0, 0, 0, 0, 0, 0, &error), 1);
        return h;
    }
    K7AcqSettings settings(uint64_t shotCount = 0) {
        K7AcqSettings s;
        K7AcqDefaults(&s);
        s.shotBytes = 4096;
        s.shotsPerSecond = kRate;
        s.startSet = 1;
        s.realTime = 0;
        s.shotCount = shotCount;
        return s;
    }
    void start(const K7AcqSettings& s) {
        card = runningCard();
        uint32_t error = 1;
        ASSERT_EQ(K7AcqStart(card, &s, &engine, &error), 1);
        EXPECT_EQ(error, 0u);
    }
    K7AcqStatistics statistics() {
        K7AcqStatistics s{};
        EXPECT_EQ(K7AcqGetStatistics(engine, &s), 1);
        return s;
    }
    // Takes what the engine has (waiting up to `waitMs` for the first item).
    void take(uint32_t waitMs = 1) {
        std::vector<uint8_t> data(dataBytes);
        K7AcqItem taken[8];
        uint32_t count = 0;
        uint32_t error = 0;
        ASSERT_EQ(K7AcqRead(engine, data.data(), dataBytes, taken, 8, waitMs, &count, &error), 1);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* at = data.data() + taken[i].offset;
            items.push_back({taken[i].kind, taken[i].value, Bytes(at, at + taken[i].bytes)});
        }
    }
    // Takes items until `done`, failing after ten seconds of real time.
    void takeUntil(const std::function<bool()>& done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            ASSERT_LT(std::chrono::steady_clock::now(), limit) << "the engine delivered no more";
            take();
        }
    }
    bool ended() const { return !items.empty() && items.back().kind == K7ACQ_ITEM_END; }
    bool sawLoss() const {
        for (const Item& i : items) {
            if (i.kind == K7ACQ_ITEM_LOSS) {
                return true;
            }
        }
        return false;
    }
    // Moves the card's time on `stepMs` at a time until `done`: each step once the engine has
    // emptied the card's FIFO and, when the test `consumes`, the consumer has taken every shot
    // read, so that neither the FIFO nor the ring runs over. `fifoShots`: shots the FIFO may
    // still hold (a read waiting for an A-scan takes none from it until the set's next shot).
    void runUntil(const std::function<bool()>& done, bool consumes = true, uint32_t stepMs = 1,
                  uint64_t fifoShots = 0) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            ASSERT_LT(std::chrono::steady_clock::now(), limit) << "the engine delivered no more";
            const K7AcqStatistics s = statistics();
            if (sim->fifoBytes(1) <= fifoShots * kShotBytes &&
                (!consumes || count(K7ACQ_ITEM_SHOT) + s.shotsDropped == s.shotsRead)) {
                clock.advance(stepMs);
                sim->service();
            }
            if (consumes) {
                take();
            } else {
                std::this_thread::yield();
            }
        }
    }
    uint64_t count(uint32_t kind) const {
        uint64_t n = 0;
        for (const Item& i : items) {
            n += i.kind == kind ? 1 : 0;
        }
        return n;
    }
    uint64_t lossesReported() const {
        uint64_t n = 0;
        for (const Item& i : items) {
            n += i.kind == K7ACQ_ITEM_LOSS ? i.value : 0;
        }
        return n;
    }
    bool cardStoppedAndEmpty() {
        CardStatus status{};
        EXPECT_EQ(KARVO7GetStatus(card, &status), 1);
        uint32_t flag = 1;
        uint32_t error = 0;
        EXPECT_EQ(KARVO7IsDataInFIFO(card, &flag, &error), 1);
        return (status.Status & 0x01u) == 0 && flag == 0 && sim->fifoBytes(1) == 0;
    }

    KARVO7HANDLE card = nullptr;
    K7AcqEngine* engine = nullptr;
    std::vector<Item> items;
    uint32_t dataBytes = 3 * kShotBytes;
};

TEST_F(Engine, AnOverflowWhileShotsAreStillInTheFifoIsReportedWithTheShotsLost) {
    start(settings(1000));
    // The reading thread falls 20 ms behind (400 shots; the FIFO keeps 81) while the consumer
    // takes nothing. The engine sees the overflow in the card's status after a read that found
    // shots, reads what the FIFO holds and reports the loss with the card's count.
    clock.advance(20);
    sim->service();
    takeUntil([&] { return sawLoss(); });
    const uint64_t dropped = sim->droppedShots(1);
    ASSERT_GT(dropped, 256u);  // more than one turn of the card's 8-bit shot counter
    EXPECT_EQ(items.back().kind, K7ACQ_ITEM_LOSS);
    EXPECT_EQ(items.back().value, dropped);
    EXPECT_GE(count(K7ACQ_ITEM_SHOT), kFifoShots);  // what the FIFO held came first
    K7AcqStatistics s = statistics();
    EXPECT_EQ(s.shotsLost, dropped);
    EXPECT_EQ(s.overflowEvents, 1u);
    EXPECT_EQ(s.shotsDropped, 0u);

    // The measurement goes on to exactly the shots asked for, numbered without a gap.
    runUntil([&] { return ended(); });
    EXPECT_EQ(count(K7ACQ_ITEM_SHOT), 1000u);
    uint64_t next = 0;
    for (const Item& i : items) {
        if (i.kind == K7ACQ_ITEM_SHOT) {
            EXPECT_EQ(i.value, next++);
            EXPECT_EQ(i.bytes.size(), kShotBytes);
        }
    }
    EXPECT_EQ(items.back().value, 0u);  // a regular end
    s = statistics();
    EXPECT_EQ(s.shotsRead, 1000u);
    EXPECT_EQ(s.shotsLost, dropped);
    EXPECT_EQ(lossesReported(), dropped);
    EXPECT_EQ(s.ended, 1u);
    EXPECT_TRUE(cardStoppedAndEmpty());
}

TEST_F(Engine, TimeStampsCountTheShotsLostExactlyWhereTheCounterCannot) {
    // Record layout, externally triggered at 20 kHz: every shot carries its time stamp. The
    // engine is told a quarter of the rate, which misjudges the turns of the shot counter.
    k7sim::Config config = simtest::testConfig();
    config.cards[0].externalTriggerHz = kRate;
    sim.reset();
    SimTest::start(config);
    simtest::SetRecord r = simtest::defaultSet();
    r.measure.Start = 3;
    r.measure.ExternerTrigger = 1;
    card = cardWithSet(r);
    uint32_t error = 0;
    ASSERT_EQ(KARVO7SetVIRMA4(card, 1, -11, &error), 1);
    ASSERT_EQ(KARVO7SetMode(card, 1, &error), 1);
    K7AcqSettings s = settings(1000);
    s.shotsPerSecond = kRate / 4;
    K7AcqCycleSettings cycles{};
    cycles.recordLayout = 1;
    ASSERT_EQ(K7AcqStartCycles(card, &s, &cycles, &engine, &error), 1);
    // The reading thread lags 20 ms (400 shots) behind: the FIFO keeps what it holds, the rest
    // of the shots are lost.
    clock.advance(20);
    sim->service();
    runUntil([&] { return ended(); });
    const uint64_t dropped = sim->droppedShots(1);
    ASSERT_GT(dropped, 256u);
    EXPECT_EQ(lossesReported(), dropped);
    EXPECT_EQ(statistics().shotsLost, dropped);
    EXPECT_EQ(statistics().overflowEvents, 1u);
    EXPECT_EQ(count(K7ACQ_ITEM_SHOT), 1000u);
    // One loss, right before the first shot after the gap.
    EXPECT_EQ(count(K7ACQ_ITEM_LOSS), 1u);
    for (size_t i = 0; i + 1 < items.size(); ++i) {
        if (items[i].kind == K7ACQ_ITEM_LOSS) {
            EXPECT_EQ(items[i + 1].kind, K7ACQ_ITEM_SHOT);
            EXPECT_GT(items[i + 1].value, 0u);
        }
    }
    EXPECT_TRUE(cardStoppedAndEmpty());
}

TEST_F(Engine, AConsumerThatLetsTheRingFillLosesShotsCountedAndNamed) {
    K7AcqSettings s = settings();
    s.maxBufferBytes = 12 * 4112;  // room for about ten shots
    start(s);
    // The consumer takes nothing while the card delivers 200 shots; the engine keeps up with
    // the card (no overflow), so only the ring's room decides.
    runUntil([&] { return statistics().shotsRead >= 200; }, false);
    uint32_t error = 1;
    ASSERT_EQ(K7AcqStop(engine, &error), 1);
    EXPECT_TRUE(cardStoppedAndEmpty());
    takeUntil([&] { return ended(); });
    const K7AcqStatistics st = statistics();
    EXPECT_EQ(st.overflowEvents, 0u);
    EXPECT_GT(st.shotsDropped, 0u);
    EXPECT_EQ(st.shotsLost, st.shotsDropped);
    EXPECT_EQ(count(K7ACQ_ITEM_SHOT) + st.shotsDropped, st.shotsRead);
    EXPECT_LE(count(K7ACQ_ITEM_SHOT) * (16 + kShotBytes), st.ringBytes);
    // Every dropped shot is in a loss, each where the ring had room for it again, the last
    // right before the end.
    EXPECT_EQ(lossesReported(), st.shotsDropped);
    ASSERT_GE(items.size(), 2u);
    EXPECT_EQ(items[items.size() - 2].kind, K7ACQ_ITEM_LOSS);
}

TEST_F(Engine, ShotsTheFullRingDroppedDoNotCountTowardsTheShotsAskedFor) {
    K7AcqSettings s = settings(100);
    s.maxBufferBytes = 12 * 4112;
    start(s);
    runUntil([&] { return statistics().shotsRead >= 150; }, false);
    runUntil([&] { return ended(); });
    EXPECT_EQ(count(K7ACQ_ITEM_SHOT), 100u);
    EXPECT_GT(statistics().shotsDropped, 0u);
    EXPECT_EQ(lossesReported(), statistics().shotsDropped);
    EXPECT_TRUE(cardStoppedAndEmpty());
}

TEST_F(Engine, WholeShotsComeThroughTheRingAcrossManyWraps) {
    K7AcqSettings s = settings(300);
    s.bufferMs = 2;  // some fifty shots, twice what a step brings: the ring turns over often
    start(s);
    EXPECT_LT(statistics().ringBytes, 50u * 4112);
    // A data buffer for three shots: the consumer takes them a few at a time.
    runUntil([&] { return ended(); });
    EXPECT_EQ(statistics().shotsDropped, 0u);
    ASSERT_EQ(count(K7ACQ_ITEM_SHOT), 300u);
    // Noise is off: every shot of the set carries the same samples, so any shot that a wrap
    // cut or shifted differs from the first.
    const Bytes& first = items.front().bytes;
    ASSERT_EQ(first.size(), kShotBytes);
    for (const Item& i : items) {
        if (i.kind == K7ACQ_ITEM_SHOT) {
            EXPECT_EQ(i.bytes, first) << "shot " << i.value;
        }
    }
    EXPECT_TRUE(cardStoppedAndEmpty());
}

TEST_F(Engine, AConsumerBufferTooSmallForAShotTakesNothing) {
    start(settings(5));
    runUntil([&] { return statistics().ended == 1; }, false);
    K7AcqItem item{};
    uint8_t small[100];
    uint32_t taken = 9;
    uint32_t error = 0;
    EXPECT_EQ(K7AcqRead(engine, small, sizeof small, &item, 1, 0, &taken, &error), 0);
    EXPECT_EQ(error, K7ACQ_ERROR_BUFFER);
    EXPECT_EQ(taken, 0u);
    takeUntil([&] { return ended(); });
    EXPECT_EQ(count(K7ACQ_ITEM_SHOT), 5u);
}

TEST_F(Engine, StoppingOrAbandoningLeavesTheCardStoppedWithAnEmptyFifo) {
    start(settings());
    runUntil([&] { return count(K7ACQ_ITEM_SHOT) >= 50; });
    // Shots wait in the FIFO when the engine stops.
    clock.advance(2);
    sim->service();
    uint32_t error = 1;
    ASSERT_EQ(K7AcqStop(engine, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_TRUE(cardStoppedAndEmpty());
    EXPECT_EQ(statistics().ended, 1u);
    takeUntil([&] { return ended(); });
    EXPECT_EQ(items.back().value, 0u);

    // Abandoned: closed while the card runs, nothing taken.
    K7AcqClose(engine);
    engine = nullptr;
    const K7AcqSettings s = settings();
    ASSERT_EQ(K7AcqStart(card, &s, &engine, &error), 1);
    clock.advance(2);
    sim->service();
    K7AcqClose(engine);
    engine = nullptr;
    EXPECT_TRUE(cardStoppedAndEmpty());
}

TEST_F(Engine, AFailedReadEndsTheEngineWithItsErrorAndTheCardStopped) {
    // An externally triggered set without a trigger source takes no shots: the read ends at
    // the card's data time-out.
    simtest::SetRecord r = simtest::defaultSet();
    r.measure.Start = 3;
    r.measure.ExternerTrigger = 1;
    card = cardWithSet(r);
    uint32_t error = 0;
    const K7AcqSettings s = settings();
    ASSERT_EQ(K7AcqStart(card, &s, &engine, &error), 1);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ended()) {
        ASSERT_LT(std::chrono::steady_clock::now(), limit) << "the engine did not end";
        clock.advance(1000);
        sim->service();
        take();
    }
    EXPECT_EQ(count(K7ACQ_ITEM_SHOT), 0u);
    EXPECT_EQ(items.back().value, k7sim::err::kDataTimeOut);
    EXPECT_EQ(statistics().error, k7sim::err::kDataTimeOut);
    EXPECT_EQ(statistics().shotsLost, 0u);
    EXPECT_TRUE(cardStoppedAndEmpty());
}

TEST_F(Engine, GateResultsComeOnTheirIntervalThoughTheBlockDeliversNoShots) {
    // Start field 11: the set delivers gate results only, nothing comes into the FIFO.
    simtest::SetRecord r = simtest::defaultSet();
    r.measure.Start = 11;
    card = cardWithSet(r);
    uint32_t error = 0;
    K7AcqSettings s = settings();
    s.resultsBytes = 65536;
    K7AcqCycleSettings cycles{};
    cycles.resultsEveryMs = 10;
    ASSERT_EQ(K7AcqStartCycles(card, &s, &cycles, &engine, &error), 1);
    // Each cycle's fetch holds the compact entries (24 bytes) of the shots taken since the last.
    uint64_t entries = 0;
    for (uint64_t cycle = 1; cycle <= 5; ++cycle) {
        clock.advance(10);
        sim->service();
        takeUntil([&] { return count(K7ACQ_ITEM_RESULTS) == cycle; });
        const Item& fetched = items.back();
        ASSERT_EQ(fetched.kind, K7ACQ_ITEM_RESULTS);
        EXPECT_EQ(fetched.bytes.size() % 24, 0u);
        EXPECT_GE(fetched.bytes.size(), 24u * 190);  // some 200 shots in 10 ms at 20 kHz
        entries += fetched.bytes.size() / 24;
    }
    ASSERT_EQ(K7AcqStop(engine, &error), 1);
    takeUntil([&] { return ended(); });
    EXPECT_EQ(count(K7ACQ_ITEM_SHOT), 0u);
    EXPECT_EQ(items.back().value, 0u);  // no data time-out: the engine never waited on a read
    EXPECT_GE(entries, 5u * 190);
    EXPECT_EQ(statistics().shotsLost, 0u);
    EXPECT_TRUE(cardStoppedAndEmpty());
}

TEST_F(Engine, AFailedResultsFetchIsAnItemWithItsErrorWordAndTheCycleStillCounts) {
    simtest::SetRecord r = simtest::defaultSet();
    r.measure.Start = 11;
    card = cardWithSet(r);
    k7sim::Fault fault;
    fault.kind = k7sim::Fault::Kind::Command;
    fault.code = 0x7C01;  // the results command
    fault.word = 0xE7100001u;
    fault.always = false;
    sim->addFault(1, fault);
    dataBytes = 65536;
    uint32_t error = 0;
    K7AcqSettings s = settings();
    s.resultsBytes = 65536;
    K7AcqCycleSettings cycles{};
    cycles.resultsEveryMs = 10;
    ASSERT_EQ(K7AcqStartCycles(card, &s, &cycles, &engine, &error), 1);
    for (uint64_t cycle = 1; cycle <= 2; ++cycle) {
        clock.advance(10);
        sim->service();
        takeUntil([&] { return count(K7ACQ_ITEM_RESULTS) == cycle; });
    }
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].kind, K7ACQ_ITEM_RESULTS_ERROR);
    EXPECT_EQ(items[0].value, 0xE7100001u);
    EXPECT_EQ(items[1].kind, K7ACQ_ITEM_RESULTS);
    EXPECT_TRUE(items[1].bytes.empty());
    EXPECT_FALSE(items[2].bytes.empty());  // the next cycle fetches what the card kept
}

TEST_F(Engine, ABatchReadWaitsForItsItemsOrItsTimeOut) {
    start(settings());
    clock.advance(1);  // 20 shots
    sim->service();
    std::vector<uint8_t> data(64 * kShotBytes);
    K7AcqItem taken[64];
    uint32_t n = 0;
    uint32_t error = 0;
    // The twenty-odd shots of that millisecond are there or coming: the batch waits for them.
    ASSERT_EQ(K7AcqReadBatch(engine, data.data(), static_cast<uint32_t>(data.size()), taken, 64, 20,
                             10000, &n, &error),
              1);
    EXPECT_GE(n, 20u);
    // No more come: the time-out ends the wait with what there is (the last of them, if any).
    ASSERT_EQ(K7AcqReadBatch(engine, data.data(), static_cast<uint32_t>(data.size()), taken, 64, 5,
                             20, &n, &error),
              1);
    EXPECT_LT(n, 5u);
}

TEST_F(Engine, AscansComeEveryNthCycleAndOnRequestBetweenTheShots) {
    K7AcqSettings s = settings();
    s.resultsBytes = 65536;
    K7AcqCycleSettings cycles{};
    cycles.resultsEveryMs = 10;
    cycles.ascanSet = 1;
    cycles.ascanEvery = 2;
    cycles.ascanBytes = 4096;
    // A shot a millisecond: while a read waits for an A-scan's shot, the FIFO fills slowly.
    card = runningCard(1000);
    uint32_t error = 1;
    ASSERT_EQ(K7AcqStartCycles(card, &s, &cycles, &engine, &error), 1);
    const auto cyclesDone = [&] {
        return count(K7ACQ_ITEM_RESULTS) >= 4 && count(K7ACQ_ITEM_ASCAN) >= 2;
    };
    runUntil(cyclesDone, true, 1, 40);
    ASSERT_EQ(K7AcqRequestAscan(engine, &error), 1);
    runUntil([&] { return count(K7ACQ_ITEM_ASCAN) >= 3; }, true, 1, 40);
    ASSERT_EQ(K7AcqStop(engine, &error), 1);
    takeUntil([&] { return ended(); });

    std::vector<uint64_t> ascanCycles;
    uint64_t next = 0;
    for (const Item& i : items) {
        if (i.kind == K7ACQ_ITEM_ASCAN) {
            ascanCycles.push_back(i.value);
            EXPECT_EQ(i.bytes.size(), kShotBytes);  // the set's next shot, whole
        } else if (i.kind == K7ACQ_ITEM_SHOT) {
            EXPECT_EQ(i.value, next++);  // an A-scan takes no shot from the FIFO's reads
        }
    }
    ASSERT_EQ(ascanCycles.size(), 3u);
    EXPECT_EQ(ascanCycles[0], 2u);
    EXPECT_EQ(ascanCycles[1], 4u);
    EXPECT_GE(ascanCycles[2], 4u);
    EXPECT_GT(next, 0u);
    EXPECT_EQ(statistics().shotsLost, 0u);
    EXPECT_EQ(items.back().value, 0u);
    EXPECT_TRUE(cardStoppedAndEmpty());
}

TEST_F(Engine, UnusableSettingsAreRefusedAndLeaveTheCardStoppedAndEmpty) {
    card = runningCard();
    // The card runs and holds shots when the start is refused.
    uint32_t error = 0;
    ASSERT_EQ(KARVO7StartParam(card, 1, &error), 1);
    clock.advance(2);
    sim->service();
    ASSERT_GT(sim->fifoBytes(1), 0u);
    K7AcqSettings s = settings();
    s.maxBufferBytes = 2 * 4112;  // not even four shots
    EXPECT_EQ(K7AcqStart(card, &s, &engine, &error), 0);
    EXPECT_EQ(error, K7ACQ_ERROR_ARGUMENT);
    EXPECT_EQ(engine, nullptr);
    EXPECT_TRUE(cardStoppedAndEmpty());
    // A-scans every n cycles without cycles, and cycles without room for their results.
    s = settings();
    K7AcqCycleSettings cycles{};
    cycles.ascanEvery = 2;
    cycles.ascanBytes = 4096;
    EXPECT_EQ(K7AcqStartCycles(card, &s, &cycles, &engine, &error), 0);
    EXPECT_EQ(error, K7ACQ_ERROR_ARGUMENT);
    cycles = K7AcqCycleSettings{};
    cycles.resultsEveryMs = 10;
    EXPECT_EQ(K7AcqStartCycles(card, &s, &cycles, &engine, &error), 0);
    EXPECT_EQ(error, K7ACQ_ERROR_ARGUMENT);
    // A start set the card does not have, and reserved fields that are not 0.
    s = settings();
    s.startSet = 8;
    EXPECT_EQ(K7AcqStart(card, &s, &engine, &error), 0);
    EXPECT_EQ(error, K7ACQ_ERROR_ARGUMENT);
    cycles = K7AcqCycleSettings{};
    cycles.reserved[2] = 1;
    s = settings();
    EXPECT_EQ(K7AcqStartCycles(card, &s, &cycles, &engine, &error), 0);
    EXPECT_EQ(error, K7ACQ_ERROR_ARGUMENT);
    EXPECT_EQ(engine, nullptr);
    EXPECT_TRUE(cardStoppedAndEmpty());
}

// The misuses of the thread rules the engine can tell are refused with an error word: a second
// engine on a card whose engine runs (the first goes on), a second consumer thread reading at
// once, handles that are none, reads that could never take an item.
TEST_F(Engine, MisusesOfTheInterfaceAreRefusedWithAnErrorWord) {
    start(settings(100));
    uint32_t error = 0;
    K7AcqEngine* second = nullptr;
    const K7AcqSettings s = settings();
    EXPECT_EQ(K7AcqStart(card, &s, &second, &error), 0);
    EXPECT_EQ(error, K7ACQ_ERROR_CARD_BUSY);
    EXPECT_EQ(second, nullptr);

    runUntil([&] { return ended(); });
    EXPECT_EQ(count(K7ACQ_ITEM_SHOT), 100u) << "the running engine went on";
    EXPECT_EQ(items.back().value, 0u);

    // Two consumer threads at once: the one that comes while the other is inside is refused,
    // and the other takes its items to the end.
    K7AcqClose(engine);
    engine = nullptr;
    ASSERT_EQ(K7AcqStart(card, &s, &engine, &error), 1) << error;
    std::atomic<bool> sawEnd{false};
    std::thread other([&] {
        std::vector<uint8_t> data(dataBytes);
        K7AcqItem taken[8];
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!sawEnd && std::chrono::steady_clock::now() < until) {
            uint32_t n = 0;
            uint32_t e = 0;
            if (K7AcqRead(engine, data.data(), dataBytes, taken, 8, 1000, &n, &e) == 1) {
                for (uint32_t i = 0; i < n; ++i) {
                    sawEnd = sawEnd || taken[i].kind == K7ACQ_ITEM_END;
                }
            }
        }
    });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    uint32_t busy = 0;
    while (busy != K7ACQ_ERROR_BUSY && std::chrono::steady_clock::now() < limit) {
        K7AcqItem item{};
        uint32_t n = 0;
        uint8_t data[4096];
        busy = 0;
        K7AcqRead(engine, data, sizeof data, &item, 1, 0, &n, &busy);
        EXPECT_NE(item.kind, K7ACQ_ITEM_END);
        std::this_thread::yield();
    }
    EXPECT_EQ(busy, K7ACQ_ERROR_BUSY);
    ASSERT_EQ(K7AcqStop(engine, &error), 1);
    other.join();
    EXPECT_TRUE(sawEnd.load());

    // Reads that could never take an item, and handles that are none.
    K7AcqItem item{};
    uint8_t data[16];
    uint32_t n = 0;
    EXPECT_EQ(K7AcqRead(engine, data, sizeof data, &item, 0, 0, &n, &error), 0);
    EXPECT_EQ(error, K7ACQ_ERROR_ARGUMENT);
    EXPECT_EQ(K7AcqReadBatch(engine, data, sizeof data, &item, 1, 2, 0, &n, &error), 0);
    EXPECT_EQ(error, K7ACQ_ERROR_ARGUMENT);
    alignas(8) uint8_t foreign[256] = {};
    auto* notAnEngine = reinterpret_cast<K7AcqEngine*>(foreign);
    EXPECT_EQ(K7AcqRead(notAnEngine, data, sizeof data, &item, 1, 0, &n, &error), 0);
    EXPECT_EQ(error, K7ACQ_ERROR_ARGUMENT);
    EXPECT_EQ(K7AcqStop(notAnEngine, &error), 0);
    EXPECT_EQ(error, K7ACQ_ERROR_ARGUMENT);
    K7AcqClose(notAnEngine);  // nothing happens
    EXPECT_EQ(K7AcqStart(reinterpret_cast<KARVO7HANDLE>(foreign), &s, &second, &error), 0);
    EXPECT_EQ(error, K7ACQ_ERROR_ARGUMENT);

    // Once the engine is closed, the card takes a new one.
    K7AcqClose(engine);
    engine = nullptr;
    EXPECT_TRUE(cardStoppedAndEmpty());
    ASSERT_EQ(K7AcqStart(card, &s, &engine, &error), 1) << error;
}

// ---- the shot size -----------------------------------------------------------------------

TEST(ShotSize, TheBytesOfASetsShotInEitherLayout) {
    MeasureParams m{};
    m.Aufnahmelaenge = 1600;
    EXPECT_EQ(K7AcqShotBytes(&m, 0), 3200u);
    EXPECT_EQ(K7AcqShotBytes(&m, 1), 3206u);
    m.ExternerTrigger = 1;  // the time-stamp prefix, in the record layout only
    EXPECT_EQ(K7AcqShotBytes(&m, 0), 3200u);
    EXPECT_EQ(K7AcqShotBytes(&m, 1), 3214u);
    m.ExternerTrigger = 0;
    m.Bit8 = 1;  // packed in the native layout, a word a sample in a record
    EXPECT_EQ(K7AcqShotBytes(&m, 0), 1600u);
    EXPECT_EQ(K7AcqShotBytes(&m, 1), 3206u);
    m.ASCAN = 1;  // one sample per Faktor; 8-bit A-scan records pack four samples in three words
    m.Faktor = 3;
    EXPECT_EQ(K7AcqShotBytes(&m, 0), 534u);
    EXPECT_EQ(K7AcqShotBytes(&m, 1), 6u + 2u * 401u);
    m.Bit8 = 0;
    EXPECT_EQ(K7AcqShotBytes(&m, 1), 6u + 2u * 534u);
    EXPECT_EQ(K7AcqShotBytes(nullptr, 1), 0u);
}

// A read size below the set's shot would take each shot in two reads and count both as shots
// (20000 "shots" for 10000): in the record layout the engine refuses it at the first shot; with
// no size it takes the set's from the card.
TEST_F(Engine, AReadSmallerThanAShotEndsTheEngineInsteadOfCountingParts) {
    card = runningCard();
    uint32_t error = 0;
    ASSERT_EQ(KARVO7SetVIRMA4(card, 1, -11, &error), 1);  // records of 3206 bytes
    ASSERT_EQ(KARVO7SetParam(card, 1, &error), 1);
    K7AcqSettings s = settings(100);
    s.shotBytes = 1600 * 2;
    ASSERT_EQ(K7AcqStart(card, &s, &engine, &error), 1);
    runUntil([&] { return ended(); });
    EXPECT_EQ(count(K7ACQ_ITEM_SHOT), 0u);
    EXPECT_EQ(items.back().value, K7ACQ_ERROR_SHOT_SIZE);
    EXPECT_EQ(statistics().error, K7ACQ_ERROR_SHOT_SIZE);
    EXPECT_EQ(statistics().shotsRead, 0u);
    EXPECT_TRUE(cardStoppedAndEmpty());
    K7AcqClose(engine);
    engine = nullptr;
    items.clear();

    // No size given: each read takes the set's whole record.
    s.shotBytes = 0;
    ASSERT_EQ(K7AcqStart(card, &s, &engine, &error), 1) << error;
    runUntil([&] { return ended(); });
    EXPECT_EQ(items.back().value, 0u);
    ASSERT_EQ(count(K7ACQ_ITEM_SHOT), 100u);
    for (const Item& i : items) {
        if (i.kind == K7ACQ_ITEM_SHOT) {
            ASSERT_EQ(i.bytes.size(), 3206u);
            EXPECT_EQ(i.bytes[1] | i.bytes[2] << 8, 3206);  // the record's own length
        }
    }
    EXPECT_EQ(statistics().shotsLost, 0u);

    // The native layout: the set's 3200 bytes.
    K7AcqClose(engine);
    engine = nullptr;
    items.clear();
    ASSERT_EQ(KARVO7SetVIRMA4(card, 1, 0, &error), 1);
    ASSERT_EQ(K7AcqStart(card, &s, &engine, &error), 1) << error;
    runUntil([&] { return ended(); });
    ASSERT_EQ(count(K7ACQ_ITEM_SHOT), 100u);
    for (const Item& i : items) {
        if (i.kind == K7ACQ_ITEM_SHOT) {
            ASSERT_EQ(i.bytes.size(), 3200u);
        }
    }
}

}  // namespace
