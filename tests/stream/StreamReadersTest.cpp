// The measurement data readers, grouped by layout: record headers and their prefix, packed
// 12-bit samples, the display's and the data list's record, result data in both layouts, the
// scalings; and every walker on every truncation of a valid buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "stream/ResultWalkers.h"

using namespace k7check::stream;

namespace {

using Buffer = std::vector<uint8_t>;

void put16(Buffer& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Buffer& b, uint32_t v) {
    put16(b, static_cast<uint16_t>(v));
    put16(b, static_cast<uint16_t>(v >> 16));
}
void header(Buffer& b, uint8_t type, uint32_t length, int16_t kennung) {
    put32(b, type | (length << 8));
    put16(b, static_cast<uint16_t>(kennung));
}
void prefix(Buffer& b, uint32_t zeit) {
    put32(b, 0xFF);
    put32(b, zeit);
}

// Four 12-bit values packed into three words.
void pack4(Buffer& b, uint16_t a, uint16_t c1, uint16_t c2, uint16_t d) {
    put16(b, static_cast<uint16_t>((a & 0xFFF) | ((c1 & 0xF) << 12)));
    put16(b, static_cast<uint16_t>(((c1 >> 4) & 0xFF) | ((c2 & 0xFF) << 8)));
    put16(b, static_cast<uint16_t>(((c2 >> 8) & 0xF) | ((d & 0xFFF) << 4)));
}

struct Slot {
    uint16_t amplitude, time, status;
};
void gateRecord(Buffer& b, int16_t kennung, const std::vector<Slot>& slots) {
    header(b, 0x40, 56, kennung);
    put16(b, 0);
    for (std::size_t n = 0; n < 5; ++n) {
        const Slot s = n < slots.size() ? slots[n] : Slot{0, 0, 0};
        put16(b, s.amplitude);
        put16(b, 0xAAAA);  // not read
        put16(b, s.time);
        put16(b, s.status);
    }
    put32(b, 0);
    put32(b, 0);
}

std::vector<ResultItem> walk(const Buffer& b) {
    RecordResultWalker walker(b);
    std::vector<ResultItem> items;
    ResultItem item;
    while (walker.next(item)) {
        items.push_back(item);
    }
    return items;
}

std::vector<NativeItem> walkNative(const Buffer& b, std::array<bool, 8> active) {
    NativeResultWalker walker(b, active);
    std::vector<NativeItem> items;
    NativeItem item;
    while (walker.next(item)) {
        items.push_back(item);
    }
    return items;
}

// ---- record header ---------------------------------------------------------------------------

TEST(RecordHeader, PlainAndPrefixedHeadersAndTheirMinimumLengths) {
    Buffer plain;
    header(plain, 0x60, 0x012345, -11);
    auto h = readHeader(plain);
    ASSERT_TRUE(h);
    EXPECT_FALSE(h->prefixed);
    EXPECT_EQ(h->type, 0x60);
    EXPECT_EQ(h->length, 0x012345u);
    EXPECT_EQ(h->kennung, -11);
    EXPECT_EQ(h->offset, 0u);
    EXPECT_FALSE(readHeader(Buffer(plain.begin(), plain.end() - 1)));

    Buffer prefixed;
    prefix(prefixed, 0xDEADBEEF);
    prefixed.insert(prefixed.end(), plain.begin(), plain.end());
    h = readHeader(prefixed);
    ASSERT_TRUE(h);
    EXPECT_TRUE(h->prefixed);
    EXPECT_EQ(h->zeit, 0xDEADBEEFu);
    EXPECT_EQ(h->offset, 8u);
    EXPECT_EQ(h->remaining, 6u);
    EXPECT_EQ(h->kennung, -11);
    EXPECT_FALSE(readHeader(Buffer(prefixed.begin(), prefixed.end() - 1)));
    EXPECT_FALSE(readHeader(Buffer{0xFF}));
    EXPECT_FALSE(readHeader(Buffer{}));
}

// ---- packed 12-bit samples -------------------------------------------------------------------

TEST(Packed12, ThreeWordsGiveFourLeftAlignedSamples) {
    Buffer b;
    pack4(b, 0x123, 0x456, 0x789, 0xABC);
    const auto s = unpack12(b, 3);
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(static_cast<uint16_t>(s[0]), 0x1230);
    EXPECT_EQ(static_cast<uint16_t>(s[1]), 0x4560);
    EXPECT_EQ(static_cast<uint16_t>(s[2]), 0x7890);
    EXPECT_EQ(static_cast<uint16_t>(s[3]), 0xABC0);
    for (int16_t v : s) {
        EXPECT_EQ(v % 16, 0);
    }
}

TEST(Packed12, AStepWhoseWordIsMissingIsNotTaken) {
    Buffer b;
    pack4(b, 0x111, 0x222, 0x333, 0x444);
    pack4(b, 0x555, 0x666, 0x777, 0x888);
    const std::size_t expected[7] = {0, 1, 2, 4, 5, 6, 8};
    for (std::size_t words = 0; words <= 6; ++words) {
        // Exactly `words` words in their own allocation: any read beyond is caught.
        const Buffer part(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(2 * words));
        const auto s = unpack12(part, words);
        ASSERT_EQ(s.size(), expected[words]) << words << " words";
        EXPECT_EQ(unpackedCount(words), expected[words]);
        for (std::size_t k = 0; k < s.size(); ++k) {
            EXPECT_EQ(static_cast<uint16_t>(s[k]), 0x1110 * (k + 1)) << words << "/" << k;
        }
    }
    // Only words that lie inside the payload count, whatever the word count says.
    EXPECT_EQ(unpack12(Buffer(b.begin(), b.begin() + 7), 6).size(), 4u);
}

TEST(Packed12, UnpackingStopsAtTheBufferOf65536Samples) {
    Buffer b;
    for (int g = 0; g < 16385; ++g) {  // 65540 samples' worth
        pack4(b, 1, 2, 3, 4);
    }
    EXPECT_EQ(unpack12(b, b.size() / 2).size(), 65536u);
    std::vector<int16_t> small(5);
    EXPECT_EQ(unpack12(b, 9, small), 5u);
    EXPECT_EQ(small[4], 0x10);
}

// ---- A-scan record of the display ------------------------------------------------------------

TEST(AscanRecord, PrefixedAndPlainRecordsOfMatchingLengthAreAccepted) {
    Buffer plain;
    header(plain, 0x14, 12, -11);
    put16(plain, 0x0010);
    put16(plain, 0x8000);
    put16(plain, 0x7FF0);
    auto r = decodeAscanRecord(plain);
    EXPECT_EQ(r.status, AscanRecord::Status::Ok);
    EXPECT_TRUE(r.message.empty());
    EXPECT_FALSE(r.header.prefixed);
    EXPECT_EQ(r.samples, (std::vector<int16_t>{16, -32768, 32752}));

    Buffer prefixed;
    prefix(prefixed, 4711);
    prefixed.insert(prefixed.end(), plain.begin(), plain.end());
    r = decodeAscanRecord(prefixed);
    EXPECT_EQ(r.status, AscanRecord::Status::Ok);
    EXPECT_TRUE(r.header.prefixed);
    EXPECT_EQ(r.header.zeit, 4711u);
    EXPECT_EQ(r.samples, (std::vector<int16_t>{16, -32768, 32752}));
}

TEST(AscanRecord, LengthAndTypeFailuresGiveTheirMessages) {
    Buffer b;
    header(b, 0x60, 12 + 2, 1);
    put32(b, 0);
    put16(b, 0);
    auto r = decodeAscanRecord(b);
    EXPECT_EQ(r.status, AscanRecord::Status::LengthMismatch);
    EXPECT_EQ(r.message, "Datenlänge soll: 12 - ist: 14");
    EXPECT_TRUE(r.samples.empty());

    Buffer p;
    prefix(p, 1);
    header(p, 0x60, 7, 1);
    put16(p, 0);
    EXPECT_EQ(decodeAscanRecord(p).message, "Datenlänge bei ext. Trigger soll: 8 - ist: 7");

    Buffer t;
    header(t, 0x40, 8, 1);
    put16(t, 0);
    r = decodeAscanRecord(t);
    EXPECT_EQ(r.status, AscanRecord::Status::UnknownType);
    EXPECT_EQ(r.message, "Datentyp 0x40 unbekannt");
}

TEST(AscanRecord, ABufferTooShortForAHeaderIsALengthMismatch) {
    EXPECT_EQ(decodeAscanRecord(Buffer{0x60, 5, 0}).message, "Datenlänge soll: 3 - ist: 0");
    EXPECT_EQ(decodeAscanRecord(Buffer{0xFF, 0, 0, 0, 1, 0, 0, 0, 0x60, 6}).message,
              "Datenlänge bei ext. Trigger soll: 2 - ist: 0");
    EXPECT_EQ(decodeAscanRecord(Buffer{0xFF, 0, 0}).message,
              "Datenlänge bei ext. Trigger soll: 0 - ist: 0");
}

TEST(AscanRecord, PackedRecordsUnpackAndShortRecordsHaveNoSamples) {
    Buffer b;
    header(b, 0x10, 6 + 8, 0);
    pack4(b, 0x800, 0x7FF, 0x001, 0xFFF);
    put16(b, 0x0123);
    auto r = decodeAscanRecord(b);
    ASSERT_EQ(r.status, AscanRecord::Status::Ok);
    EXPECT_EQ(r.samples, (std::vector<int16_t>{-32768, 32752, 16, -16, 0x1230}));

    Buffer empty;
    header(empty, 0x14, 6, 0);
    r = decodeAscanRecord(empty);
    EXPECT_EQ(r.status, AscanRecord::Status::Ok);
    EXPECT_TRUE(r.samples.empty());
}

// ---- the data list's record ------------------------------------------------------------------

TEST(ListRecord, ControlWordBehindThePaddedRecord) {
    Buffer b;
    header(b, 0x14, 10, 5);
    put16(b, 1);
    put16(b, 2);
    put16(b, 0);  // padding
    put32(b, 0xFFFFEFFF);
    auto r = decodeListRecord(b);
    ASSERT_TRUE(r.controlWord);
    EXPECT_EQ(*r.controlWord, 0xFFFFEFFFu);
    // Other types list the words from byte 6 to the end of the buffer, control word included.
    EXPECT_EQ(r.samples, (std::vector<int16_t>{1, 2, 0, -4097, -1}));

    // A record of 7 bytes padded to 8 plus a control word.
    Buffer odd;
    header(odd, 0x14, 7, 5);
    put16(odd, 0x0700);
    put32(odd, 0xFFFF1234);
    r = decodeListRecord(odd);
    ASSERT_TRUE(r.controlWord);
    EXPECT_EQ(*r.controlWord, 0xFFFF1234u);

    // No whole word beyond the padded record: no control word.
    EXPECT_FALSE(decodeListRecord(Buffer(b.begin(), b.end() - 1)).controlWord);
    EXPECT_FALSE(decodeListRecord(Buffer(b.begin(), b.end() - 4)).controlWord);
}

TEST(ListRecord, PackedSamplesOverTheSmallerOfDeclaredAndHeldWords) {
    Buffer b;
    header(b, 0x10, 6 + 12, 0);  // declares 6 words
    pack4(b, 1, 2, 3, 4);        // holds 3
    EXPECT_EQ(decodeListRecord(b).samples.size(), 4u);
    pack4(b, 5, 6, 7, 8);
    pack4(b, 9, 10, 11, 12);  // holds 9
    EXPECT_EQ(decodeListRecord(b).samples.size(), 8u);

    for (uint32_t length : {0u, 1u, 5u, 6u}) {
        Buffer s;
        header(s, 0x10, length, 0);
        pack4(s, 1, 2, 3, 4);
        EXPECT_TRUE(decodeListRecord(s).samples.empty()) << length;
    }
}

TEST(ListRecord, OneTimeStampRuleAndWordsFromByteSix) {
    Buffer b;
    prefix(b, 99);
    header(b, 0x60, 8, -11);
    put16(b, 0x1234);
    put16(b, 0x5678);  // beyond `Datenlaenge`, still in the buffer
    auto r = decodeListRecord(b);
    EXPECT_TRUE(r.prefixed);
    EXPECT_EQ(r.zeit, 99u);
    ASSERT_TRUE(r.headerRead);
    EXPECT_EQ(r.header.kennung, -11);
    EXPECT_EQ(r.samples, (std::vector<int16_t>{0x1234, 0x5678}));
    // An odd last byte is no word.
    b.push_back(0x11);
    EXPECT_EQ(decodeListRecord(b).samples.size(), 2u);
    // Too short for a header after the prefix: the prefix only.
    r = decodeListRecord(Buffer(b.begin(), b.begin() + 13));
    EXPECT_TRUE(r.prefixed);
    EXPECT_FALSE(r.headerRead);
    EXPECT_TRUE(r.samples.empty());
}

// ---- result data, record layout --------------------------------------------------------------

TEST(RecordResults, CycleEndsAreNumberedWithinOneWalk) {
    Buffer b;
    gateRecord(b, -11, {{400, 700, 0x8000}});
    put32(b, 0xFFFFEFFF);
    gateRecord(b, -13, {});
    put32(b, 0xFFFFEFFF);
    gateRecord(b, -11, {});
    put32(b, 0xFFFF1234);
    gateRecord(b, -11, {});
    put32(b, 0xFFFFEFFD);
    put32(b, 0xFFFFEFFE);  // a second control word after one record is read as one
    const auto items = walk(b);
    ASSERT_EQ(items.size(), 9u);
    EXPECT_EQ(items[0].kind, ResultItem::Kind::Record);
    EXPECT_EQ(items[0].record.kennung, -11);
    EXPECT_EQ(items[0].record.slots[0].amplitude, 400);
    EXPECT_EQ(items[0].record.slots[0].time, 700);
    EXPECT_TRUE(items[0].record.slots[0].present());
    EXPECT_FALSE(items[0].record.slots[0].marker());
    EXPECT_EQ(items[1].control, ControlWord::EndePruefzyklus);
    EXPECT_EQ(controlWordListing(items[1]), "Ende Prüfzyklus 1");
    EXPECT_EQ(controlWordListing(items[3]), "Ende Prüfzyklus 2");
    EXPECT_EQ(items[5].control, ControlWord::Unknown);
    EXPECT_EQ(controlWordListing(items[5]), "Steuerzeichen FFFF-1234");
    EXPECT_EQ(controlWordListing(items[7]), "Ende Prüfung");
    EXPECT_EQ(controlWordListing(items[8]), "Ende Prüfspur");
    EXPECT_EQ(std::string(controlWordName(ControlWord::EndePruefspur)), "Ende Prüfspur");
    EXPECT_EQ(std::string(controlWordName(ControlWord::EndePruefzyklus)), "Ende Prüfzyklus");
    EXPECT_EQ(std::string(controlWordName(ControlWord::EndePruefung)), "Ende Prüfung");
}

TEST(RecordResults, PrefixedRecordsAndStatusBits) {
    Buffer b;
    prefix(b, 1000);
    gateRecord(b, -11, {{0, 0, 0xC000}, {0, 0, 0x4000}});
    prefix(b, 2000);
    gateRecord(b, -12, {});
    const auto items = walk(b);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_TRUE(items[0].prefixed);
    EXPECT_EQ(items[0].zeit, 1000u);
    EXPECT_EQ(items[0].offset, 8u);
    EXPECT_TRUE(items[0].record.slots[0].present());
    EXPECT_TRUE(items[0].record.slots[0].marker());
    EXPECT_FALSE(items[0].record.slots[1].present());
    EXPECT_TRUE(items[0].record.slots[1].marker());
    // Both records are listed: the data length does not shrink by the prefixes.
    EXPECT_EQ(items[1].zeit, 2000u);
    EXPECT_EQ(items[1].record.kennung, -12);
}

TEST(RecordResults, PartsThatDoNotFitAreNotRead) {
    Buffer b;
    gateRecord(b, -11, {});
    b.push_back(0xFF);  // a lone byte: neither control word nor prefix
    RecordResultWalker walker(b);
    ResultItem item;
    EXPECT_TRUE(walker.next(item));
    EXPECT_FALSE(walker.next(item));
    EXPECT_EQ(walker.leftOver(), 1u);
    // Control word halves: 0xFFFF at p + 2 needs the whole word present.
    Buffer c;
    gateRecord(c, -11, {});
    put16(c, 0xEFFF);
    put16(c, 0xFFFF);
    EXPECT_EQ(walk(c).size(), 2u);
    c.pop_back();
    EXPECT_EQ(walk(c).size(), 1u);
}

// ---- result data, native layout --------------------------------------------------------------

TEST(NativeResults, CompactEntryFields) {
    Buffer b;
    put32(b, (0x155u << 22) | (3u << 20) | 0xABCDE);
    put32(b, 0xFFFFFFFF);
    put32(b, (100u << 22) | 0x100000 | 0x00123);  // bit 21 clear: no result
    put32(b, (7u << 22) | 0x200000 | 0x54321);
    put32(b, 0);
    put32(b, 0x200000);
    const auto e = decodeCompactEntry(b);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->d, 0xABCDEu);
    EXPECT_EQ(e->esAmplitude, 0x155u);
    EXPECT_EQ(e->gates[0].t, 0xFFFFFu);
    EXPECT_EQ(e->gates[0].v, 1023u);
    EXPECT_TRUE(e->gates[0].marker);
    EXPECT_TRUE(e->gates[0].present);
    EXPECT_FALSE(e->gates[1].present);
    EXPECT_TRUE(e->gates[1].marker);
    EXPECT_EQ(e->gates[2].t, 0x54321u);
    EXPECT_EQ(e->gates[2].v, 7u);
    EXPECT_FALSE(e->gates[2].marker);
    EXPECT_TRUE(e->gates[4].present);
    const GateResults r = toGateResults(*e);
    EXPECT_EQ(r.ESDelay, 0xABCDEu);
    EXPECT_EQ(r.ESMaximum, 0x155 * 4);
    EXPECT_EQ(r.Gate[0].Time, 0xFFFFFu);
    EXPECT_EQ(r.Gate[0].Maximum, 4092);
    EXPECT_EQ(r.Gate[0].Marke, 0x100000u);
    EXPECT_EQ(r.Gate[2].Marke, 0u);
    EXPECT_FALSE(decodeCompactEntry(Buffer(b.begin(), b.end() - 1)));
}

TEST(NativeResults, EntriesFollowTheActiveSetsOneToSix) {
    Buffer b;
    for (uint32_t i = 0; i < 5; ++i) {
        put32(b, i);  // d tells the entries apart
        for (int k = 0; k < 5; ++k) {
            put32(b, 0);
        }
    }
    // Sets 0 and 7 never have entries.
    const auto items = walkNative(b, {true, false, true, false, false, true, false, true});
    ASSERT_EQ(items.size(), 5u);
    const uint32_t sets[5] = {2, 5, 2, 5, 2};
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(items[i].set, sets[i]);
        EXPECT_EQ(items[i].round, i / 2);
        EXPECT_EQ(items[i].entry.d, i);
        EXPECT_EQ(items[i].offset, 24u * i);
    }
}

TEST(NativeResults, NoActiveSetListsNothingAndAPartialEntryIsNotDecoded) {
    Buffer b(24 * 3, 0);
    EXPECT_TRUE(walkNative(b, {true, false, false, false, false, false, false, true}).empty());
    b.resize(24 * 2 + 23);
    NativeResultWalker walker(b, {false, true, true, true, true, true, true, false});
    NativeItem item;
    EXPECT_TRUE(walker.next(item));
    EXPECT_TRUE(walker.next(item));
    EXPECT_FALSE(walker.next(item));
    EXPECT_EQ(walker.leftOver(), 23u);
}

// ---- scalings --------------------------------------------------------------------------------

TEST(Scaling, SamplePeriodPercentAndAdcValue) {
    EXPECT_DOUBLE_EQ(samplePeriodUs(0), 0.0125);
    EXPECT_DOUBLE_EQ(samplePeriodUs(1), 0.025);
    EXPECT_DOUBLE_EQ(samplePeriodUs(2), 0.05);
    EXPECT_DOUBLE_EQ(samplePeriodUs(3), 0.1);
    for (uint32_t i : {4u, 5u, 6u, 7u}) {
        EXPECT_DOUBLE_EQ(samplePeriodUs(i), 0.00625) << i;
    }
    EXPECT_DOUBLE_EQ(samplePeriodUs(8), 0.0125);  // divided clock 8 by its low three bits
    EXPECT_DOUBLE_EQ(percent16(16384), 50.0);
    EXPECT_DOUBLE_EQ(percent16(-32768), -100.0);
    EXPECT_DOUBLE_EQ(percent8(-128), -100.0);
    EXPECT_EQ(adcValue(32767), 511);
    EXPECT_EQ(adcValue(-32768), -512);
    EXPECT_EQ(adcValue(-63), 0);  // toward zero
    EXPECT_EQ(adcValueCoarse(-1), -2);
    EXPECT_EQ(adcValueCoarse(127), 0);
    EXPECT_EQ(adcValueCoarse(0x1FFF), 126);
}

// ---- every walker on every truncation --------------------------------------------------------

TEST(Truncation, EveryWalkerOnEveryPrefixOfAValidBuffer) {
    // Record layout results: a record, a control word, a prefixed record.
    Buffer results;
    gateRecord(results, -11, {{1, 2, 0x8000}});
    put32(results, 0xFFFFEFFF);
    prefix(results, 7);
    gateRecord(results, -12, {});
    ASSERT_EQ(results.size(), 124u);
    // An A-scan record with prefix: 0x10 payload of 51 words, and a control word.
    Buffer packed;
    prefix(packed, 5);
    header(packed, 0x10, 6 + 102, -11);
    for (int g = 0; g < 17; ++g) {
        pack4(packed, 0x100, 0x200, 0x300, 0x400);
    }
    put32(packed, 0xFFFFEFFE);
    ASSERT_EQ(packed.size(), 120u);

    for (std::size_t len = 0; len <= 120; ++len) {
        SCOPED_TRACE(len);
        // Each part in an allocation of exactly its size, so that reading beyond it is caught.
        const auto part = [len](const Buffer& b) {
            auto copy = std::make_unique<uint8_t[]>(len == 0 ? 1 : len);
            std::copy(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(len), copy.get());
            return copy;
        };
        const auto r = part(results);
        const Bytes rb(r.get(), len);
        RecordResultWalker walker(rb);
        std::size_t items = 0;
        ResultItem item;
        while (walker.next(item)) {
            ++items;
        }
        EXPECT_EQ(items, len < 56 ? 0u : len < 60 ? 1u : 2u);

        NativeResultWalker native(rb, {true, true, true, true, true, true, true, true});
        NativeItem entry;
        std::size_t entries = 0;
        while (native.next(entry)) {
            ++entries;
        }
        EXPECT_EQ(entries, len / 24);

        const auto a = part(packed);
        const Bytes ab(a.get(), len);
        const AscanRecord display = decodeAscanRecord(ab);
        if (len == 116) {  // prefix and record exactly
            EXPECT_EQ(display.status, AscanRecord::Status::Ok);
            EXPECT_EQ(display.samples.size(), 68u);
        } else {
            EXPECT_EQ(display.status, AscanRecord::Status::LengthMismatch);
            EXPECT_TRUE(display.samples.empty());
        }
        const ListRecord list = decodeListRecord(ab);
        EXPECT_EQ(list.headerRead, len >= 14);
        const std::size_t words = len >= 14 ? (len - 14) / 2 : 0;
        EXPECT_EQ(list.samples.size(), unpackedCount(std::min<std::size_t>(words, 51)));
        EXPECT_EQ(unpack12(ab, len).size(), unpackedCount(len / 2));
        EXPECT_EQ(readHeader(ab).has_value(), len >= 14);
        EXPECT_EQ(decodeCompactEntry(ab).has_value(), len >= 24);
        EXPECT_EQ(decodeGateRecord(ab).has_value(), len >= 56);
    }
}

}  // namespace
