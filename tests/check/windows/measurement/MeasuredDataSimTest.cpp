// Round trips against simulated cards: what the cards deliver in every layout decodes, through the
// display, the data list and the result walkers, to the samples and gate values the card
// computed. The expectations hold for any card that keeps to the data format: the same shot gives
// the same samples in every layout, records carry the set's identifier, results cycle over the
// active sets.
#include <gtest/gtest.h>

#include <set>

#include "Format.h"
#include "SimFixture.h"
#include "desktop/scripted/RecordingCanvas.h"
#include "stream/ResultWalkers.h"
#include "windows/measurement/DataList.h"
#include "windows/measurement/MeasuredDataDisplay.h"

namespace {

using simtest::Bytes;
using simtest::SetRecord;

class MeasuredDataSim : public simtest::SimTest {
  protected:
    Bytes shot(KARVO7HANDLE h) { return simtest::shot(h); }
    // The set's HF samples as the native layout delivers them (16 bits, A-scan off).
    std::vector<int16_t> nativeHf(KARVO7HANDLE h, SetRecord r) {
        r.measure.Bit8 = 0;
        r.measure.ASCAN = 0;
        EXPECT_TRUE(simtest::prepare(h, 0, r));
        const Bytes data = shot(h);
        k7check::MeasuredDataDisplay display;
        EXPECT_FALSE(display.setInputs(inputs(data, false)));
        return display.samples();
    }
    static k7check::MeasuredDataInputs inputs(const Bytes& b, bool recordLayout,
                                              bool eightBit = false) {
        k7check::MeasuredDataInputs in;
        in.recordLayout = recordLayout;
        in.eightBit = eightBit;
        in.data = b.data();
        in.length = static_cast<uint32_t>(b.size());
        in.number = 1;
        in.samplingRate = 1;
        return in;
    }
};

TEST_F(MeasuredDataSim, NativeSixteenAndEightBitSamples) {
    KARVO7HANDLE h = warm();
    SetRecord r = simtest::defaultSet();
    const std::vector<int16_t> hf = nativeHf(h, r);
    ASSERT_EQ(hf.size(), 1600u);
    EXPECT_EQ(hf, simtest::samples16(shot(h), 3200));  // the display reads the words as they are

    r.measure.Bit8 = 1;
    ASSERT_TRUE(simtest::prepare(h, 0, r));
    const Bytes eight = shot(h);
    k7check::MeasuredDataDisplay display;
    ASSERT_FALSE(display.setInputs(inputs(eight, false, true)));
    ASSERT_EQ(display.samples().size(), 1600u);
    for (std::size_t i = 0; i < 1600; ++i) {
        ASSERT_EQ(display.samples()[i], hf[i] >> 8) << i;
    }
    const k7check::DataList list({true, false, eight.data(), 1600, 1});
    ASSERT_EQ(list.lineCount(), 1601u);
    EXPECT_EQ(list.line(0), "1600 Bytes");
    const std::size_t peak = simtest::peakIndex(hf, 300, 400);
    const int s = hf[peak] >> 8;
    EXPECT_EQ(
        list.line(1 + peak),
        k7check::formatText("%8.3fµs  %6.1f%% | %4i %6d 0x%04X", 0.025 * static_cast<double>(peak),
                            s / 1.28, static_cast<int>(peak), s, static_cast<unsigned>(s)));
}

TEST_F(MeasuredDataSim, EveryRecordTypeDecodesToTheNativeSamples) {
    KARVO7HANDLE h = warm();
    const SetRecord base = simtest::defaultSet();
    const std::vector<int16_t> hf = nativeHf(h, base);
    uint32_t error = 0;
    ASSERT_EQ(KARVO7SetVIRMA4(h, 0, -10, &error), 1);
    std::set<int> types;
    // HF and A-scans (factor 1, no rectification: the HF samples), 16 and 8 bits; the 8-bit sets
    // record a length that is no multiple of four.
    for (const bool ascan : {false, true}) {
        for (const bool eightBit : {false, true}) {
            SCOPED_TRACE(std::string(ascan ? "A-scan" : "HF") + (eightBit ? " 8-bit" : " 16-bit"));
            SetRecord r = base;
            r.measure.ASCAN = ascan ? 1 : 0;
            r.measure.Bit8 = eightBit ? 1 : 0;
            r.measure.Aufnahmelaenge = eightBit ? 1598 : 1600;
            ASSERT_TRUE(simtest::prepare(h, 0, r));
            const Bytes data = shot(h);
            k7check::MeasuredDataDisplay display;
            const auto message = display.setInputs(inputs(data, true));
            ASSERT_FALSE(message) << *message;
            const auto header = k7check::stream::readHeader(data);
            ASSERT_TRUE(header);
            types.insert(header->type);
            EXPECT_EQ(display.statusLine(),
                      k7check::formatText("1: (%zu) %zu Bytes 0x%X, Kennung -10", data.size(),
                                          data.size(), static_cast<unsigned>(header->type)));
            const auto& s = display.samples();
            const std::size_t n = r.measure.Aufnahmelaenge;
            ASSERT_GE(s.size(), n);
            ASSERT_LE(s.size(), n + 3);  // a packed record may fill its last group
            // An 8-bit set's record keeps the upper byte of each sample.
            const auto mask = static_cast<int16_t>(eightBit && ascan == false ? 0xFF00 : 0xFFFF);
            for (std::size_t i = 0; i < n; ++i) {
                ASSERT_EQ(s[i], static_cast<int16_t>(hf[i] & mask)) << i;
            }
            // The data list lists the same samples behind its three header lines.
            const k7check::DataList list(
                {false, true, data.data(), static_cast<uint32_t>(data.size()), 1});
            EXPECT_EQ(list.line(0), k7check::formatText("%zu Bytes", data.size()));
            EXPECT_EQ(list.line(2), "Kennung 65526");
            EXPECT_EQ(list.sampleCount(), s.size());
            const std::size_t peak = simtest::peakIndex(hf, 300, 400);
            const auto v = static_cast<int16_t>(hf[peak] & mask);
            EXPECT_EQ(list.line(3 + peak),
                      k7check::formatText("%8.3fµs  %6.1f%% | %4i %6d (%4d) 0x%04X",
                                          0.025 * static_cast<double>(peak), v / 327.68,
                                          static_cast<int>(peak), v / 64, (v & ~0x7F) / 64,
                                          static_cast<unsigned>(static_cast<uint16_t>(v))));
        }
    }
    EXPECT_EQ(types, (std::set<int>{0x10, 0x14, 0x60}));
}

TEST_F(MeasuredDataSim, ExternallyTriggeredRecordShowsItsTime) {
    // Externally triggered sets shoot on the edges of a trigger source.
    k7sim::Config config = simtest::testConfig();
    config.cards[0].externalTriggerHz = 1000.0;
    sim.reset();
    start(config);
    KARVO7HANDLE h = warm();
    SetRecord r = simtest::defaultSet();
    const std::vector<int16_t> hf = nativeHf(h, r);
    r.measure.ExternerTrigger = 1;
    ASSERT_TRUE(simtest::prepare(h, 0, r));
    uint32_t error = 0;
    ASSERT_EQ(KARVO7SetVIRMA4(h, 0, -10, &error), 1);
    clock.advance(250);
    const Bytes data = shot(h);
    ASSERT_FALSE(data.empty());
    ASSERT_EQ(data[0], 0xFF);
    const uint32_t zeit = simtest::le32(&data[4]);
    ASSERT_NE(zeit, 0u);
    k7check::MeasuredDataDisplay display;
    ASSERT_FALSE(display.setInputs(inputs(data, true)));
    EXPECT_EQ(display.timeLine(), k7check::formatText("Zeit %u", zeit));
    EXPECT_EQ(display.samples(), hf);
    const k7check::DataList list({false, true, data.data(), static_cast<uint32_t>(data.size()), 1});
    EXPECT_EQ(list.line(0), k7check::formatText("Zeitpunkt %u:", zeit));
    EXPECT_EQ(list.line(1), k7check::formatText("%zu Bytes", data.size() - 8));
    EXPECT_EQ(list.sampleCount(), 1600u);
}

TEST_F(MeasuredDataSim, GateRecordsWithControlWordsBetweenCycles) {
    KARVO7HANDLE h = warm();
    uint32_t error = 0;
    const SetRecord r = simtest::defaultSet();
    for (uint32_t set : {1u, 3u}) {
        ASSERT_TRUE(simtest::prepare(h, set, r));
        ASSERT_EQ(KARVO7SetVIRMA4(h, set, static_cast<int16_t>(-(10 + set)), &error), 1);
    }
    ASSERT_EQ(KARVO7ActiveParam(h, 0, 1, 0, 1, 0, 0, 0, 0, &error), 1);
    ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
    clock.advance(1);
    Bytes results(131072);
    uint32_t count = 0;
    ASSERT_EQ(KARVO7GetResults(h, 100, &count, nullptr, &error), 1);
    count = 131072;
    ASSERT_EQ(KARVO7GetData(h, &count, results.data(), &error), 1);
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
    results.resize(count);

    k7check::stream::RecordResultWalker walker(results);
    k7check::stream::ResultItem item;
    int records = 0;
    int cycles = 0;
    while (walker.next(item)) {
        if (item.kind == k7check::stream::ResultItem::Kind::Control) {
            EXPECT_EQ(item.control, k7check::stream::ControlWord::EndePruefzyklus);
            EXPECT_EQ(item.cycle, ++cycles);
            continue;
        }
        ++records;
        const auto& rec = item.record;
        EXPECT_EQ(rec.type, k7check::stream::kTypeGates);
        EXPECT_TRUE(rec.kennung == -11 || rec.kennung == -13) << rec.kennung;
        // Slots 1 to 4 are gates B1 to B4, their times in half samples.
        for (std::size_t n = 1; n <= 4; ++n) {
            const auto& slot = rec.slots[n - 1];
            ASSERT_TRUE(slot.present()) << n;
            EXPECT_GE(slot.time / 2u, r.gates.Gate[n].Anfang) << n;
            EXPECT_LE(slot.time / 2u, r.gates.Gate[n].Ende) << n;
            EXPECT_EQ(slot.time, simtest::le16(&results[item.offset + 12 + 8 * (n - 1)]));
        }
    }
    EXPECT_EQ(walker.leftOver(), 0u);
    EXPECT_GT(records, 2);
    EXPECT_GE(cycles, 1);
    EXPECT_LE(cycles, records);
}

TEST_F(MeasuredDataSim, NativeResultsDecodeToTheCardsGateValues) {
    KARVO7HANDLE h = warm();
    uint32_t error = 0;
    const SetRecord r = simtest::defaultSet();
    for (uint32_t set : {2u, 5u}) {
        ASSERT_TRUE(simtest::prepare(h, set, r));
    }
    ASSERT_EQ(KARVO7ActiveParam(h, 0, 0, 1, 0, 0, 1, 0, 0, &error), 1);
    ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
    clock.advance(1);
    Bytes results(131072);
    uint32_t count = 131072;
    ASSERT_EQ(KARVO7GetResults(h, 0, &count, results.data(), &error), 1);
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
    results.resize(count);
    ASSERT_GE(count, 48u);

    std::array<bool, 8> active{};
    active[2] = active[5] = true;
    k7check::stream::NativeResultWalker walker(results, active);
    k7check::stream::NativeItem item;
    std::size_t entries = 0;
    while (walker.next(item)) {
        ++entries;
        EXPECT_EQ(item.set, entries % 2 == 1 ? 2u : 5u);
        const simtest::CompactEntry expected = simtest::compact(&results[item.offset]);
        EXPECT_EQ(item.entry.d, expected.d);
        for (std::size_t k = 0; k < 5; ++k) {
            EXPECT_EQ(item.entry.gates[k].present, expected.present[k]);
            EXPECT_EQ(item.entry.gates[k].t, expected.t[k]);
            EXPECT_EQ(item.entry.gates[k].v, expected.v[k]);
        }
        // B1 finds the first back-wall echo in every shot of both sets.
        ASSERT_TRUE(item.entry.gates[1].present);
        EXPECT_GE(item.entry.gates[1].t, r.gates.Gate[1].Anfang);
        EXPECT_LE(item.entry.gates[1].t, r.gates.Gate[1].Ende);
    }
    EXPECT_EQ(entries, count / 24);
}

TEST_F(MeasuredDataSim, SingleShotGateValuesReachTheDisplay) {
    KARVO7HANDLE h = warm();
    SetRecord r = simtest::defaultSet();
    ASSERT_TRUE(simtest::prepare(h, 0, r));
    const Bytes data = shot(h);
    uint32_t error = 0;
    GateResults gates{};
    ASSERT_EQ(KARVO7GetGates(h, &gates, &error), 1);
    uint32_t es = 0;
    ASSERT_EQ(KARVO7GetESGate(h, &es, &error), 1);
    EXPECT_EQ(es & 0xFFFFFu, gates.ESDelay);

    k7check::MeasuredDataDisplay display;
    auto in = inputs(data, false);
    in.gateResults = gates;
    in.gateParams = r.gates;
    ASSERT_FALSE(display.setInputs(in));
    k7check::RecordingCanvas canvas;
    display.paint(canvas, {800, 600});
    const std::string b1 = k7check::formatText("B1: t =%4u v =%3u", gates.Gate[1].Time,
                                               static_cast<unsigned>(gates.Gate[1].Maximum / 4));
    EXPECT_TRUE(canvas.findText(b1) != nullptr || canvas.findText(b1 + "^") != nullptr) << b1;
    EXPECT_EQ(canvas.lines(k7check::kRed, 3).size(), 2u);
    EXPECT_EQ(canvas.lines(k7check::kMagenta, 3).size(), 2u);  // B0 disabled, its bar drawn
}

}  // namespace
