// The decoder against simulated cards: what the cards deliver decodes, through the C interface,
// to the samples the card recorded and to the same values the check program's readers give.
#include <gtest/gtest.h>

#include <array>

#include "KARVO7Stream.h"
#include "SimCapture.h"
#include "stream/ResultWalkers.h"

using namespace streamtest;

namespace {

std::vector<KARVO7StreamItem> walkAll(const Bytes& data, const KARVO7StreamOptions& o,
                                      std::vector<std::vector<int16_t>>* samples = nullptr) {
    KARVO7StreamWalker walker;
    EXPECT_EQ(KARVO7StreamBegin(&walker, data.data(), data.size(), &o), 1);
    std::vector<KARVO7StreamItem> items;
    std::vector<int16_t> out(65536);
    KARVO7StreamItem item{};
    item.struct_size = sizeof item;
    while (KARVO7StreamNext(&walker, &item, out.data(), 65536) == 1) {
        items.push_back(item);
        if (samples != nullptr) {
            samples->emplace_back(out.begin(), out.begin() + item.samples_written);
        }
    }
    return items;
}

}  // namespace

TEST_F(StreamSim, RecordShotsOfEveryTypeDecodeToTheRecordedSamples) {
    KARVO7HANDLE h = warm();
    // 1598 and 1597 samples give packed records whose last group is partial.
    const Shots s = recordShots(h, {1600, 1598, 1597});
    KARVO7StreamOptions o{};
    o.layout = KARVO7STREAM_LAYOUT_RECORD;
    std::vector<std::vector<int16_t>> samples;
    const auto items = walkAll(s.stream, o, &samples);
    ASSERT_EQ(items.size(), s.shots.size());
    std::array<int, 256> types{};
    uint64_t offset = 0;
    for (std::size_t n = 0; n < items.size(); ++n) {
        SCOPED_TRACE(n);
        const KARVO7StreamItem& item = items[n];
        ASSERT_EQ(item.kind, KARVO7STREAM_ITEM_RECORD);
        EXPECT_EQ(item.offset, offset);
        EXPECT_EQ(item.size, s.shots[n].size());
        EXPECT_EQ(item.kennung, -10);
        ++types[item.type];
        offset += item.size;
        // The recorded samples, then at most the rest of a last packed group.
        ASSERT_GE(samples[n].size(), s.counts[n]);
        ASSERT_LE(samples[n].size(), s.counts[n] + 2);
        EXPECT_EQ(std::vector<int16_t>(samples[n].begin(), samples[n].begin() + s.counts[n]),
                  s.expected[n]);
        // The display's reading of the shot alone gives the same samples.
        const k7check::stream::AscanRecord display = k7check::stream::decodeAscanRecord(s.shots[n]);
        ASSERT_EQ(display.status, k7check::stream::AscanRecord::Status::Ok);
        EXPECT_EQ(display.samples, samples[n]);
    }
    EXPECT_EQ(types[0x10], 3);
    EXPECT_EQ(types[0x14], 3);
    EXPECT_EQ(types[0x60], 6);
}

TEST_F(StreamSim, ExternallyTriggeredShotsCarryTheirTimeStamp) {
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
    Bytes stream;
    for (int n = 0; n < 3; ++n) {
        clock.advance(250);
        const Bytes data = shot(h);
        ASSERT_EQ(data.at(0), 0xFF);
        stream.insert(stream.end(), data.begin(), data.end());
    }
    KARVO7StreamOptions o{};
    o.layout = KARVO7STREAM_LAYOUT_RECORD;
    std::vector<std::vector<int16_t>> samples;
    const auto items = walkAll(stream, o, &samples);
    ASSERT_EQ(items.size(), 3u);
    uint32_t previous = 0;
    for (std::size_t n = 0; n < 3; ++n) {
        EXPECT_EQ(items[n].flags, KARVO7STREAM_ITEM_PREFIXED);
        EXPECT_EQ(items[n].zeit, simtest::le32(&stream[items[n].offset + 4]));
        EXPECT_GT(items[n].zeit, previous);
        previous = items[n].zeit;
        EXPECT_EQ(samples[n], hf);
    }
}

TEST_F(StreamSim, RecordGateResultsAgreeWithTheGateValueListsReading) {
    KARVO7HANDLE h = warm();
    const Bytes results = gateResults(h, true);
    KARVO7StreamOptions o{};
    o.layout = KARVO7STREAM_LAYOUT_RECORD;
    const auto items = walkAll(results, o);
    k7check::stream::RecordResultWalker reference(results);
    k7check::stream::ResultItem expected;
    std::size_t n = 0;
    int records = 0;
    while (reference.next(expected)) {
        ASSERT_LT(n, items.size());
        const KARVO7StreamItem& item = items[n++];
        if (expected.kind == k7check::stream::ResultItem::Kind::Control) {
            ASSERT_EQ(item.kind, KARVO7STREAM_ITEM_CONTROL);
            EXPECT_EQ(item.control_word, expected.controlWord);
            EXPECT_EQ(item.cycle, static_cast<uint32_t>(expected.cycle));
            continue;
        }
        ++records;
        ASSERT_EQ(item.kind, KARVO7STREAM_ITEM_GATES);
        EXPECT_EQ(item.record_offset, expected.offset);
        EXPECT_EQ(item.kennung, expected.record.kennung);
        EXPECT_TRUE(item.kennung == -11 || item.kennung == -13) << item.kennung;
        for (std::size_t k = 0; k < 5; ++k) {
            EXPECT_EQ(item.gates[k].amplitude, expected.record.slots[k].amplitude);
            EXPECT_EQ(item.gates[k].time, expected.record.slots[k].time);
            EXPECT_EQ(item.gates[k].status, expected.record.slots[k].status);
        }
        // B1 finds the back-wall echo in every shot.
        EXPECT_EQ(item.gates[0].present, 1u);
    }
    EXPECT_EQ(n, items.size());
    EXPECT_GT(records, 2);
}

TEST_F(StreamSim, NativeGateEntriesAgreeWithTheCard) {
    KARVO7HANDLE h = warm();
    const Bytes results = gateResults(h, false);
    ASSERT_GE(results.size(), 48u);
    KARVO7StreamOptions o{};
    o.layout = KARVO7STREAM_LAYOUT_NATIVE;
    o.native_content = KARVO7STREAM_NATIVE_GATES;
    o.active_sets = (1u << 1) | (1u << 3);
    const auto items = walkAll(results, o);
    ASSERT_EQ(items.size(), results.size() / 24);
    for (std::size_t n = 0; n < items.size(); ++n) {
        const KARVO7StreamItem& item = items[n];
        EXPECT_EQ(item.set, n % 2 == 0 ? 1u : 3u);
        const simtest::CompactEntry expected = simtest::compact(&results[item.offset]);
        EXPECT_EQ(item.es_distance, expected.d);
        for (std::size_t k = 0; k < 5; ++k) {
            EXPECT_EQ(item.gates[k].present != 0, expected.present[k]);
            EXPECT_EQ(item.gates[k].time, expected.t[k]);
            EXPECT_EQ(item.gates[k].amplitude, expected.v[k]);
        }
    }
}

TEST_F(StreamSim, NativeSamplesAreTheRecordedSamples) {
    KARVO7HANDLE h = warm();
    // 16 bits as recorded, 8 bits the upper byte.
    SetRecord r = simtest::defaultSet();
    ASSERT_TRUE(simtest::prepare(h, 0, r));
    const std::vector<int16_t> hf = simtest::samples16(shot(h), 3200);
    std::vector<std::vector<int16_t>> samples;
    const auto runs = walkAll(shot(h), KARVO7StreamOptions{}, &samples);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(samples[0], hf);
    r.measure.Bit8 = 1;
    ASSERT_TRUE(simtest::prepare(h, 0, r));
    KARVO7StreamOptions eight{};
    eight.sample_bits = 8;
    samples.clear();
    ASSERT_EQ(walkAll(shot(h), eight, &samples).size(), 1u);
    ASSERT_EQ(samples[0].size(), hf.size());
    for (std::size_t i = 0; i < hf.size(); ++i) {
        ASSERT_EQ(samples[0][i], hf[i] >> 8) << i;
    }
}
