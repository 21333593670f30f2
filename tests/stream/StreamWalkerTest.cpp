// The decoder's C interface over whole buffers: every item kind in both layouts, 8- and 16-bit
// samples, prefixes, padding, samples into caller memory, and the tail item on every cut of a
// buffer, with everything before the cut delivered.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "KARVO7Stream.h"
#include "StreamBytes.h"

using namespace streamtest;

namespace {

struct Walked {
    KARVO7StreamItem item;
    std::vector<int16_t> samples;
};

KARVO7StreamOptions recordLayout(uint32_t flags = 0, uint32_t prefix = KARVO7STREAM_PREFIX_AUTO) {
    KARVO7StreamOptions o{};
    o.layout = KARVO7STREAM_LAYOUT_RECORD;
    o.prefix = prefix;
    o.flags = flags;
    return o;
}
KARVO7StreamOptions nativeSamples(uint32_t bits) {
    KARVO7StreamOptions o{};
    o.layout = KARVO7STREAM_LAYOUT_NATIVE;
    o.sample_bits = bits;
    return o;
}
KARVO7StreamOptions nativeGates(uint32_t sets) {
    KARVO7StreamOptions o{};
    o.layout = KARVO7STREAM_LAYOUT_NATIVE;
    o.native_content = KARVO7STREAM_NATIVE_GATES;
    o.active_sets = sets;
    return o;
}

// Walks a copy of `data` in an allocation of its own size (reads beyond it are caught by the
// address checks of the sanitizer builds), with an output buffer of `capacity` samples.
std::vector<Walked> walk(const Buffer& data, const KARVO7StreamOptions& o,
                         uint32_t capacity = 65536) {
    const std::unique_ptr<uint8_t[]> copy(new uint8_t[data.size() + 1]);
    if (!data.empty()) {
        std::memcpy(copy.get(), data.data(), data.size());
    }
    KARVO7StreamWalker walker;
    EXPECT_EQ(KARVO7StreamBegin(&walker, copy.get(), data.size(), &o), 1);
    std::vector<Walked> items;
    std::vector<int16_t> out(capacity);
    Walked w{};
    w.item.struct_size = sizeof w.item;
    while (KARVO7StreamNext(&walker, &w.item, capacity ? out.data() : nullptr, capacity) == 1) {
        w.samples.assign(out.begin(), out.begin() + w.item.samples_written);
        items.push_back(w);
        EXPECT_LE(items.size(), data.size() + 1) << "the walk does not advance";
        if (items.size() > data.size() + 1) {
            break;
        }
    }
    EXPECT_EQ(w.item.kind, 0u) << "the item is zeroed at the end";
    return items;
}

// A record-layout buffer with every item kind: a prefixed packed record, an A-scan record, the
// end of a cycle, a prefixed gate results record, an unknown control word, a record of another
// type and an HF record.
Buffer everyRecordItem() {
    Buffer b;
    prefix(b, 0x01020304);
    packedRecord(b, -11, 0x123, 0x456, 0x789, 0xABC);  // 8 + 12 bytes
    wordRecord(b, 0x14, -12, {100, -200, 300});        // 12 bytes, at 20
    put32(b, 0xFFFFEFFF);                              // at 32
    prefix(b, 77);                                     // at 36
    gateRecord(b, -13, {{0x0FFF, 1234, 0x8000}, {5, 6, 0xC000}, {7, 8, 0x4000}}, 999);
    put32(b, 0xFFFF1234);                      // at 100
    wordRecord(b, 0x22, 5, {1, 2});            // at 104, 10 bytes
    wordRecord(b, 0x60, -32768, {-1, 32767});  // at 114, 10 bytes
    return b;
}

}  // namespace

TEST(StreamRecordLayout, EveryItemKindWithItsFields) {
    const Buffer b = everyRecordItem();
    const auto items = walk(b, recordLayout());
    ASSERT_EQ(items.size(), 7u);

    const KARVO7StreamItem& packed = items[0].item;
    EXPECT_EQ(packed.kind, KARVO7STREAM_ITEM_RECORD);
    EXPECT_EQ(packed.flags, KARVO7STREAM_ITEM_PREFIXED);
    EXPECT_EQ(packed.zeit, 0x01020304u);
    EXPECT_EQ(packed.offset, 0u);
    EXPECT_EQ(packed.record_offset, 8u);
    EXPECT_EQ(packed.size, 20u);
    EXPECT_EQ(packed.type, 0x10u);
    EXPECT_EQ(packed.length, 12u);
    EXPECT_EQ(packed.kennung, -11);
    EXPECT_EQ(packed.sample_bits, 12u);
    EXPECT_EQ(packed.payload_offset, 14u);
    EXPECT_EQ(packed.payload_bytes, 6u);
    EXPECT_EQ(packed.sample_count, 4u);
    EXPECT_EQ(items[0].samples,
              (std::vector<int16_t>{0x1230, 0x4560, 0x7890, static_cast<int16_t>(0xABC0)}));

    const KARVO7StreamItem& ascan = items[1].item;
    EXPECT_EQ(ascan.kind, KARVO7STREAM_ITEM_RECORD);
    EXPECT_EQ(ascan.flags, 0u);
    EXPECT_EQ(ascan.zeit, 0u);
    EXPECT_EQ(ascan.offset, 20u);
    EXPECT_EQ(ascan.size, 12u);
    EXPECT_EQ(ascan.kennung, -12);
    EXPECT_EQ(ascan.sample_bits, 16u);
    EXPECT_EQ(items[1].samples, (std::vector<int16_t>{100, -200, 300}));

    const KARVO7StreamItem& cycle = items[2].item;
    EXPECT_EQ(cycle.kind, KARVO7STREAM_ITEM_CONTROL);
    EXPECT_EQ(cycle.offset, 32u);
    EXPECT_EQ(cycle.size, 4u);
    EXPECT_EQ(cycle.control_word, 0xFFFFEFFFu);
    EXPECT_EQ(cycle.control_kind, KARVO7STREAM_CONTROL_ENDE_PRUEFZYKLUS);
    EXPECT_EQ(cycle.cycle, 1u);

    // A gate results record is 56 bytes whatever its length field says.
    const KARVO7StreamItem& gates = items[3].item;
    EXPECT_EQ(gates.kind, KARVO7STREAM_ITEM_GATES);
    EXPECT_EQ(gates.offset, 36u);
    EXPECT_EQ(gates.size, 64u);
    EXPECT_EQ(gates.zeit, 77u);
    EXPECT_EQ(gates.length, 999u);
    EXPECT_EQ(gates.kennung, -13);
    EXPECT_EQ(gates.gates[0].amplitude, 0x0FFFu);
    EXPECT_EQ(gates.gates[0].time, 1234u);
    EXPECT_EQ(gates.gates[0].present, 1u);
    EXPECT_EQ(gates.gates[0].marker, 0u);
    EXPECT_EQ(gates.gates[1].status, 0xC000u);
    EXPECT_EQ(gates.gates[1].marker, 1u);
    EXPECT_EQ(gates.gates[2].present, 0u);
    EXPECT_EQ(gates.gates[2].marker, 1u);
    EXPECT_EQ(gates.gates[4].status, 0u);
    EXPECT_TRUE(items[3].samples.empty());

    const KARVO7StreamItem& unknown = items[4].item;
    EXPECT_EQ(unknown.kind, KARVO7STREAM_ITEM_CONTROL);
    EXPECT_EQ(unknown.control_word, 0xFFFF1234u);
    EXPECT_EQ(unknown.control_kind, KARVO7STREAM_CONTROL_UNKNOWN);
    EXPECT_EQ(unknown.cycle, 0u);

    const KARVO7StreamItem& other = items[5].item;
    EXPECT_EQ(other.kind, KARVO7STREAM_ITEM_OTHER_RECORD);
    EXPECT_EQ(other.type, 0x22u);
    EXPECT_EQ(other.size, 10u);
    EXPECT_EQ(other.sample_count, 0u);

    EXPECT_EQ(items[6].item.type, 0x60u);
    EXPECT_EQ(items[6].item.kennung, -32768);
    EXPECT_EQ(items[6].samples, (std::vector<int16_t>{-1, 32767}));
    EXPECT_EQ(items[6].item.offset + items[6].item.size, b.size());
}

TEST(StreamRecordLayout, CyclesAreCountedAndNamedWithinOneWalk) {
    Buffer b;
    for (uint32_t word : {0xFFFFEFFFu, 0xFFFFEFFDu, 0xFFFFEFFEu, 0xFFFFEFFFu}) {
        put32(b, word);
    }
    const auto items = walk(b, recordLayout());
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].item.cycle, 1u);
    EXPECT_EQ(items[1].item.control_kind, KARVO7STREAM_CONTROL_ENDE_PRUEFUNG);
    EXPECT_EQ(items[2].item.control_kind, KARVO7STREAM_CONTROL_ENDE_PRUEFSPUR);
    EXPECT_EQ(items[3].item.cycle, 2u);
    EXPECT_STREQ(KARVO7StreamControlName(items[1].item.control_kind), "Ende Prüfung");
    EXPECT_STREQ(KARVO7StreamControlName(items[2].item.control_kind), "Ende Prüfspur");
    EXPECT_STREQ(KARVO7StreamControlName(KARVO7STREAM_CONTROL_ENDE_PRUEFZYKLUS), "Ende Prüfzyklus");
    EXPECT_STREQ(KARVO7StreamControlName(KARVO7STREAM_CONTROL_UNKNOWN), "");
    EXPECT_STREQ(KARVO7StreamControlName(99), "");
    EXPECT_EQ(KARVO7StreamControlKind(0xFFFFEFFD), KARVO7STREAM_CONTROL_ENDE_PRUEFUNG);
    EXPECT_EQ(KARVO7StreamControlKind(0x0000EFFF), KARVO7STREAM_CONTROL_UNKNOWN);
}

TEST(StreamRecordLayout, PrefixesOffAndPaddedRecords) {
    // Without prefixes a first byte 0xFF is a record type like any other.
    Buffer b;
    header(b, 0xFF, 8, 3);
    put16(b, 0x4242);
    auto items = walk(b, recordLayout(0, KARVO7STREAM_PREFIX_NONE));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].item.kind, KARVO7STREAM_ITEM_OTHER_RECORD);
    EXPECT_EQ(items[0].item.type, 0xFFu);
    EXPECT_EQ(items[0].item.length, 8u);
    // The same bytes with prefixes recognised are a prefix cut short.
    items = walk(b, recordLayout());
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].item.kind, KARVO7STREAM_ITEM_TAIL);

    // Padded records: a 10-byte record takes 12 bytes; the last one's padding may be cut off.
    Buffer padded;
    wordRecord(padded, 0x14, 1, {7, 8});
    put16(padded, 0);
    wordRecord(padded, 0x14, 2, {9, 10, 11, 12});  // 14 bytes
    put16(padded, 0);
    put32(padded, 0xFFFFEFFF);
    wordRecord(padded, 0x60, 3, {13, 14});
    items = walk(padded, recordLayout(KARVO7STREAM_FLAG_PAD4));
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].item.size, 12u);
    EXPECT_EQ(items[1].item.offset, 12u);
    EXPECT_EQ(items[1].samples, (std::vector<int16_t>{9, 10, 11, 12}));
    EXPECT_EQ(items[2].item.kind, KARVO7STREAM_ITEM_CONTROL);
    EXPECT_EQ(items[3].item.size, 10u);
    EXPECT_EQ(items[3].samples, (std::vector<int16_t>{13, 14}));
    // Unpadded, the header read at the padding claims more than the buffer holds: the walk
    // ends there.
    items = walk(padded, recordLayout());
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].item.kind, KARVO7STREAM_ITEM_TAIL);
    EXPECT_EQ(items[1].item.tail_reason, KARVO7STREAM_TAIL_TRUNCATED);
    EXPECT_EQ(items[1].item.offset, 10u);
    EXPECT_EQ(items[1].item.bytes_left, padded.size() - 10);
}

TEST(StreamRecordLayout, AnInvalidLengthEndsTheWalkAfterWhatCameBefore) {
    for (uint32_t length : {0u, 1u, 5u}) {
        Buffer b;
        wordRecord(b, 0x14, 1, {1});
        header(b, 0x14, length, 2);
        put32(b, 0);
        const auto items = walk(b, recordLayout());
        ASSERT_EQ(items.size(), 2u) << length;
        EXPECT_EQ(items[0].samples, std::vector<int16_t>{1});
        EXPECT_EQ(items[1].item.kind, KARVO7STREAM_ITEM_TAIL);
        EXPECT_EQ(items[1].item.tail_reason, KARVO7STREAM_TAIL_INVALID);
        EXPECT_EQ(items[1].item.offset, 8u);
        EXPECT_EQ(items[1].item.bytes_left, 10u);
    }
    // A header of length 6 is a record without samples, and the walk goes on.
    Buffer b;
    header(b, 0x14, 6, 1);
    put32(b, 0xFFFFEFFE);
    const auto items = walk(b, recordLayout());
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].item.sample_count, 0u);
    EXPECT_EQ(items[1].item.control_kind, KARVO7STREAM_CONTROL_ENDE_PRUEFSPUR);
}

TEST(StreamRecordLayout, PackedSamplesStopAt65536AndAtTheCallersCapacity) {
    // 49152 words carry 65536 samples; 300 words more would carry 400 more.
    Buffer b;
    const uint32_t words = 49152 + 300;
    header(b, 0x10, 6 + 2 * words, 1);
    for (uint32_t i = 0; i < words; ++i) {
        put16(b, static_cast<uint16_t>(i * 7));
    }
    auto items = walk(b, recordLayout(), 70000);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].item.sample_count, 65536u);
    EXPECT_EQ(items[0].item.samples_written, 65536u);
    for (std::size_t k = 0; k < items[0].samples.size(); k += 997) {
        EXPECT_EQ(items[0].samples[k] % 16, 0) << k;
    }
    const std::vector<int16_t> all = items[0].samples;

    items = walk(b, recordLayout(), 10);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].item.sample_count, 65536u);
    EXPECT_EQ(items[0].samples, std::vector<int16_t>(all.begin(), all.begin() + 10));

    // Without an output buffer only the count; the samples later into caller memory.
    items = walk(b, recordLayout(), 0);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].item.samples_written, 0u);
    std::vector<int16_t> later(70000);
    EXPECT_EQ(KARVO7StreamSamples(b.data(), b.size(), &items[0].item, later.data(), 70000), 65536);
    later.resize(65536);
    EXPECT_EQ(later, all);
}

TEST(StreamNativeLayout, SixteenAndEightBitSamplesInRuns) {
    Buffer b;
    for (int v : {1, -1, 32767, -32768, 5}) {
        put16(b, static_cast<uint16_t>(v));
    }
    auto items = walk(b, nativeSamples(16));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].item.kind, KARVO7STREAM_ITEM_NATIVE_SAMPLES);
    EXPECT_EQ(items[0].item.sample_bits, 16u);
    EXPECT_EQ(items[0].samples, (std::vector<int16_t>{1, -1, 32767, -32768, 5}));
    // All-zero options are the same.
    EXPECT_EQ(walk(b, KARVO7StreamOptions{})[0].samples, items[0].samples);

    // Runs as long as the caller's buffer, one after the other; an odd byte is a tail.
    b.push_back(0x77);
    items = walk(b, nativeSamples(16), 2);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].samples, (std::vector<int16_t>{1, -1}));
    EXPECT_EQ(items[1].item.offset, 4u);
    EXPECT_EQ(items[1].samples, (std::vector<int16_t>{32767, -32768}));
    EXPECT_EQ(items[2].samples, std::vector<int16_t>{5});
    EXPECT_EQ(items[3].item.kind, KARVO7STREAM_ITEM_TAIL);
    EXPECT_EQ(items[3].item.offset, 10u);
    EXPECT_EQ(items[3].item.bytes_left, 1u);

    // 8-bit samples are widened with their sign; every byte is a sample.
    items = walk(Buffer{0x00, 0x7F, 0x80, 0xFF, 0x01}, nativeSamples(8));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].item.sample_bits, 8u);
    EXPECT_EQ(items[0].samples, (std::vector<int16_t>{0, 127, -128, -1, 1}));
}

TEST(StreamNativeLayout, CompactEntriesFollowTheActiveSets) {
    Buffer b;
    for (uint32_t n = 0; n < 5; ++n) {
        compactEntry(b, 0xABCDE + n, 0x3FF - n,
                     {{10 + n, 1, false, true}, {0xFFFFF, 1023, true, true}, {7, 8, true, false}});
    }
    b.push_back(0);  // a partial sixth entry
    // Sets 2 and 5 active (0 and 7 do not count).
    const auto items = walk(b, nativeGates((1u << 0) | (1u << 2) | (1u << 5) | (1u << 7)));
    ASSERT_EQ(items.size(), 6u);
    const uint32_t sets[5] = {2, 5, 2, 5, 2};
    for (uint32_t n = 0; n < 5; ++n) {
        const KARVO7StreamItem& e = items[n].item;
        EXPECT_EQ(e.kind, KARVO7STREAM_ITEM_NATIVE_GATES);
        EXPECT_EQ(e.offset, 24u * n);
        EXPECT_EQ(e.set, sets[n]);
        EXPECT_EQ(e.round, n / 2);
        EXPECT_EQ(e.es_distance, 0xABCDEu + n);
        EXPECT_EQ(e.es_amplitude, 0x3FFu - n);
        EXPECT_EQ(e.gates[0].time, 10u + n);
        EXPECT_EQ(e.gates[0].present, 1u);
        EXPECT_EQ(e.gates[0].marker, 0u);
        EXPECT_EQ(e.gates[1].time, 0xFFFFFu);
        EXPECT_EQ(e.gates[1].amplitude, 1023u);
        EXPECT_EQ(e.gates[1].marker, 1u);
        EXPECT_EQ(e.gates[1].status, 0xFFFFFFFFu);
        EXPECT_EQ(e.gates[2].present, 0u);
        EXPECT_EQ(e.gates[2].marker, 1u);
        EXPECT_EQ(e.gates[3].status, 0u);
    }
    EXPECT_EQ(items[5].item.kind, KARVO7STREAM_ITEM_TAIL);
    EXPECT_EQ(items[5].item.bytes_left, 1u);
}

TEST(StreamOptions, InvalidOptionsAndArgumentsAreRefusedWithTheirCode) {
    const uint8_t byte = 0;
    KARVO7StreamWalker walker;
    KARVO7StreamItem item{};
    item.struct_size = sizeof item;
    std::vector<std::pair<KARVO7StreamOptions, int32_t>> refused;
    KARVO7StreamOptions o{};
    o.layout = 2;
    refused.emplace_back(o, KARVO7STREAM_ERROR_OPTION);
    o = KARVO7StreamOptions{};
    o.sample_bits = 12;
    refused.emplace_back(o, KARVO7STREAM_ERROR_OPTION);
    refused.emplace_back(recordLayout(0, 2), KARVO7STREAM_ERROR_OPTION);
    refused.emplace_back(recordLayout(0x2), KARVO7STREAM_ERROR_OPTION);
    o = KARVO7StreamOptions{};
    o.native_content = 2;
    refused.emplace_back(o, KARVO7STREAM_ERROR_OPTION);
    o = nativeSamples(16);
    o.struct_size = sizeof o;
    o.samples_per_shot = KARVO7STREAM_SHOT_SAMPLES_MAX + 1;
    refused.emplace_back(o, KARVO7STREAM_ERROR_OPTION);
    o.struct_size = KARVO7STREAM_OPTIONS_SIZE_MIN - 1;
    refused.emplace_back(o, KARVO7STREAM_ERROR_STRUCT_SIZE);
    // no set among 1 to 6
    refused.emplace_back(nativeGates((1u << 0) | (1u << 7)), KARVO7STREAM_ERROR_NO_SET);
    for (const auto& [bad, code] : refused) {
        EXPECT_EQ(KARVO7StreamBegin(&walker, &byte, 1, &bad), code);
        EXPECT_EQ(KARVO7StreamNext(&walker, &item, nullptr, 0), KARVO7STREAM_END);
    }
    const KARVO7StreamOptions good = recordLayout();
    EXPECT_EQ(KARVO7StreamBegin(nullptr, &byte, 1, &good), KARVO7STREAM_ERROR_ARGUMENT);
    EXPECT_EQ(KARVO7StreamBegin(&walker, &byte, 1, nullptr), KARVO7STREAM_ERROR_ARGUMENT);
    EXPECT_EQ(KARVO7StreamBegin(&walker, nullptr, 1, &good), KARVO7STREAM_ERROR_ARGUMENT);
    EXPECT_EQ(KARVO7StreamNext(&walker, &item, nullptr, 0), KARVO7STREAM_END);
    // An empty buffer is a walk without items.
    EXPECT_EQ(KARVO7StreamBegin(&walker, nullptr, 0, &good), KARVO7STREAM_OK);
    EXPECT_EQ(KARVO7StreamNext(&walker, &item, nullptr, 0), KARVO7STREAM_END);
    EXPECT_EQ(KARVO7StreamNext(nullptr, &item, nullptr, 0), KARVO7STREAM_ERROR_ARGUMENT);
    EXPECT_EQ(KARVO7StreamNext(&walker, nullptr, nullptr, 0), KARVO7STREAM_ERROR_ARGUMENT);
    // An item without a size is not written.
    item = KARVO7StreamItem{};
    item.kind = 99;
    EXPECT_EQ(KARVO7StreamBegin(&walker, &byte, 1, &good), KARVO7STREAM_OK);
    EXPECT_EQ(KARVO7StreamNext(&walker, &item, nullptr, 0), KARVO7STREAM_ERROR_STRUCT_SIZE);
    EXPECT_EQ(item.kind, 99u);
    // Every code has its own text.
    std::set<std::string> texts;
    for (int32_t code = KARVO7STREAM_ERROR_CAPTURE; code <= KARVO7STREAM_OK; ++code) {
        texts.insert(KARVO7StreamErrorText(code));
    }
    EXPECT_EQ(texts.size(), 10u);
    EXPECT_STREQ(KARVO7StreamErrorText(-100), "unknown result code");
}

TEST(StreamSamples, OnlyItemsThatLieInsideTheBuffer) {
    Buffer b;
    wordRecord(b, 0x14, 1, {1, 2, 3});
    put32(b, 0xFFFFEFFF);
    const auto items = walk(b, recordLayout(), 0);
    ASSERT_EQ(items.size(), 2u);
    int16_t out[4] = {};
    EXPECT_EQ(KARVO7StreamSamples(b.data(), b.size(), &items[0].item, out, 2), 2);
    EXPECT_EQ(out[1], 2);
    EXPECT_EQ(out[2], 0);
    // The control word carries no samples; a shorter buffer does not hold the record.
    EXPECT_EQ(KARVO7StreamSamples(b.data(), b.size(), &items[1].item, out, 4),
              KARVO7STREAM_ERROR_NO_SAMPLES);
    EXPECT_EQ(KARVO7StreamSamples(b.data(), 11, &items[0].item, out, 4),
              KARVO7STREAM_ERROR_OUTSIDE);
    KARVO7StreamItem forged = items[0].item;
    forged.payload_offset = ~uint64_t{0} - 1;
    EXPECT_EQ(KARVO7StreamSamples(b.data(), b.size(), &forged, out, 4), KARVO7STREAM_ERROR_OUTSIDE);
    EXPECT_EQ(KARVO7StreamSamples(nullptr, b.size(), &items[0].item, out, 4),
              KARVO7STREAM_ERROR_ARGUMENT);
    EXPECT_EQ(KARVO7StreamSamples(b.data(), b.size(), &items[0].item, nullptr, 4),
              KARVO7STREAM_ERROR_ARGUMENT);
}

TEST(StreamUnpack12, WholeAndPartialGroups) {
    Buffer b;
    packedRecord(b, 0, 0x111, 0x222, 0x333, 0x444);
    packedRecord(b, 0, 0x555, 0x666, 0x777, 0x888);
    // The payloads of both records as one run of six words, then shorter runs.
    Buffer payload(b.begin() + 6, b.begin() + 12);
    payload.insert(payload.end(), b.begin() + 18, b.end());
    const uint32_t expected[7] = {0, 1, 2, 4, 5, 6, 8};
    for (uint32_t words = 0; words <= 6; ++words) {
        int16_t out[8] = {};
        ASSERT_EQ(KARVO7StreamUnpack12(payload.data(), 2 * words, out, 8),
                  static_cast<int32_t>(expected[words]));
        for (uint32_t k = 0; k < expected[words]; ++k) {
            EXPECT_EQ(static_cast<uint16_t>(out[k]), 0x1110 * (k + 1)) << words << "/" << k;
        }
    }
    int16_t out[8] = {};
    EXPECT_EQ(KARVO7StreamUnpack12(payload.data(), 12, out, 3), 3);
    EXPECT_EQ(KARVO7StreamUnpack12(payload.data(), 13, out, 8), 8);  // an odd byte is not read
    EXPECT_EQ(KARVO7StreamUnpack12(nullptr, 12, out, 8), KARVO7STREAM_ERROR_ARGUMENT);
}

// Every cut of a buffer: the items that lie wholly before the cut come out as they do from the
// whole buffer, then (unless the cut falls between two items) one tail from the first item cut.
TEST(StreamTruncation, EveryCutOfEveryLayoutKeepsWhatCameBefore) {
    struct Case {
        const char* name;
        Buffer data;
        KARVO7StreamOptions options;
    };
    Buffer native16;
    for (int i = 0; i < 9; ++i) {
        put16(native16, static_cast<uint16_t>(i * 1000 - 3000));
    }
    Buffer entries;
    for (uint32_t n = 0; n < 4; ++n) {
        compactEntry(entries, n, n, {{n, n, true, true}});
    }
    Buffer padded;
    wordRecord(padded, 0x14, 1, {7, 8});
    put16(padded, 0);
    prefix(padded, 5);
    packedRecord(padded, 2, 1, 2, 3, 4);
    const std::vector<Case> cases = {
        {"record", everyRecordItem(), recordLayout()},
        {"padded", padded, recordLayout(KARVO7STREAM_FLAG_PAD4)},
        {"native 16", native16, nativeSamples(16)},
        {"native gates", entries, nativeGates(1u << 3 | 1u << 4)},
    };
    for (const Case& c : cases) {
        const auto whole = walk(c.data, c.options, 4);
        ASSERT_FALSE(whole.empty());
        ASSERT_NE(whole.back().item.kind, KARVO7STREAM_ITEM_TAIL) << c.name;
        for (std::size_t cut = 0; cut < c.data.size(); ++cut) {
            SCOPED_TRACE(std::string(c.name) + " cut at " + std::to_string(cut));
            const Buffer part(c.data.begin(), c.data.begin() + static_cast<std::ptrdiff_t>(cut));
            const auto items = walk(part, c.options, 4);
            std::size_t n = 0;
            while (n < whole.size() && whole[n].item.offset + whole[n].item.size <= cut) {
                ++n;
            }
            // A native run may end early at the cut; it is whole up to there.
            const bool run = c.options.layout == KARVO7STREAM_LAYOUT_NATIVE &&
                             c.options.native_content == KARVO7STREAM_NATIVE_SAMPLES;
            ASSERT_GE(items.size(), n);
            for (std::size_t i = 0; i < n; ++i) {
                ASSERT_EQ(std::memcmp(&items[i].item, &whole[i].item, sizeof(KARVO7StreamItem)), 0)
                    << "item " << i;
                ASSERT_EQ(items[i].samples, whole[i].samples);
            }
            const std::size_t end = n == 0 ? 0 : whole[n - 1].item.offset + whole[n - 1].item.size;
            if (run && cut - end >= 2) {
                ASSERT_EQ(items[n].item.kind, KARVO7STREAM_ITEM_NATIVE_SAMPLES);
                ASSERT_EQ(items[n].item.sample_count, (cut - end) / 2);
                ASSERT_EQ(items[n].samples,
                          std::vector<int16_t>(whole[n].samples.begin(),
                                               whole[n].samples.begin() +
                                                   static_cast<std::ptrdiff_t>((cut - end) / 2)));
                continue;
            }
            if (end == cut) {
                EXPECT_EQ(items.size(), n);
                continue;
            }
            // A padded record that is whole but for its padding comes out whole, without it.
            const bool pad = (c.options.flags & KARVO7STREAM_FLAG_PAD4) != 0;
            if (pad && whole[n].item.kind == KARVO7STREAM_ITEM_RECORD &&
                whole[n].item.record_offset + whole[n].item.length <= cut) {
                ASSERT_EQ(items.size(), n + 1);
                EXPECT_EQ(items[n].item.offset + items[n].item.size, cut);
                EXPECT_EQ(items[n].samples, whole[n].samples);
                continue;
            }
            ASSERT_EQ(items.size(), n + 1);
            const KARVO7StreamItem& tail = items[n].item;
            EXPECT_EQ(tail.kind, KARVO7STREAM_ITEM_TAIL);
            EXPECT_EQ(tail.offset, end);
            EXPECT_EQ(tail.bytes_left, cut - end);
            EXPECT_EQ(tail.size, cut - end);
            EXPECT_EQ(tail.tail_reason, KARVO7STREAM_TAIL_TRUNCATED);
        }
    }
}
