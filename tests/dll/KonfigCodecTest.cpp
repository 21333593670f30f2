// The configuration record codec on its own: CRC, decoding rules, and directories that try
// to lead the decoder outside the stored area or a field.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "KonfigCodec.h"

namespace {

using k7::konfig::decode;
using k7::konfig::DecodeResult;
using Bytes = std::vector<uint8_t>;

// A record with a guard behind it, both filled with a pattern.
struct Guarded {
    KonfigRecord record;
    uint8_t guard[64];
    Guarded() { std::memset(this, 0x5A, sizeof *this); }
    bool guardIntact() const {
        for (uint8_t b : guard) {
            if (b != 0x5A) {
                return false;
            }
        }
        return true;
    }
};

// Decodes from a heap copy of exactly the area's size, so a read past it is caught.
DecodeResult decodeArea(const Bytes& area, uint32_t base, KonfigRecord& record) {
    std::vector<uint8_t> exact(area);
    exact.shrink_to_fit();
    return decode(exact.empty() ? nullptr : exact.data(), exact.size(), base, record);
}

TEST(KonfigCrc, IsCcittFalse) {
    const char* check = "123456789";
    EXPECT_EQ(k7::konfig::crc16(reinterpret_cast<const uint8_t*>(check), 9), 0x29B1);
    EXPECT_EQ(k7::konfig::crc16(nullptr, 0), 0xFFFF);
}

TEST(KonfigEncode, DataAddressesAndCrcFollowTheDirectory) {
    KonfigRecord record{};
    std::strcpy(record.Karte, "AB");
    record.EnergieSender[0] = 0x0102;
    Bytes out(k7::konfig::kMaxEncodedSize, 0xEE);
    const uint32_t d = k7::konfig::encode(record, out.data());
    EXPECT_EQ(d, 13u + 2u + 2u);
    // Key 1 at 0xD0 with 2 characters; key 2 follows at 0xD2.
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 8), (Bytes{1, 2, 0xD0, 0x10, 2, 0, 0xD2, 0x10}));
    EXPECT_EQ(Bytes(out.begin() + 76, out.begin() + 78), (Bytes{'A', 'B'}));
    const uint16_t crc = k7::konfig::crc16(out.data() + 76, d);
    EXPECT_EQ(out[76 + d], crc & 0xFF);
    EXPECT_EQ(out[76 + d + 1], crc >> 8);
}

TEST(KonfigDecode, BandLimitsSingleBytesAndForeignKeys) {
    // Base 0x100. Key 99 (unknown) is skipped; key 16 with one element sets only the lower
    // limit; key 17 stored as 16-bit keeps its low byte; key 16 elements are raw bits.
    const Bytes area = {99, 1, 0x00, 0x51, 16, 1, 0x14, 0x51, 17,   1,    0x18, 0x31, 0, 0,
                        0,  0, 0,    0,    0,  0, 0,    0,    0x20, 0x41, 0x34, 0x12, 0, 0};
    KonfigRecord r{};
    r.BandgrenzeOben = 7.0f;
    ASSERT_EQ(decodeArea(area, 0x100, r), DecodeResult::Ok);
    EXPECT_EQ(r.BandgrenzeUnten, 10.0f);  // 0x41200000
    EXPECT_EQ(r.BandgrenzeOben, 7.0f);
    EXPECT_EQ(r.AdcBits, 0x34);
}

TEST(KonfigDecode, EmptyAreaAndDirectoryWithoutTerminator) {
    Guarded g;
    EXPECT_EQ(decodeArea({}, 0x84, g.record), DecodeResult::Ok);
    // Three bytes cannot hold an entry.
    EXPECT_EQ(decodeArea({17, 1, 0x84}, 0x84, g.record), DecodeResult::Ok);
    EXPECT_EQ(g.record.AdcBits, 0x5A);
    // Entries up to the very end of the area, none of them a terminator.
    EXPECT_EQ(decodeArea({17, 1, 0x84, 0x20, 18, 1, 0x85, 0x20}, 0x84, g.record), DecodeResult::Ok);
    EXPECT_EQ(g.record.AdcBits, 17);
    EXPECT_EQ(g.record.AufnahmeFifo, 1);
}

TEST(KonfigDecode, CountsBeyondAFieldAreCut) {
    // Every list and text claims 255 elements of a 2000-byte area filled with 0x77.
    const uint8_t keys[] = {1, 2, 3, 4, 5, 16, 17, 18, 19, 20, 32, 33, 34, 35, 36, 37, 38, 39};
    const uint8_t types[] = {1, 1, 1, 1, 1, 5, 2, 2, 2, 2, 3, 3, 3, 2, 2, 5, 5, 2};
    Bytes area(2000, 0x77);
    for (size_t i = 0; i < std::size(keys); ++i) {
        area[4 * i] = keys[i];
        area[4 * i + 1] = 255;
        area[4 * i + 2] = 0x00;
        area[4 * i + 3] = static_cast<uint8_t>(types[i] << 4 | 0x1);  // 0x100
    }
    area[4 * std::size(keys)] = 0;
    Guarded g;
    ASSERT_EQ(decodeArea(area, 0, g.record), DecodeResult::Ok);
    EXPECT_TRUE(g.guardIntact());
    EXPECT_EQ(std::string(g.record.Programmversion, 10), std::string(10, '\x77'));
    EXPECT_EQ(g.record.Grunddaempfung[7], 0x77);
    EXPECT_EQ(g.record.EnergieSender[7], 0x7777);
}

TEST(KonfigDecode, DataOutsideTheAreaEndsTheWalk) {
    Guarded g;
    // Data below the base.
    EXPECT_EQ(decodeArea({17, 1, 0x10, 0x20, 18, 1, 0x88, 0x20, 9, 9, 9, 9}, 0x84, g.record),
              DecodeResult::Ok);
    EXPECT_EQ(g.record.AdcBits, 0x5A);
    EXPECT_EQ(g.record.AufnahmeFifo, 0x5A);
    // A float whose last byte would lie one past the end.
    EXPECT_EQ(decodeArea({37, 2, 0x08, 0x50, 0, 0, 0, 0, 0, 0, 0x80, 0x3F, 1, 2, 3}, 0, g.record),
              DecodeResult::Ok);
    EXPECT_EQ(g.record.FilterMittenfrequenz[0], 1.0f);
    EXPECT_EQ(g.record.FilterMittenfrequenz[1], 0.0f);  // the list ends after what was read
    // The largest address the directory can name, with the largest base.
    EXPECT_EQ(decodeArea({39, 255, 0xFF, 0x2F}, 0xFFFF, g.record), DecodeResult::Ok);
    EXPECT_TRUE(g.guardIntact());
}

TEST(KonfigDecode, UnknownTypeStopsWithAnError) {
    KonfigRecord r{};
    EXPECT_EQ(decodeArea({17, 1, 0x08, 0x20, 1, 0, 0, 0x00, 0x42}, 0, r), DecodeResult::BadType);
    EXPECT_EQ(r.AdcBits, 0x42);
    EXPECT_EQ(decodeArea({99, 0, 0, 0xF0}, 0, r), DecodeResult::BadType);
    EXPECT_EQ(decodeArea({4, 0, 0, 0x40}, 0, r), DecodeResult::Ok);  // type 4 is accepted
}

}  // namespace
