// The card's pace and its bus, in virtual time: single shots follow one another no faster than
// the card's pulse repetition, cards on one PCI bus share its bandwidth, and a card whose bus
// cannot carry its data overflows its FIFO.
#include <atomic>
#include <thread>

#include "SimFixture.h"

using namespace simtest;

namespace {

// A reader that keeps one read outstanding on a card and counts what arrives.
struct Reader {
    KARVO7HANDLE card = nullptr;
    bool singleShots = true;  // starts a shot before each read
    bool reading = false;
    uint64_t shots = 0;
    uint64_t bytes = 0;
    uint32_t failure = 0;  // error word of a failed read
    Bytes buffer = Bytes(131072);
    uint32_t count = 0;

    // One step: starts a read when none is outstanding and collects it when it has ended.
    // False when the read waits (or has failed).
    bool step() {
        uint32_t error = 0;
        if (failure != 0) {
            return false;
        }
        if (!reading) {
            if (singleShots && KARVO7Start(card, &error) != 1) {
                failure = error;
                return false;
            }
            count = static_cast<uint32_t>(buffer.size());
            if (KARVO7StartGetData(card, &count, buffer.data(), nullptr, &error) != 1) {
                failure = error;
                return false;
            }
            reading = true;
        }
        const int ready = KARVO7IsReadyGetDataIntReturn(card, &count, &error);
        if (ready == -3) {
            return false;
        }
        reading = false;
        if (ready != 0) {
            failure = error;
            return false;
        }
        ++shots;
        bytes += count;
        return true;
    }
};

class CardTime : public SimTest {
  protected:
    void SetUp() override {}
    // Cards whose single shots wait for card time and whose bus carries `busMb` MB/s.
    void startTimed(uint32_t cards, uint32_t busMb, const std::vector<uint32_t>& buses = {}) {
        k7sim::Config config = testConfig(cards);
        config.singleShotsWait = true;
        config.busMbPerSecond = busMb;
        for (size_t i = 0; i < buses.size() && i < config.cards.size(); ++i) {
            config.cards[i].bus = buses[i];
        }
        start(config);
    }
    // Readers on the cards, round robin (one read each in turn, as a program polls its cards,
    // each millisecond going on with the card after the last one served), for `ms`
    // milliseconds of virtual time.
    void read(std::vector<Reader>& readers, uint32_t ms) {
        size_t turn = 0;
        for (uint32_t t = 0; t < ms; ++t) {
            for (size_t idle = 0; idle < readers.size(); turn = (turn + 1) % readers.size()) {
                idle = readers[turn].step() ? 0 : idle + 1;
            }
            clock.advance(1);
            sim->service();
        }
    }
    // Ends the readers' outstanding reads before their buffers go.
    static void finish(std::vector<Reader>& readers) {
        for (Reader& r : readers) {
            uint32_t error = 0;
            if (r.reading) {
                KARVO7CancelGetData(r.card, &error);
                KARVO7IsReadyGetDataIntReturn(r.card, nullptr, &error);
                r.reading = false;
            }
            KARVO7Stop(r.card, &error);
        }
    }
    Reader reader(KARVO7HANDLE card, const SetRecord& set, bool singleShots = true) {
        EXPECT_TRUE(prepare(card, 0, set));
        uint32_t error = 0;
        EXPECT_EQ(KARVO7SetMode(card, 1, &error), 1);
        if (!singleShots) {
            EXPECT_EQ(KARVO7Start(card, &error), 1);
        }
        Reader r;
        r.card = card;
        r.singleShots = singleShots;
        return r;
    }
};

TEST_F(CardTime, SingleShotsComeNoFasterThanTheCardsPulseRepetition) {
    startTimed(1, 0);
    KARVO7HANDLE h = warm();
    // A reader as fast as it likes gets the card's fastest rate, 20 kHz, and no more.
    std::vector<Reader> readers{reader(h, defaultSet())};
    read(readers, 100);
    EXPECT_EQ(readers[0].failure, 0u);
    EXPECT_GE(readers[0].shots, 20u * 100u);
    EXPECT_LE(readers[0].shots, 20u * 101u);
    EXPECT_EQ(readers[0].bytes, readers[0].shots * 3200u);
    finish(readers);
    // At a pulse repetition of 1 kHz: one shot a millisecond.
    SetRecord slow = defaultSet();
    slow.measure.IFF = 1000;
    readers = {reader(h, slow)};
    read(readers, 100);
    EXPECT_EQ(readers[0].failure, 0u);
    EXPECT_GE(readers[0].shots, 99u);
    EXPECT_LE(readers[0].shots, 101u);
    finish(readers);
}

TEST_F(CardTime, AShotTheCardCannotTakeYetArrivesWhenItsPeriodIsOver) {
    startTimed(1, 0);
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    r.measure.IFF = 100;  // 10 ms a shot
    std::vector<Reader> readers{reader(h, r)};
    ASSERT_TRUE(readers[0].step());   // the idle card shoots at once
    ASSERT_FALSE(readers[0].step());  // the next shot waits for the card
    clock.advance(9);
    sim->service();
    EXPECT_FALSE(readers[0].step());
    clock.advance(1);
    sim->service();
    EXPECT_TRUE(readers[0].step());
    EXPECT_EQ(readers[0].shots, 2u);
    EXPECT_EQ(readers[0].failure, 0u);
    finish(readers);
}

TEST_F(CardTime, TwoCardsOnOneBusGetHalfItsBandwidthEach) {
    // 16 MB/s carry five shots of 3200 bytes a millisecond, far below what a card could
    // deliver (20). Card 2 first has bus 1 to itself, then shares it with card 1, while card 3
    // has bus 2 to itself.
    startTimed(3, 16, {1, 1, 2});
    std::vector<Reader> alone{reader(warm(2), defaultSet())};
    read(alone, 200);
    EXPECT_EQ(alone[0].failure, 0u);
    const double limit = 16e6 * 0.2;  // bytes in 200 ms
    EXPECT_NEAR(static_cast<double>(alone[0].bytes), limit, 0.03 * limit);
    finish(alone);
    std::vector<Reader> readers{reader(warm(1), defaultSet()), alone[0],
                                reader(warm(3), defaultSet())};
    readers[1].bytes = 0;
    read(readers, 200);
    for (const Reader& r : readers) {
        EXPECT_EQ(r.failure, 0u);
        const double share = r.card == readers[2].card ? limit : limit / 2;
        EXPECT_NEAR(static_cast<double>(r.bytes), share, 0.05 * share);
    }
    // Together no more than the bus carries (it runs up to 4 ms ahead of the clock).
    EXPECT_LE(static_cast<double>(readers[0].bytes + readers[1].bytes), 16e3 * 204 + 3200);
    finish(readers);
}

TEST_F(CardTime, ACardWhoseBusCannotCarryItsDataOverflows) {
    // A continuous run of 1600 16-bit samples at 20 kHz delivers 64 MB/s; the bus carries 32,
    // ten shots a millisecond.
    startTimed(1, 32);
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    r.measure.Start = 3;
    std::vector<Reader> readers{reader(h, r, false)};
    read(readers, 100);
    EXPECT_GE(readers[0].shots, 10u * 99u);
    EXPECT_LE(readers[0].shots, 10u * 104u + 1u);  // the bus runs up to 4 ms ahead
    EXPECT_GT(sim->droppedShots(1), 800u);
    CardStatus status{};
    ASSERT_EQ(KARVO7GetStatus(h, &status), 1);
    EXPECT_NE(status.Status & 0x10u, 0u);  // overflow
    // Once the card stops, the reader empties the FIFO and then learns of the lost shots.
    uint32_t error = 0;
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
    const uint64_t before = readers[0].shots;
    read(readers, 20);
    EXPECT_EQ(readers[0].failure, k7sim::err::kFifoOverflow);
    EXPECT_GT(readers[0].shots, before + 70u);  // the full FIFO, 81 shots of 3200 bytes
    EXPECT_LE(readers[0].shots, before + 82u);
    finish(readers);
}

TEST_F(CardTime, ABusThatCarriesTheCardsDataLosesNothing) {
    startTimed(1, 132);
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    r.measure.Start = 3;
    std::vector<Reader> readers{reader(h, r, false)};
    read(readers, 200);
    EXPECT_EQ(readers[0].failure, 0u);
    EXPECT_EQ(sim->droppedShots(1), 0u);
    EXPECT_GE(readers[0].shots, 20u * 199u);
    finish(readers);
}

TEST_F(CardTime, AWorkerRoundThatComesLateLosesNothingOfAReaderThatWaited) {
    startTimed(1, 132);
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    r.measure.Start = 3;
    std::vector<Reader> readers{reader(h, r, false)};
    read(readers, 2);
    while (readers[0].step()) {
    }
    ASSERT_TRUE(readers[0].reading);
    ASSERT_EQ(sim->fifoBytes(1), 0u);
    // The worker comes 10 ms late: 200 shots, the FIFO holds 81. The reader waited all along
    // and takes every one of them.
    clock.advance(10);
    sim->workerRound();
    read(readers, 10);
    EXPECT_EQ(readers[0].failure, 0u);
    EXPECT_EQ(sim->droppedShots(1), 0u);
    EXPECT_GE(readers[0].shots, 20u * 21u);

    // A reader that does not wait for the card falls behind: the shots it missed are lost.
    uint32_t error = 0;
    KARVO7CancelGetData(h, &error);
    KARVO7IsReadyGetDataIntReturn(h, nullptr, &error);
    readers[0].reading = false;
    clock.advance(10);
    sim->workerRound();
    EXPECT_GE(sim->droppedShots(1), 200u - 82u);
    CardStatus status{};
    ASSERT_EQ(KARVO7GetStatus(h, &status), 1);
    EXPECT_NE(status.Status & 0x10u, 0u);  // overflow
    finish(readers);
}

TEST(BusConfig, TheBandwidthPerBusAndTheSingleShotPaceFromTheConfigurationFile) {
    k7sim::Config c;
    std::string error;
    ASSERT_TRUE(k7sim::Config::parse("[Simulator]\ncards = 1\n", c, error)) << error;
    EXPECT_EQ(c.busMbPerSecond, 132u);
    EXPECT_TRUE(c.singleShotsWait);
    ASSERT_TRUE(k7sim::Config::parse(
        "[Simulator]\ncards = 1\nbus_mb_s = 66\nsingle_shots_wait = no\n", c, error))
        << error;
    EXPECT_EQ(c.busMbPerSecond, 66u);
    EXPECT_FALSE(c.singleShotsWait);
    ASSERT_TRUE(k7sim::Config::parse("[Simulator]\nbus_mb_s = 0\n", c, error)) << error;
    EXPECT_EQ(c.busMbPerSecond, 0u);  // no limit
    for (const char* bad :
         {"bus_mb_s = -1", "bus_mb_s = fast", "bus_mb_s = 100001", "single_shots_wait = maybe"}) {
        EXPECT_FALSE(k7sim::Config::parse(std::string("[Simulator]\n") + bad + "\n", c, error))
            << bad;
    }
    // A per-card key, not a global one.
    EXPECT_FALSE(k7sim::Config::parse("[Card]\nbus_mb_s = 66\n", c, error));
}

}  // namespace

// A library clock that threads may read while the test moves it.
class SharedClock {
  public:
    SharedClock() {
        const K7OsClock table{this, &SharedClock::tick, &SharedClock::sleep};
        K7OsSetClock(&table);
    }
    ~SharedClock() { K7OsSetClock(nullptr); }
    SharedClock(const SharedClock&) = delete;
    SharedClock& operator=(const SharedClock&) = delete;
    void advance() { now_.fetch_add(1); }

  private:
    static uint32_t tick(void* self) { return static_cast<SharedClock*>(self)->now_.load(); }
    static void sleep(void* self, uint32_t ms) {
        static_cast<SharedClock*>(self)->now_.fetch_add(ms);
    }
    std::atomic<uint32_t> now_{1000};
};

TEST(CardsInParallel, ThreadsOnDifferentCardsSharingBusesEachGetTheirShots) {
    SharedClock clock;
    k7sim::Config config = testConfig(4);
    config.singleShotsWait = true;
    config.busMbPerSecond = 16;
    config.cards[1].bus = 1;
    config.cards[2].bus = 2;
    config.cards[3].bus = 2;
    k7sim::Simulator sim(config);
    ASSERT_TRUE(sim.install());
    std::vector<KARVO7HANDLE> cards;
    for (uint32_t k = 1; k <= 4; ++k) {
        KARVO7HANDLE h = KARVO7Open(k);
        ASSERT_NE(h, nullptr);
        uint32_t error = 0;
        ASSERT_EQ(KARVO7WarmUp(h, &error), 1);
        ASSERT_TRUE(prepare(h, 0, defaultSet()));
        ASSERT_EQ(KARVO7SetMode(h, 1, &error), 1);
        cards.push_back(h);
    }
    constexpr uint64_t kShots = 200;
    std::vector<Reader> readers(cards.size());
    std::atomic<int> running{static_cast<int>(cards.size())};
    std::vector<std::thread> threads;
    for (size_t i = 0; i < cards.size(); ++i) {
        readers[i].card = cards[i];
        threads.emplace_back([&, i] {
            Reader& r = readers[i];
            while (r.shots < kShots && r.failure == 0) {
                if (!r.step()) {
                    std::this_thread::yield();
                }
            }
            running.fetch_sub(1);
        });
    }
    for (int turns = 0; running.load() > 0 && turns < 1000000; ++turns) {
        clock.advance();
        sim.service();
        std::this_thread::yield();
    }
    for (auto& t : threads) {
        t.join();
    }
    for (size_t i = 0; i < readers.size(); ++i) {
        EXPECT_EQ(readers[i].failure, 0u) << i;
        EXPECT_EQ(readers[i].shots, kShots) << i;
        EXPECT_EQ(readers[i].bytes, kShots * 3200u) << i;
        KARVO7Close(cards[i]);
    }
}
