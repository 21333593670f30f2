// Many shots and gate results decoded at once into the caller's arrays: the same samples and
// fields a walk gives block by block, a run stopped at the first block that is not its kind of
// shot, and a fetch holding anything but gate results refused whole.
#include <gtest/gtest.h>

#include <vector>

#include "KARVO7Stream.h"
#include "StreamBytes.h"

namespace {

using namespace streamtest;

KARVO7StreamOptions recordOptions() {
    KARVO7StreamOptions o{};
    o.struct_size = sizeof o;
    o.layout = KARVO7STREAM_LAYOUT_RECORD;
    return o;
}

struct Rows {
    std::vector<int16_t> samples;
    std::vector<uint32_t> types, zeiten;
    std::vector<int32_t> kennungen;
    uint32_t prefixed = 9;
    int32_t taken = 0;
};

Rows decode(const Buffer& blocks, uint32_t count, uint32_t rowSamples,
            const KARVO7StreamOptions& o) {
    Rows r;
    r.samples.assign(std::size_t{count} * rowSamples, -1);
    r.types.assign(count, 0);
    r.zeiten.assign(count, 0);
    r.kennungen.assign(count, 0);
    r.taken = KARVO7StreamDecodeShots(blocks.data(), blocks.size(), nullptr, blocks.size() / count,
                                      count, &o, r.samples.data(), rowSamples, r.types.data(),
                                      r.kennungen.data(), r.zeiten.data(), &r.prefixed);
    return r;
}

TEST(StreamBatch, ShotsOfARunComeRowByRowWithTheirFields) {
    Buffer stamped;
    for (int16_t n = 0; n < 3; ++n) {
        prefix(stamped, 1000u + static_cast<uint32_t>(n));
        wordRecord(stamped, 0x60, static_cast<int16_t>(-11 - n), {n, -300, 32767});
    }
    const Rows r = decode(stamped, 3, 3, recordOptions());
    ASSERT_EQ(r.taken, 3);
    EXPECT_EQ(r.prefixed, 1u);
    EXPECT_EQ(r.samples, (std::vector<int16_t>{0, -300, 32767, 1, -300, 32767, 2, -300, 32767}));
    EXPECT_EQ(r.kennungen, (std::vector<int32_t>{-11, -12, -13}));
    EXPECT_EQ(r.zeiten, (std::vector<uint32_t>{1000, 1001, 1002}));
    EXPECT_EQ(r.types, (std::vector<uint32_t>{0x60, 0x60, 0x60}));
    // Packed samples unpacked as the walk unpacks them.
    Buffer packed;
    packedRecord(packed, 5, 0x123, 0xFFF, 0x800, 0x001);
    packedRecord(packed, 5, 1, 2, 3, 4);
    const Rows p = decode(packed, 2, 4, recordOptions());
    ASSERT_EQ(p.taken, 2);
    EXPECT_EQ(p.prefixed, 0u);
    KARVO7StreamWalker walker;
    const KARVO7StreamOptions o = recordOptions();
    ASSERT_EQ(KARVO7StreamBegin(&walker, packed.data(), packed.size(), &o), KARVO7STREAM_OK);
    for (int n = 0; n < 2; ++n) {
        KARVO7StreamItem item{};
        item.struct_size = sizeof item;
        int16_t walked[4];
        ASSERT_EQ(KARVO7StreamNext(&walker, &item, walked, 4), KARVO7STREAM_OK);
        EXPECT_EQ(std::vector<int16_t>(walked, walked + 4),
                  std::vector<int16_t>(p.samples.begin() + 4 * n, p.samples.begin() + 4 * n + 4));
    }
    // Native 16-bit blocks are their samples.
    KARVO7StreamOptions native{};
    native.struct_size = sizeof native;
    Buffer raw;
    for (int v : {1, -2, 3, -4}) {
        put16(raw, static_cast<uint16_t>(v));
    }
    const Rows n = decode(raw, 2, 2, native);
    EXPECT_EQ(n.taken, 2);
    EXPECT_EQ(n.samples, (std::vector<int16_t>{1, -2, 3, -4}));
}

TEST(StreamBatch, ARunStopsAtTheFirstBlockThatIsNotItsKindOfShot) {
    const std::vector<int16_t> s{1, 2, 3};
    Buffer mixed;
    wordRecord(mixed, 0x14, -11, s);
    wordRecord(mixed, 0x14, -11, s);
    put32(mixed, 0xFFFFEFFF);  // a control word where the third record should start ...
    put32(mixed, 0);
    put32(mixed, 0);  // ... in a block of the same size
    EXPECT_EQ(decode(mixed, 3, 3, recordOptions()).taken, 2);
    // A prefix on the second block only, and a record shorter than its block.
    Buffer prefixOnce;
    wordRecord(prefixOnce, 0x14, -11, {1, 2, 3, 4, 5, 6, 7});
    prefix(prefixOnce, 1);
    wordRecord(prefixOnce, 0x14, -11, {1, 2, 3});
    EXPECT_EQ(decode(prefixOnce, 2, 7, recordOptions()).taken, 1);
    Buffer shorter;
    wordRecord(shorter, 0x14, -11, {1, 2});
    put16(shorter, 0);
    EXPECT_EQ(decode(shorter, 1, 2, recordOptions()).taken, 0);
    EXPECT_EQ(decode(shorter, 1, 3, recordOptions()).taken, 0);
    // 8-bit native samples are not taken; no options is refused.
    KARVO7StreamOptions eight{};
    eight.struct_size = sizeof eight;
    eight.sample_bits = 8;
    EXPECT_EQ(decode(shorter, 1, 6, eight).taken, KARVO7STREAM_ERROR_OPTION);
    int16_t out[4];
    EXPECT_EQ(KARVO7StreamDecodeShots(shorter.data(), shorter.size(), nullptr, shorter.size(), 1,
                                      nullptr, out, 4, nullptr, nullptr, nullptr, nullptr),
              KARVO7STREAM_ERROR_ARGUMENT);
    // Blocks picked by their offsets, the last one reaching past the data.
    Buffer three;
    for (int16_t n = 0; n < 3; ++n) {
        wordRecord(three, 0x14, n, {n, n});
    }
    const KARVO7StreamOptions o = recordOptions();
    const uint64_t offsets[] = {20, 0, 30};
    int16_t rows[6] = {};
    int32_t kennungen[3] = {};
    EXPECT_EQ(KARVO7StreamDecodeShots(three.data(), three.size(), offsets, 10, 3, &o, rows, 2,
                                      nullptr, kennungen, nullptr, nullptr),
              2);
    EXPECT_EQ(kennungen[0], 2);
    EXPECT_EQ(kennungen[1], 0);
    EXPECT_EQ(rows[0], 2);
}

struct GateRows {
    std::vector<int32_t> sets = std::vector<int32_t>(8, 0);
    std::vector<uint32_t> time = std::vector<uint32_t>(40, 0);
    std::vector<uint32_t> amplitude = std::vector<uint32_t>(40, 0);
    std::vector<uint8_t> marker = std::vector<uint8_t>(40, 0);
    std::vector<uint8_t> present = std::vector<uint8_t>(40, 0);
    std::vector<int64_t> esDistance = std::vector<int64_t>(8, 0);
    std::vector<int64_t> esAmplitude = std::vector<int64_t>(8, 0);
    std::vector<uint64_t> offset = std::vector<uint64_t>(8, 0);
    KARVO7StreamGateArrays arrays(uint32_t capacity) {
        return {capacity,          sets.data(),        time.data(),
                amplitude.data(),  marker.data(),      present.data(),
                esDistance.data(), esAmplitude.data(), offset.data()};
    }
};

TEST(StreamBatch, GateResultsOfAFetchComeAsArraysInGateOrder) {
    Buffer fetch;
    gateRecord(fetch, -12,
               {{123, 400, 0x8000}, {50, 4095, 0xC000}, {0, 0, 0}, {0, 0, 0}, {9, 7, 0x4000}});
    put32(fetch, 0xFFFFEFFF);
    gateRecord(fetch, -11, {{2, 1, 0x8000}});
    GateRows g;
    const KARVO7StreamOptions o = recordOptions();
    const KARVO7StreamGateArrays out = g.arrays(8);
    ASSERT_EQ(KARVO7StreamDecodeGates(fetch.data(), fetch.size(), &o, &out), 2);
    EXPECT_EQ(g.sets[0], -12);
    EXPECT_EQ(g.sets[1], -11);
    // B0 is the record's fifth slot.
    EXPECT_EQ((std::vector<uint32_t>(g.time.begin(), g.time.begin() + 5)),
              (std::vector<uint32_t>{7, 400, 4095, 0, 0}));
    EXPECT_EQ((std::vector<uint32_t>(g.amplitude.begin(), g.amplitude.begin() + 5)),
              (std::vector<uint32_t>{9, 123, 50, 0, 0}));
    EXPECT_EQ((std::vector<uint8_t>(g.marker.begin(), g.marker.begin() + 5)),
              (std::vector<uint8_t>{1, 0, 1, 0, 0}));
    EXPECT_EQ((std::vector<uint8_t>(g.present.begin(), g.present.begin() + 5)),
              (std::vector<uint8_t>{0, 1, 1, 0, 0}));
    EXPECT_EQ(g.esDistance[0], -1);
    EXPECT_EQ(g.offset[1], 60u);
    // Compact entries of the active sets in turn, amplitudes on the 12-bit scale.
    Buffer entries;
    compactEntry(entries, 0x12345, 3, {{77, 5, true, true}});
    compactEntry(entries, 9, 1, {});
    KARVO7StreamOptions native{};
    native.struct_size = sizeof native;
    native.native_content = KARVO7STREAM_NATIVE_GATES;
    native.active_sets = (1u << 2) | (1u << 5);
    const KARVO7StreamGateArrays compact = g.arrays(8);
    ASSERT_EQ(KARVO7StreamDecodeGates(entries.data(), entries.size(), &native, &compact), 2);
    EXPECT_EQ(g.sets[0], 2);
    EXPECT_EQ(g.sets[1], 5);
    EXPECT_EQ(g.time[0], 77u);
    EXPECT_EQ(g.amplitude[0], 20u);
    EXPECT_EQ(g.esDistance[0], 0x12345);
    EXPECT_EQ(g.esAmplitude[0], 12);
    EXPECT_EQ(g.offset[1], 24u);
}

TEST(StreamBatch, AFetchWithAnythingButGateResultsOrMoreThanFitsIsRefusedWhole) {
    Buffer withShot;
    gateRecord(withShot, -11, {});
    wordRecord(withShot, 0x14, -11, {1, 2});
    Buffer cut;
    gateRecord(cut, -11, {});
    cut.resize(cut.size() - 4);
    Buffer stamped;
    prefix(stamped, 5);
    gateRecord(stamped, -11, {});
    GateRows g;
    const KARVO7StreamOptions o = recordOptions();
    const KARVO7StreamGateArrays out = g.arrays(8);
    for (const Buffer* data : {&withShot, &cut, &stamped}) {
        EXPECT_EQ(KARVO7StreamDecodeGates(data->data(), data->size(), &o, &out),
                  KARVO7STREAM_ERROR_IRREGULAR);
    }
    Buffer two;
    gateRecord(two, -11, {});
    gateRecord(two, -11, {});
    const KARVO7StreamGateArrays one = g.arrays(1);
    EXPECT_EQ(KARVO7StreamDecodeGates(two.data(), two.size(), &o, &one),
              KARVO7STREAM_ERROR_IRREGULAR);
    EXPECT_EQ(KARVO7StreamDecodeGates(two.data(), two.size(), &o, nullptr),
              KARVO7STREAM_ERROR_ARGUMENT);
    EXPECT_STREQ(KARVO7StreamErrorText(KARVO7STREAM_ERROR_IRREGULAR),
                 "the data is not what a decoding of many at a time takes");
}

}  // namespace
