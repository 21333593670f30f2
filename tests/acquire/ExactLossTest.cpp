// The shots the engine reports lost are the simulated card's own count of the shots it dropped
// (the driver boundary's test interface), exactly: when the card runs over while the consumer
// lags and the ring drops shots too, and when it runs over in its last shots before a stop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "KARVO7Acquire.h"
#include "KARVO7Driver.h"
#include "KARVO7Protocol.h"
#include "SimFixture.h"

namespace {

constexpr uint32_t kShotBytes = 3200;  // 1600 16-bit samples, at 20 kHz

// The simulated cards behind a driver that lets a test move the card's time on around any
// request of the library: as if the reading thread were held up there.
struct HoldingDriver {
    K7DrvDriver inner{};
    // Called before (`after` false) and after each device control request.
    std::function<void(uint32_t code, const uint8_t* in, uint32_t inSize, bool after)> hook;

    static HoldingDriver& of(void* context) { return *static_cast<HoldingDriver*>(context); }
    static int exists(void* c, uint32_t n) {
        return of(c).inner.deviceExists(of(c).inner.context, n);
    }
    static uint32_t open(void* c, uint32_t n, void** device) {
        return of(c).inner.open(of(c).inner.context, n, device);
    }
    static uint32_t control(void* c, void* device, uint32_t code, const void* in, uint32_t inSize,
                            void* out, uint32_t outSize, uint32_t* returned) {
        HoldingDriver& d = of(c);
        const auto* block = static_cast<const uint8_t*>(in);
        d.hook(code, block, inSize, false);
        const uint32_t answer = d.inner.deviceControl(d.inner.context, device, code, in, inSize,
                                                      out, outSize, returned);
        d.hook(code, block, inSize, true);
        return answer;
    }
    static uint32_t read(void* c, void* device, K7DrvIrp* irp, void* buffer, uint32_t size,
                         uint32_t* transferred) {
        return of(c).inner.read(of(c).inner.context, device, irp, buffer, size, transferred);
    }
    static uint32_t write(void* c, void* device, K7DrvIrp* irp, const void* buffer, uint32_t size,
                          uint32_t* transferred) {
        return of(c).inner.write(of(c).inner.context, device, irp, buffer, size, transferred);
    }
    static void cancel(void* c, void* device) { of(c).inner.cancel(of(c).inner.context, device); }
    static uint32_t close(void* c, void* device) {
        return of(c).inner.close(of(c).inner.context, device);
    }
    K7DrvDriver table() {
        K7DrvDriver t = inner;
        t.context = this;
        t.deviceExists = exists;
        t.open = open;
        t.deviceControl = control;
        t.read = read;
        t.write = write;
        t.cancel = cancel;
        t.close = close;
        return t;
    }
};

// The register a register read asks for, or 0 for any other request.
uint32_t registerRead(uint32_t code, const uint8_t* in, uint32_t inSize) {
    return code == k7proto::req::kReadRegister && inSize >= 4 && in != nullptr ? k7proto::le32(in)
                                                                               : 0;
}

class ExactLoss : public simtest::SimTest {
  protected:
    void TearDown() override {
        K7AcqClose(engine);
        engine = nullptr;
        if (holding) {
            // The hook's test is over: the cards close behind the plain simulated ones.
            holding->hook = [](uint32_t, const uint8_t*, uint32_t, bool) {};
            for (KARVO7HANDLE h : handles) {
                KARVO7Close(h);
            }
            handles.clear();
            K7DrvInstall(nullptr);
        }
        SimTest::TearDown();
    }
    // The cards from here on behind a holding driver with `hook`.
    void holdWith(std::function<void(uint32_t, const uint8_t*, uint32_t, bool)> hook) {
        holding = std::make_unique<HoldingDriver>();
        holding->inner = sim->driver();
        holding->hook = std::move(hook);
        const K7DrvDriver table = holding->table();
        ASSERT_EQ(K7DrvInstall(&table), 1);
    }
    void start(uint64_t shotCount, uint32_t maxBufferBytes = 0, uint32_t samples = 1600) {
        card = warm();
        simtest::SetRecord r = simtest::defaultSet();
        r.measure.Start = 3;
        r.measure.Aufnahmelaenge = static_cast<uint16_t>(samples);
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
    // The consumer stops the engine and takes what it delivers up to its end.
    void stopAndTakeToTheEnd() {
        uint32_t error = 0;
        ASSERT_EQ(K7AcqStop(engine, &error), 1);
        takeToTheEnd();
    }
    // After one overflow: 200 shots more, the stop, and the loss, more than `least` shots, is
    // the card's own count in the statistics and the loss items.
    void readOnThenCountOneOverflowOfMoreThan(uint64_t least) {
        runUntil([&, goal = shots + 200] { return shots >= goal; });
        ASSERT_NO_FATAL_FAILURE(stopAndTakeToTheEnd());
        const K7AcqStatistics s = statistics();
        ASSERT_GT(cardDropped(), least);
        EXPECT_EQ(s.shotsLost, cardDropped());
        EXPECT_EQ(lossItems, cardDropped());
        EXPECT_EQ(s.overflowEvents, 1u);
    }
    void takeToTheEnd() {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!ended) {
            ASSERT_LT(std::chrono::steady_clock::now(), limit) << "the engine did not end";
            take();
        }
    }

    std::unique_ptr<HoldingDriver> holding;
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
    ASSERT_NO_FATAL_FAILURE(stopAndTakeToTheEnd());
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

TEST_F(ExactLoss, ShotsStoredBetweenTheLookAtAnEmptyFifoAndItsEmptyingAreCounted) {
    // Once armed, the card's time moves on by a millisecond right before the next emptying of
    // its FIFO: the card stores shots after the host found the FIFO empty and before the
    // emptying, every time, not by luck.
    std::atomic<bool> armed{false};
    std::atomic<int> clearsDelayed{0};
    holdWith([&](uint32_t code, const uint8_t* in, uint32_t inSize, bool after) {
        if (!after && code == k7proto::req::kCommand && inSize >= 2 && in != nullptr &&
            k7proto::le16(in) == k7proto::cmd::kClearFifo && armed.exchange(false)) {
            clock.advance(1);
            ++clearsDelayed;
        }
    });
    start(0);
    runUntil([&] { return shots >= 100; });
    // The reading thread falls 10 ms behind: the FIFO runs over. Once the reads have taken what
    // it held and found it empty, the card stores a millisecond of shots (20) before the
    // emptying throws them away; no overflow follows that would count them.
    armed = true;
    clock.advance(10);
    sim->service();
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (statistics().overflowEvents == 0) {
        ASSERT_LT(std::chrono::steady_clock::now(), limit) << "no overflow event";
        take();
    }
    ASSERT_EQ(clearsDelayed, 1);
    runUntil([&, goal = shots + 100] { return shots >= goal; });
    ASSERT_NO_FATAL_FAILURE(stopAndTakeToTheEnd());
    const K7AcqStatistics s = statistics();
    EXPECT_EQ(s.overflowEvents, 1u);
    EXPECT_EQ(s.shotsLost, cardDropped());
    EXPECT_EQ(lossItems, cardDropped());
    EXPECT_EQ(s.shotsDropped, 0u);
    // Read and lost together are every shot the card took up to its stop but those it still
    // held at the stop, which came after the last one read.
    uint64_t taken = 0;
    ASSERT_EQ(K7DrvTestCount(1, K7DRV_COUNT_SHOTS_TAKEN, &taken), 1);
    EXPECT_LE(s.shotsRead + s.shotsLost, taken);
    EXPECT_GE(s.shotsRead + s.shotsLost + 90, taken);
}

// The reading thread held up 30 ms (600 shots, more than two turns of the 8-bit counter; the
// FIFO keeps 81) at a reading of the counter: with the parameter true just before the
// counter's register is read, right after the look at the FIFO's status that follows a read;
// false right after the counter, before the tick that goes with it.
class HeldUpAtTheCounter : public ExactLoss, public ::testing::WithParamInterface<bool> {};

TEST_P(HeldUpAtTheCounter, TheCounterTurnsInTheHoldUpAreCounted) {
    const bool beforeTheCounter = GetParam();
    std::atomic<bool> armed{false};
    std::atomic<int> holdUps{0};
    std::atomic<uint32_t> lastRegister{0};
    holdWith([&](uint32_t code, const uint8_t* in, uint32_t inSize, bool after) {
        const uint32_t reg = registerRead(code, in, inSize);
        const bool counter = reg == k7proto::reg::kStatus;
        const bool due = beforeTheCounter
                             ? !after && counter && lastRegister == k7proto::reg::kFifoStatus
                             : after && counter;
        if (due && armed.exchange(false)) {
            clock.advance(30);
            ++holdUps;
        }
        if (after) {
            lastRegister = reg;
        }
    });
    start(0);
    runUntil([&] { return shots >= 200; });
    armed = true;
    runUntil([&] { return holdUps == 1 && statistics().overflowEvents == 1; });
    ASSERT_NO_FATAL_FAILURE(readOnThenCountOneOverflowOfMoreThan(256));
}

TEST_F(ExactLoss, TurnsOfTheCounterInAHoldUpThatTheFifoKeptAreCountedAtTheNextOverflow) {
    // Shots of 200 samples: the FIFO keeps about 650, so that a hold-up of 20 ms (400 shots)
    // turns the counter without an overflow. At the next reading of the counter, 64 shots
    // later, the thread is held up 30 ms more with the FIFO still holding most of them: it runs
    // over, and the count after it stands on the turns of the first hold-up.
    std::atomic<bool> armed{false};
    std::atomic<int> holdUps{0};
    std::atomic<uint32_t> lastRegister{0};
    holdWith([&](uint32_t code, const uint8_t* in, uint32_t inSize, bool after) {
        const uint32_t reg = registerRead(code, in, inSize);
        if (!after && reg == k7proto::reg::kStatus && lastRegister == k7proto::reg::kFifoStatus &&
            armed && holdUps < 2) {
            clock.advance(++holdUps == 1 ? 20 : 30);
        }
        if (after) {
            lastRegister = reg;
        }
    });
    start(0, 0, 200);
    // 150 ms of shots read in time: the rate the counter's turns are judged by is measured.
    runUntil([&] { return shots >= 3000; });
    armed = true;
    runUntil([&] { return holdUps == 2 && statistics().overflowEvents == 1; });
    ASSERT_NO_FATAL_FAILURE(readOnThenCountOneOverflowOfMoreThan(0));
}

INSTANTIATE_TEST_SUITE_P(ExactLoss, HeldUpAtTheCounter, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& held) {
                             return held.param ? "BeforeItsReading" : "BetweenItAndItsTick";
                         });

}  // namespace
