// What the cards deliver, read the way the readers of the data stream read it: results fetches
// that complete at once and never begin with a control word or in the middle of a cycle, gate
// records of sets 1 to 7 only, gate amplitudes on the display's scale, record types and exact
// packed lengths, the largest shot and a FIFO too small for it, distinct time stamps.
#include <algorithm>
#include <cmath>

#include "SimFixture.h"

using namespace simtest;

namespace {

class DataStream : public SimTest {
  protected:
    // A config of one card whose external trigger input sees `hz`.
    void startWithTrigger(double hz, uint32_t fifoBytes = 0) {
        TearDown();
        auto config = testConfig(1);
        config.cards[0].externalTriggerHz = hz;
        if (fifoBytes != 0) {
            config.fifoBytes = fifoBytes;
        }
        start(config);
    }
    Bytes read(KARVO7HANDLE h, uint32_t capacity = 262144) {
        Bytes buffer(capacity);
        uint32_t count = capacity, error = 1;
        EXPECT_EQ(KARVO7GetData(h, &count, buffer.data(), &error), 1);
        EXPECT_EQ(error, 0u);
        buffer.resize(count);
        return buffer;
    }
    Bytes shot(KARVO7HANDLE h) {
        uint32_t error = 1;
        EXPECT_EQ(KARVO7Start(h, &error), 1);
        return read(h);
    }
    // A results fetch of at most `capacity` bytes that must complete at once.
    Bytes results(KARVO7HANDLE h, uint16_t selector, uint32_t capacity) {
        uint32_t count = 0, error = 1;
        EXPECT_EQ(KARVO7GetResults(h, selector, &count, nullptr, &error), 1);
        Bytes buffer(capacity);
        count = capacity;
        EXPECT_EQ(KARVO7StartGetData(h, &count, buffer.data(), nullptr, &error), 1);
        EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(h, &count, &error), 0) << "fetch still waiting";
        buffer.resize(count);
        return buffer;
    }
    void identify(KARVO7HANDLE h, uint32_t set) {
        uint32_t error = 1;
        ASSERT_EQ(KARVO7SetVIRMA4(h, set, static_cast<int16_t>(-(10 + set)), &error), 1);
    }
};

TEST_F(DataStream, AnEmptyResultsFetchSucceedsAtOnceAndLeavesNothingArmed) {
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepare(h, 1, defaultSet()));  // set 1 keeps compact gate entries
    uint32_t error = 1;
    ASSERT_EQ(KARVO7SetParam(h, 1, &error), 1);
    ASSERT_TRUE(results(h, 0, 131072).empty());
    // The blocking form, as the check program calls it, returns at once with 0 bytes.
    Bytes buffer(131072);
    uint32_t count = 131072;
    ASSERT_EQ(KARVO7GetResults(h, 0, &count, buffer.data(), &error), 1);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(error, 0u);
    // The next shot's data read gets the shot's samples, not its gate entry.
    EXPECT_EQ(shot(h).size(), 3200u);
    count = 0;
    ASSERT_EQ(KARVO7GetASCAN(h, 1, &count, nullptr, &error), 1);
    EXPECT_EQ(read(h).size(), 3200u);
    // The entry of the shot is still there for the next results fetch.
    const Bytes entries = results(h, 0, 131072);
    ASSERT_EQ(entries.size(), 24u);
    EXPECT_TRUE(compact(entries.data()).present[1]);
}

TEST_F(DataStream, EveryRecordFetchBeginsWithARecordWhateverTheBufferSize) {
    KARVO7HANDLE h = warm();
    for (uint32_t set : {1u, 3u}) {
        ASSERT_TRUE(prepare(h, set, defaultSet()));
        identify(h, set);
    }
    uint32_t error = 0;
    ASSERT_EQ(KARVO7ActiveParam(h, 0, 1, 0, 1, 0, 0, 0, 0, &error), 1);
    for (uint32_t capacity : {112u, 116u, 60u, 56u}) {
        SCOPED_TRACE(capacity);
        ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
        clock.advance(2);  // 41 shots at 20 kHz
        ASSERT_EQ(KARVO7Stop(h, &error), 1);
        int records = 0, cycles = 0;
        for (Bytes fetch = results(h, 0, capacity); !fetch.empty();
             fetch = results(h, 0, capacity)) {
            ASSERT_LE(fetch.size(), capacity);
            // The readers' walk: a record, then a control word if one follows.
            size_t p = 0;
            ASSERT_NE(le16(&fetch[2]), 0xFFFF) << "fetch begins with a control word";
            while (p < fetch.size()) {
                const Record rec = header(fetch, p);
                ASSERT_EQ(rec.type, 0x40);
                EXPECT_EQ(rec.kennung, records % 2 == 0 ? -11 : -13);
                ++records;
                p += 56;
                if (p < fetch.size() && le16(&fetch[p + 2]) == 0xFFFF) {
                    EXPECT_EQ(le32(&fetch[p]), 0xFFFFEFFFu);
                    EXPECT_EQ(rec.kennung, -13);  // the cycle ends with set 3
                    ++cycles;
                    p += 4;
                }
            }
            ASSERT_EQ(p, fetch.size());
        }
        EXPECT_GE(records, 40);  // no record lost
        // A buffer of one record cannot take a record with its control word: the word stays
        // behind with nothing, rather than begin the next fetch.
        EXPECT_EQ(cycles, capacity >= 60 ? records / 2 : 0);
    }
    // A buffer smaller than one record takes nothing; the record waits for a larger one.
    ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
    EXPECT_TRUE(results(h, 0, 40).empty());
    EXPECT_EQ(results(h, 0, 56).size(), 56u);
}

TEST_F(DataStream, NativeFetchesHoldWholeCyclesFromTheFirstActiveSet) {
    KARVO7HANDLE h = warm();
    // Gate B1 of each set sits on another back-wall echo, so its time names the set.
    SetRecord r = defaultSet();
    const uint32_t windows[3][2] = {{300, 400}, {600, 800}, {800, 1000}};
    const uint32_t sets[3] = {1, 3, 5};
    for (int i = 0; i < 3; ++i) {
        r.gates.Gate[1] = {windows[i][0], windows[i][1], 800};
        ASSERT_TRUE(prepare(h, sets[i], r));
    }
    ASSERT_TRUE(prepare(h, 7, defaultSet()));
    uint32_t error = 0;
    ASSERT_EQ(KARVO7ActiveParam(h, 0, 1, 0, 1, 0, 1, 0, 1, &error), 1);  // set 7 keeps none
    ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
    // Entries of whole cycles 1, 3, 5 (the last cycle of a fetch may be cut short).
    const auto inCycles = [&](const Bytes& fetch) {
        for (size_t p = 0; p < fetch.size(); p += 24) {
            const CompactEntry e = compact(&fetch[p]);
            const uint32_t* window = windows[(p / 24) % 3];
            ASSERT_TRUE(e.present[1]);
            EXPECT_GE(e.t[1], window[0]) << p;
            EXPECT_LE(e.t[1], window[1]) << p;
        }
    };
    int cycles = 0;
    // Fetches at odd moments, of odd sizes and counts: each holds whole cycles.
    const struct {
        uint32_t advanceMs;
        uint16_t selector;
        uint32_t capacity;
    } fetches[] = {{1, 0, 100},      {0, 0, 100},    {1, 2, 131072}, {1, 4, 131072},
                   {0, 100, 131072}, {2, 0, 131072}, {1, 0, 50}};
    for (const auto& f : fetches) {
        clock.advance(f.advanceMs);
        const Bytes fetch = results(h, f.selector, f.capacity);
        SCOPED_TRACE(cycles);
        ASSERT_EQ(fetch.size() % 72, 0u);
        inCycles(fetch);
        if (f.selector == 2 || f.selector == 4) {
            EXPECT_EQ(fetch.size(), 72u);  // at least one cycle, but whole
        }
        cycles += static_cast<int>(fetch.size() / 72);
    }
    EXPECT_GE(cycles, 20);
    // 121 shots of four sets: the stop cuts a cycle after set 1. The cut cycle ends the fetch
    // that takes it; the next fetch begins with set 1 of the new run.
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
    ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
    clock.advance(1);
    const Bytes rest = results(h, 0, 131072);
    EXPECT_EQ(rest.size() % 72, 24u);
    inCycles(rest);
    const Bytes next = results(h, 0, 131072);
    ASSERT_GE(next.size(), 72u);
    EXPECT_EQ(next.size() % 72, 0u);
    inCycles(next);
    // Emptied within a cycle, the store drops the rest of that cycle; emptied between runs,
    // it drops nothing of the next run.
    clock.advance(1);
    sim->service();
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
    ASSERT_EQ(KARVO7ClearFIFO(h, &error), 1);
    ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
    clock.advance(1);
    sim->service();
    ASSERT_EQ(KARVO7ClearFIFO(h, &error), 1);
    clock.advance(1);
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
    const Bytes cleared = results(h, 0, 131072);
    EXPECT_GE(cleared.size(), 4u * 72u);
    inCycles(cleared);
}

TEST_F(DataStream, NoGateRecordsComeFromSetZero) {
    KARVO7HANDLE h = warm();
    for (uint32_t set : {0u, 1u, 7u}) {
        ASSERT_TRUE(prepare(h, set, defaultSet()));
        identify(h, set);
    }
    uint32_t error = 0;
    ASSERT_EQ(KARVO7ActiveParam(h, 1, 1, 0, 0, 0, 0, 0, 1, &error), 1);
    ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
    clock.advance(1);
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
    const Bytes fetch = results(h, 0, 131072);
    int kennung7 = 0;
    for (size_t p = 0; p < fetch.size();) {
        const Record rec = header(fetch, p);
        ASSERT_TRUE(rec.kennung == -11 || rec.kennung == -17) << rec.kennung;
        kennung7 += rec.kennung == -17;
        p += 56;
        if (p < fetch.size() && le16(&fetch[p + 2]) == 0xFFFF) {
            EXPECT_EQ(rec.kennung, -17);
            p += 4;
        }
    }
    EXPECT_GT(kennung7, 0);
    // A single shot of set 0 leaves no results either.
    ASSERT_EQ(KARVO7SetParam(h, 0, &error), 1);
    EXPECT_FALSE(shot(h).empty());
    EXPECT_TRUE(results(h, 0, 131072).empty());
}

TEST_F(DataStream, GateAmplitudesAreOnTheDisplaysScaleAndClippingOfEitherSignMarks) {
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    r.gain = 400;  // 40 dB: the back-wall echoes clip
    ASSERT_TRUE(prepare(h, 0, r));
    const auto s = samples16(shot(h), 3200);
    // One single-sample gate on a positively clipped sample, one on a negatively clipped one,
    // one on an echo that does not clip, one across the echo's rise.
    size_t plus = 0, minus = 0;
    for (size_t i = 300; i < 400; ++i) {
        plus = plus == 0 && s[i] == 0x7FF0 ? i : plus;
        minus = minus == 0 && s[i] == -0x8000 ? i : minus;
    }
    ASSERT_NE(plus, 0u);
    ASSERT_NE(minus, 0u);
    size_t quiet = 0;  // a sample well inside the converter's range
    for (size_t i = 100; i < 1600 && quiet == 0; ++i) {
        quiet = std::abs(s[i]) > 4000 && std::abs(s[i]) < 20000 ? i : 0;
    }
    ASSERT_NE(quiet, 0u);
    r.gates.Gate[1] = {static_cast<uint32_t>(plus), static_cast<uint32_t>(plus), 16};
    r.gates.Gate[2] = {static_cast<uint32_t>(minus), static_cast<uint32_t>(minus), 16};
    r.gates.Gate[3] = {static_cast<uint32_t>(quiet), static_cast<uint32_t>(quiet), 16};
    // Threshold 1000 on the 12-bit scale: |sample| / 16 >= 1000.
    r.gates.Gate[4] = {300, 400, 1000};
    ASSERT_TRUE(prepare(h, 0, r));
    const auto again = samples16(shot(h), 3200);
    ASSERT_EQ(again, s);
    GateResults g{};
    uint32_t error = 1;
    ASSERT_EQ(KARVO7GetGates(h, &g, &error), 1);
    EXPECT_EQ(g.Gate[1].Maximum, 2044u);  // 0x7FF0 / 16 = 2047, in four-steps
    EXPECT_EQ(g.Gate[1].Marke, 0x100000u);
    EXPECT_EQ(g.Gate[2].Maximum, 2048u);
    EXPECT_EQ(g.Gate[2].Marke, 0x100000u);
    EXPECT_EQ(g.Gate[3].Marke, 0u);
    // v = Maximum / 4 equals the display's ADC axis reading of the sample (sample / 64).
    EXPECT_EQ(g.Gate[3].Maximum / 4, static_cast<uint32_t>(std::abs(s[quiet]) / 64));
    uint32_t crossing = 0;
    for (uint32_t i = 300; i <= 400 && crossing == 0; ++i) {
        crossing = std::abs(s[i]) / 16 >= 1000 ? i : 0;
    }
    EXPECT_EQ(g.Gate[4].Time, crossing);
    // The record layout carries the same amplitude and marker in its slots.
    ASSERT_TRUE(prepare(h, 1, r));
    identify(h, 1);
    ASSERT_EQ(KARVO7SetParam(h, 1, &error), 1);
    shot(h);
    const Bytes rec = results(h, 0, 131072);
    ASSERT_EQ(rec.size(), 56u);
    EXPECT_EQ(le16(&rec[8]), 2047u);     // slot 1: gate B1
    EXPECT_EQ(le16(&rec[14]), 0xC000u);  // result and marker
    EXPECT_EQ(le16(&rec[16]), 2048u);    // slot 2: gate B2
    EXPECT_EQ(le16(&rec[22]) & 0x4000u, 0x4000u);
    EXPECT_EQ(le16(&rec[30]) & 0x4000u, 0u);  // slot 3: no clipping
}

TEST_F(DataStream, RecordTypesFollowTheOutputAndTheSampleWidth) {
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    ASSERT_TRUE(prepare(h, 0, r));
    const auto hf = samples16(shot(h), 3200);
    r.measure.Bit8 = 1;
    ASSERT_TRUE(prepare(h, 0, r));
    const Bytes eight = shot(h);
    identify(h, 0);
    struct Case {
        bool ascan, bit8;
        uint8_t type;
    };
    for (const Case c : {Case{false, false, 0x60}, Case{false, true, 0x60}, Case{true, false, 0x14},
                         Case{true, true, 0x10}}) {
        SCOPED_TRACE(static_cast<int>(c.type) + (c.bit8 ? 1000 : 0));
        r.measure.ASCAN = c.ascan ? 1 : 0;
        r.measure.Bit8 = c.bit8 ? 1 : 0;
        ASSERT_TRUE(prepare(h, 0, r));
        const Bytes data = shot(h);
        const Record rec = header(data, 0);
        EXPECT_EQ(rec.type, c.type);
        EXPECT_EQ(rec.length, data.size());
        if (c.type == 0x60) {
            ASSERT_EQ(rec.length, 6u + 3200u);
            const auto words = samples16(Bytes(data.begin() + 6, data.end()), 3200);
            for (size_t i = 0; i < 1600; ++i) {
                // An 8-bit set's HF sample keeps its upper byte, as the native layout sends it.
                ASSERT_EQ(words[i], c.bit8
                                        ? static_cast<int16_t>(static_cast<int8_t>(eight[i]) * 256)
                                        : hf[i])
                    << i;
            }
        }
    }
}

TEST_F(DataStream, PackedRecordsCarryExactlyTheRecordedSamples) {
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    r.measure.Aufnahmedelay = 370;  // on the first back-wall echo
    r.measure.Aufnahmelaenge = 12;
    ASSERT_TRUE(prepare(h, 0, r));
    const auto hf = samples16(shot(h), 24);
    identify(h, 0);
    r.measure.ASCAN = 1;
    r.measure.Bit8 = 1;
    for (uint16_t n = 1; n <= 12; ++n) {
        SCOPED_TRACE(n);
        r.measure.Aufnahmelaenge = n;
        ASSERT_TRUE(prepare(h, 0, r));
        const Bytes data = shot(h);
        const Record rec = header(data, 0);
        ASSERT_EQ(rec.type, 0x10);
        const uint32_t words = (3 * n + 3) / 4;  // the words the samples need
        ASSERT_EQ(rec.length, 6 + 2 * words);    // 10 samples: 8 words, 22 bytes
        ASSERT_EQ(data.size(), rec.length);
        const auto unpacked = unpack12(&data[6], words);
        ASSERT_GE(unpacked.size(), n);
        ASSERT_LE(unpacked.size(), n + 1);  // a last partial group may read one more
        for (size_t i = 0; i < n; ++i) {
            EXPECT_EQ(static_cast<int16_t>(unpacked[i]), hf[i]) << i;
        }
    }
}

TEST_F(DataStream, TheLargestShotFitsTheDefaultFifoAndASmallFifoReportsItsOverflow) {
    startWithTrigger(1000);
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    r.measure.Aufnahmelaenge = 65535;
    r.measure.ExternerTrigger = 1;
    ASSERT_TRUE(prepare(h, 0, r));
    identify(h, 0);
    const Bytes data = shot(h);  // the trigger fires on every millisecond
    ASSERT_EQ(data.size(), 8u + 6u + 2u * 65535u);
    const Record rec = header(data, 0);
    EXPECT_TRUE(rec.prefixed);
    EXPECT_EQ(rec.type, 0x60);
    EXPECT_EQ(rec.length, 6u + 2u * 65535u);
    EXPECT_EQ(sim->droppedShots(1), 0u);

    startWithTrigger(1000, 65536);
    h = warm();
    ASSERT_TRUE(prepare(h, 0, r));
    uint32_t error = 1;
    ASSERT_EQ(KARVO7Start(h, &error), 1);
    CardStatus status{};
    ASSERT_EQ(KARVO7GetStatus(h, &status), 1);
    EXPECT_NE(status.Status & 0x10u, 0u);  // overflow
    EXPECT_EQ(sim->droppedShots(1), 1u);
    Bytes buffer(262144);
    uint32_t count = 262144;
    EXPECT_EQ(KARVO7StartGetData(h, &count, buffer.data(), nullptr, &error), 0);  // at once
    EXPECT_EQ(error, k7sim::err::kFifoOverflow);
    count = 262144;
    EXPECT_EQ(KARVO7GetData(h, &count, buffer.data(), &error), 0);
    EXPECT_EQ(error, k7sim::err::kFifoOverflow);
    // Emptying the FIFO clears the overflow; a shot that fits is read again.
    ASSERT_EQ(KARVO7ClearFIFO(h, &error), 1);
    ASSERT_EQ(KARVO7GetStatus(h, &status), 1);
    EXPECT_EQ(status.Status & 0x10u, 0u);
    r.measure.Aufnahmelaenge = 1600;
    ASSERT_TRUE(prepare(h, 0, r));
    clock.advance(2);  // after the long shot, on a trigger edge
    EXPECT_EQ(shot(h).size(), 3200u);
}

TEST_F(DataStream, SingleShotsCarryDistinctCardTimes) {
    startWithTrigger(20000);  // an edge every 50 us
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    r.measure.ExternerTrigger = 1;
    ASSERT_TRUE(prepare(h, 0, r));
    identify(h, 0);
    uint32_t error = 1;
    for (int i = 0; i < 5; ++i) {  // five starts within one millisecond of the clock
        ASSERT_EQ(KARVO7Start(h, &error), 1);
    }
    clock.advance(1);
    sim->service();
    uint32_t last = 0;
    for (int i = 0; i < 5; ++i) {
        const Record rec = header(read(h), 0);
        ASSERT_TRUE(rec.prefixed);
        if (i > 0) {
            EXPECT_GE(rec.zeit - last, 50u) << i;  // one shot period at least
        }
        last = rec.zeit;
    }
}

}  // namespace
