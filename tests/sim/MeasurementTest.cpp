// Measured data of every layout decodes to the specimen's echoes; gate results are evaluated
// on the same signal; continuous measurement is paced by the clock into a bounded FIFO.
#include <cmath>

#include "SimFixture.h"

using namespace simtest;

namespace {

// Echo k of the default specimen at 40 MHz: interface at 2 us, 22 mm steel at 5920 m/s.
double echoSample(int k) {
    return (2.0 + k * 2.0 * 22.0 / 5920.0 * 1000.0) * 40.0;
}

class Measurement : public SimTest {
  protected:
    Bytes shot(KARVO7HANDLE h) { return simtest::shot(h); }
};

TEST_F(Measurement, NativeSamplesShowTheBackWallEchoesAndTheGatesMeasureThem) {
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepare(h, 0, defaultSet()));
    const Bytes data = shot(h);
    ASSERT_EQ(data.size(), 3200u);
    const auto s = samples16(data, data.size());
    for (int k = 1; k <= 4; ++k) {
        const auto expected = static_cast<size_t>(std::lround(echoSample(k)));
        EXPECT_NEAR(static_cast<double>(peakIndex(s, expected - 40, expected + 40)), echoSample(k),
                    1.0)
            << "echo " << k;
    }
    for (int16_t v : s) {
        EXPECT_EQ(v & 0xF, 0);  // 12-bit converter, left-aligned
    }
    uint32_t error = 1;
    GateResults gates{};
    ASSERT_EQ(KARVO7GetGates(h, &gates, &error), 1);
    // Gate B1 (300-400, threshold 800 on the 12-bit scale) on the first back-wall echo.
    uint32_t crossing = 0;
    uint32_t peak = 0;
    for (uint32_t i = 300; i <= 400; ++i) {
        const uint32_t a = static_cast<uint32_t>(std::abs(s[i])) >> 4;
        if (crossing == 0 && a >= 800) {
            crossing = i;
        }
        peak = std::max(peak, a);
    }
    EXPECT_EQ(gates.Gate[1].Time, crossing);
    EXPECT_EQ(gates.Gate[1].Maximum, (peak >> 2) * 4);
    EXPECT_NEAR(gates.Gate[1].Time, echoSample(1), 8.0);
    EXPECT_GT(gates.Gate[4].Time, 1100u);
    EXPECT_EQ(gates.Gate[0].Time, 0u);  // B0 disabled
    // The echo-start gate (from sample 200, level 30) finds the first back-wall echo.
    EXPECT_LE(gates.ESDelay, echoSample(1));
    EXPECT_GE(gates.ESDelay, echoSample(1) - 16.0);
    uint32_t word = 0;
    ASSERT_EQ(KARVO7GetESGate(h, &word, &error), 1);
    EXPECT_EQ(word & 0xFFFFF, gates.ESDelay);
}

TEST_F(Measurement, GainAndTransmitterLockChangeTheSignal) {
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    ASSERT_TRUE(prepare(h, 0, r));
    const auto loud = samples16(shot(h), 3200);
    r.gain = 0;  // 20 dB less
    ASSERT_TRUE(prepare(h, 0, r));
    const auto quiet = samples16(shot(h), 3200);
    const size_t p = peakIndex(loud, 350, 400);
    EXPECT_NEAR(std::abs(loud[p]) / static_cast<double>(std::abs(quiet[p])), 10.0, 0.2);
    r.special.Sendersperre = 1;
    ASSERT_TRUE(prepare(h, 0, r));
    for (int16_t v : samples16(shot(h), 3200)) {
        ASSERT_EQ(v, 0);  // noise off, offset adjusted: silence
    }
}

TEST_F(Measurement, EightBitAndRectifiedAscans) {
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    ASSERT_TRUE(prepare(h, 0, r));
    const auto hf = samples16(shot(h), 3200);
    r.measure.Bit8 = 1;
    ASSERT_TRUE(prepare(h, 0, r));
    const Bytes eight = shot(h);
    ASSERT_EQ(eight.size(), 1600u);
    for (size_t i = 0; i < 1600; ++i) {
        ASSERT_EQ(static_cast<int8_t>(eight[i]), hf[i] >> 8) << i;
    }
    r.measure.Bit8 = 0;
    r.measure.ASCAN = 1;
    r.measure.Faktor = 4;
    r.measure.Gleichrichtung = 3;  // full wave
    ASSERT_TRUE(prepare(h, 0, r));
    const auto ascan = samples16(shot(h), 800);
    ASSERT_EQ(ascan.size(), 400u);
    for (size_t i = 0; i < 400; ++i) {
        int32_t best = 0;
        for (size_t k = 4 * i; k < 4 * i + 4; ++k) {
            best = std::max(best, std::abs(static_cast<int32_t>(hf[k])));
        }
        ASSERT_EQ(ascan[i], std::min(best, 32767)) << i;
    }
}

TEST_F(Measurement, RecordLayoutCarriesTheIdentificationOfTheSet) {
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    ASSERT_TRUE(prepare(h, 0, r));
    const auto hf = samples16(shot(h), 3200);
    uint32_t error = 0;
    ASSERT_EQ(KARVO7SetVIRMA4(h, 0, -10, &error), 1);
    Bytes data = shot(h);
    Record rec = header(data, 0);
    EXPECT_FALSE(rec.prefixed);
    EXPECT_EQ(rec.type, 0x60);  // HF samples
    EXPECT_EQ(rec.length, data.size());
    EXPECT_EQ(rec.length, 6u + 3200u);
    EXPECT_EQ(rec.kennung, -10);
    EXPECT_EQ(samples16(Bytes(data.begin() + 6, data.end()), 3200), hf);

    r.measure.ASCAN = 1;
    r.measure.Faktor = 1;
    r.measure.Gleichrichtung = 0;
    ASSERT_TRUE(prepare(h, 0, r));
    data = shot(h);
    EXPECT_EQ(header(data, 0).type, 0x14);
    EXPECT_EQ(samples16(Bytes(data.begin() + 6, data.end()), 3200), hf);

    r.measure.Bit8 = 1;  // packed 12-bit samples
    r.measure.Aufnahmelaenge = 1598;
    ASSERT_TRUE(prepare(h, 0, r));
    data = shot(h);
    rec = header(data, 0);
    EXPECT_EQ(rec.type, 0x10);
    EXPECT_EQ(rec.length, data.size());
    const size_t words = (rec.length - 6) / 2;
    EXPECT_EQ(words, 1199u);  // 1598 samples, four into three words, a last group of two
    const auto unpacked = unpack12(&data[6], words);
    ASSERT_GE(unpacked.size(), 1598u);
    for (size_t i = 0; i < 1598; ++i) {
        ASSERT_EQ(static_cast<int16_t>(unpacked[i]), hf[i]) << i;
    }
}

TEST_F(Measurement, ExternallyTriggeredRecordsHaveATimeStampPrefix) {
    TearDown();
    auto config = testConfig(1);
    config.cards[0].externalTriggerHz = 10000;  // an edge every 100 us, on every millisecond
    start(config);
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    r.measure.ExternerTrigger = 1;
    ASSERT_TRUE(prepare(h, 0, r));
    uint32_t error = 0;
    ASSERT_EQ(KARVO7SetVIRMA4(h, 0, -10, &error), 1);
    clock.advance(250);
    const Bytes data = shot(h);
    const Record rec = header(data, 0);
    EXPECT_TRUE(rec.prefixed);
    EXPECT_EQ(rec.length, data.size() - 8);
    const uint32_t first = rec.zeit;
    clock.advance(3);
    const Record next = header(shot(h), 0);
    EXPECT_EQ(next.zeit - first, 3000u);  // microseconds of card time
}

TEST_F(Measurement, NativeResultsHoldOneCompactEntryPerActiveSetOneToSix) {
    KARVO7HANDLE h = warm();
    uint32_t error = 0;
    for (uint32_t set : {0u, 2u, 5u, 7u}) {
        ASSERT_TRUE(prepare(h, set, defaultSet()));
    }
    ASSERT_EQ(KARVO7ActiveParam(h, 1, 0, 1, 0, 0, 1, 0, 1, &error), 1);
    ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
    clock.advance(1);
    Bytes results(131072);
    uint32_t count = 131072;
    ASSERT_EQ(KARVO7GetResults(h, 0, &count, results.data(), &error), 1);
    ASSERT_EQ(count % 24, 0u);
    ASSERT_GE(count, 24u);
    // Shots cycle over sets 0, 2, 5, 7; entries come only from sets 2 and 5.
    const uint32_t cycles = count / 48;
    EXPECT_EQ(count, cycles * 48 + (count % 48));
    const CompactEntry e = compact(&results[0]);
    EXPECT_TRUE(e.present[1]);
    EXPECT_NEAR(e.t[1], echoSample(1), 8.0);
    EXPECT_FALSE(e.present[0]);
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
}

TEST_F(Measurement, RecordResultsAreGateRecordsWithControlWordsBetweenCycles) {
    KARVO7HANDLE h = warm();
    uint32_t error = 0;
    for (uint32_t set : {1u, 3u}) {
        ASSERT_TRUE(prepare(h, set, defaultSet()));
        ASSERT_EQ(KARVO7SetVIRMA4(h, set, static_cast<int16_t>(-(10 + set)), &error), 1);
    }
    ASSERT_EQ(KARVO7ActiveParam(h, 0, 1, 0, 1, 0, 0, 0, 0, &error), 1);
    ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
    clock.advance(1);  // 20 shots at 20 kHz
    Bytes results(131072);
    uint32_t count = 0;
    ASSERT_EQ(KARVO7GetResults(h, 100, &count, nullptr, &error), 1);
    count = 131072;
    ASSERT_EQ(KARVO7GetData(h, &count, results.data(), &error), 1);
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
    // The block measurement's walk: record, 56 bytes on, a control word is skipped.
    size_t p = 0;
    int records = 0, cycles = 0;
    while (p < count) {
        const Record rec = header(results, p);
        ASSERT_EQ(rec.type, 0x40);
        ASSERT_EQ(rec.length, 56u);
        EXPECT_EQ(rec.kennung, records % 2 == 0 ? -11 : -13);
        for (int n = 1; n <= 4; ++n) {
            const uint16_t status = le16(&results[p + 14 + 8 * (n - 1)]);
            ASSERT_NE(status & 0x8000, 0);
            const uint32_t position = le16(&results[p + 12 + 8 * (n - 1)]) / 2u;
            const uint32_t anfang[5] = {300, 300, 600, 800, 1100};
            const uint32_t ende[5] = {400, 400, 800, 1000, 1400};
            EXPECT_GE(position, anfang[n]);
            EXPECT_LE(position, ende[n]);
        }
        ++records;
        p += 56;
        if (p < count && le16(&results[p + 2]) == 0xFFFF) {
            EXPECT_EQ(le32(&results[p]), 0xFFFFEFFFu);
            ++cycles;
            p += 4;
        }
    }
    EXPECT_EQ(records, 21);  // every 50 us from the start through one millisecond
    EXPECT_EQ(cycles, 10);
}

TEST_F(Measurement, ContinuousShotsFollowTheClockIntoABoundedFifo) {
    TearDown();
    auto config = testConfig(1);
    config.fifoBytes = 10 * 3200;
    start(config);
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    r.measure.Start = 3;   // continuous
    r.measure.IFF = 1000;  // 1 kHz
    ASSERT_TRUE(prepare(h, 0, r));
    uint32_t error = 0, flag = 7;
    ASSERT_EQ(KARVO7IsDataInFIFO(h, &flag, &error), 1);
    EXPECT_EQ(flag, 0u);
    ASSERT_EQ(KARVO7Start(h, &error), 1);
    EXPECT_EQ(sim->fifoBytes(1), 3200u);  // the first shot at once
    clock.advance(4);
    EXPECT_EQ(sim->fifoBytes(1), 5u * 3200u);
    ASSERT_EQ(KARVO7IsDataInFIFO(h, &flag, &error), 1);
    EXPECT_EQ(flag, 1u);
    CardStatus status{};
    ASSERT_EQ(KARVO7GetStatus(h, &status), 1);
    EXPECT_EQ(status.Modus, 3);
    EXPECT_EQ(status.Status8, 5u * 3200u);
    clock.advance(100);  // the reader falls behind: ten shots fit, the rest are dropped
    EXPECT_EQ(sim->fifoBytes(1), 10u * 3200u);
    EXPECT_EQ(sim->droppedShots(1), 95u);
    Bytes buffer(131072);
    for (int i = 0; i < 10; ++i) {
        uint32_t count = 131072;
        ASSERT_EQ(KARVO7GetData(h, &count, buffer.data(), &error), 1);
        EXPECT_EQ(count, 3200u);  // one shot per read
    }
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
    ASSERT_EQ(KARVO7ClearFIFO(h, &error), 1);
    ASSERT_EQ(KARVO7IsDataInFIFO(h, &flag, &error), 1);
    EXPECT_EQ(flag, 0u);
}

TEST_F(Measurement, AscanRequestDuringABlockAnswersWithTheNextShotOfTheSet) {
    KARVO7HANDLE h = warm();
    uint32_t error = 0;
    SetRecord r = defaultSet();
    ASSERT_TRUE(prepare(h, 1, r));
    r.measure.Aufnahmelaenge = 500;
    ASSERT_TRUE(prepare(h, 2, r));
    ASSERT_EQ(KARVO7ActiveParam(h, 0, 1, 1, 0, 0, 0, 0, 0, &error), 1);
    ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
    uint32_t count = 0;
    ASSERT_EQ(KARVO7GetASCAN(h, 2, &count, nullptr, &error), 1);
    Bytes buffer(131072);
    count = 131072;
    ASSERT_EQ(KARVO7StartGetData(h, &count, buffer.data(), nullptr, &error), 1);
    clock.advance(1);
    sim->service();
    ASSERT_EQ(KARVO7IsReadyGetDataIntReturn(h, &count, &error), 0);
    EXPECT_EQ(count, 1000u);  // set 2 records 500 samples
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
}

TEST_F(Measurement, EqualSeedsGiveEqualBytesAndNoiseDiffersByShot) {
    TearDown();
    auto config = testConfig(1);
    config.cards[0].specimen.noise = 0.01;
    start(config);
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepare(h, 0, defaultSet()));
    const Bytes a = shot(h);
    const Bytes b = shot(h);
    EXPECT_NE(a, b);
    close(h);
    sim->uninstall();
    k7sim::Simulator again(config);
    ASSERT_TRUE(again.install());
    h = KARVO7Open(1);
    uint32_t error = 0;
    ASSERT_EQ(KARVO7WarmUp(h, &error), 1);
    ASSERT_TRUE(prepare(h, 0, defaultSet()));
    EXPECT_EQ(shot(h), a);
    EXPECT_EQ(shot(h), b);
    KARVO7Close(h);
}

TEST_F(Measurement, EmulatedSingleStartOnACardOfAnEarlierVersion) {
    TearDown();
    auto config = testConfig(1);
    config.cards[0].version3 = false;
    start(config);
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    r.measure.Start = 2;
    ASSERT_TRUE(prepare(h, 0, r));
    Bytes buffer(131072);
    uint32_t count = 131072, error = 0;
    EXPECT_EQ(KARVO7GetData(h, &count, buffer.data(), &error), 0);
    EXPECT_EQ(error, 0x80030000u);
    ASSERT_EQ(KARVO7Start(h, &error), 1);
    for (int i = 0; i < 3; ++i) {
        count = 131072;
        ASSERT_EQ(KARVO7GetData(h, &count, buffer.data(), &error), 1);
        EXPECT_EQ(count, 3200u);  // each read takes one shot
    }
    EXPECT_EQ(KARVO7SetParam(h, 1, &error), 0);  // one set only
    EXPECT_EQ(error, k7sim::err::kNoSuchSet);
}

TEST_F(Measurement, DepthCompensationRaisesTheGainAlongTheCurve) {
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    ASSERT_TRUE(prepare(h, 0, r));
    const auto flat = samples16(shot(h), 3200);
    static const uint16_t table[2] = {0, 60};  // +0 dB at sample 0, +6 dB from sample 1000
    r.measure.TATabelle = table;
    r.measure.TAStuetzstellen = 1;
    r.measure.TAAbstand = 1000;
    uint32_t error = 0;
    ASSERT_EQ(KARVO7PrepMeasureParamPointer(h, 0, &r.measure, &error), 1);
    const auto curved = samples16(shot(h), 3200);
    const size_t late = peakIndex(flat, 1240, 1300);
    EXPECT_NEAR(curved[late] / static_cast<double>(flat[late]), std::pow(10.0, 6.0 / 20.0), 0.05);
    EXPECT_NE(KARVO7ReadRegister(h, 1046) & 0x4000u, 0u);
    EXPECT_EQ(KARVO7ReadRegister(h, 1052), 1000u);
}

}  // namespace
