// The data list's lines in all three layouts, formatted on demand, and its CSV file written
// whole or not at all.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "CheckTestSupport.h"
#include "windows/measurement/DataList.h"

using namespace k7check;

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

DataList listOf(const Buffer& b, bool recordLayout, bool eightBit, uint8_t rate) {
    return DataList({eightBit, recordLayout, b.data(), static_cast<uint32_t>(b.size()), rate});
}

TEST(DataList, NativeEightBitLines) {
    const Buffer b = {0x80, 0x7F, 0x00, 0xFF};
    const DataList list = listOf(b, false, true, 5);  // 0.00625 us per sample
    ASSERT_EQ(list.lineCount(), 5u);
    EXPECT_EQ(list.line(0), "4 Bytes");
    EXPECT_EQ(list.line(1), "   0.000µs  -100.0% |    0   -128 0xFFFFFF80");
    EXPECT_EQ(list.line(2), "   0.006µs    99.2% |    1    127 0x007F");
    EXPECT_EQ(list.line(4), "   0.019µs    -0.8% |    3     -1 0xFFFFFFFF");
    EXPECT_EQ(list.line(5), "");
}

TEST(DataList, NativeSixteenBitLines) {
    Buffer b;
    for (int s : {0, 16384, -32768, 127, -1}) {
        put16(b, static_cast<uint16_t>(s));
    }
    b.push_back(0x55);  // an odd last byte is no sample
    const DataList list = listOf(b, false, false, 1);
    ASSERT_EQ(list.lineCount(), 6u);
    EXPECT_EQ(list.line(0), "11 Bytes");
    EXPECT_EQ(list.line(2), "   0.025µs    50.0% |    1  16384 ( 256) 0x4000");
    EXPECT_EQ(list.line(3), "   0.050µs  -100.0% |    2 -32768 (-512) 0x8000");
    EXPECT_EQ(list.line(4), "   0.075µs     0.4% |    3    127 (   0) 0x007F");
    EXPECT_EQ(list.line(5), "   0.100µs    -0.0% |    4     -1 (  -2) 0xFFFF");
}

TEST(DataList, RecordLayoutWithPrefixControlWordAndUnsignedKennung) {
    Buffer b;
    put32(b, 0xFF);
    put32(b, 123456);
    put32(b, 0x60 | (10u << 8));
    put16(b, 0xFFF5);  // -11
    put16(b, 0x4000);
    put16(b, 0xFFC0);
    put16(b, 0);  // padding
    put32(b, 0xFFFFEFFF);
    const DataList list = listOf(b, true, false, 3);
    ASSERT_EQ(list.lineCount(), 5u + 5u);
    EXPECT_EQ(list.line(0), "Zeitpunkt 123456:");
    EXPECT_EQ(list.line(1), "10 Bytes");
    EXPECT_EQ(list.line(2), "Datentyp 0x60");
    EXPECT_EQ(list.line(3), "Kennung 65525");
    EXPECT_EQ(list.line(4), "Ende Prüfzyklus");
    EXPECT_EQ(list.line(5), "   0.000µs    50.0% |    0    256 ( 256) 0x4000");
    EXPECT_EQ(list.line(6), "   0.100µs    -0.2% |    1     -1 (  -2) 0xFFC0");
    // The words to the end of the buffer: padding and control word too.
    EXPECT_EQ(list.line(9), "   0.400µs    -0.0% |    4      0 (  -2) 0xFFFF");

    Buffer unknown;
    put32(unknown, 0x14 | (8u << 8));
    put16(unknown, 1);
    put16(unknown, 0x10);
    put32(unknown, 0x12345678);
    const DataList other = listOf(unknown, true, false, 0);
    EXPECT_EQ(other.line(0), "8 Bytes");
    EXPECT_EQ(other.line(3), ", Unbekanntes Steuerzeichen");
}

TEST(DataList, PackedRecordListsTheUnpackedSamples) {
    Buffer b;
    put32(b, 0x10 | (12u << 8));
    put16(b, 0);
    put16(b, 0x1800);  // samples 0x800 and 0x001 (low 4 bits 1, high 8 bits 0)
    put16(b, 0x0000);
    put16(b, 0x0FF0);  // sample 3 = 0x0FF0 & 0xFFF0
    const DataList list = listOf(b, true, false, 0);
    ASSERT_EQ(list.sampleCount(), 4u);
    EXPECT_EQ(list.line(3), "   0.000µs  -100.0% |    0   -512 (-512) 0x8000");
    EXPECT_EQ(list.line(4), "   0.013µs     0.0% |    1      0 (   0) 0x0010");
    EXPECT_EQ(list.line(6), "   0.038µs    12.5% |    3     63 (  62) 0x0FF0");
}

TEST(DataList, SixtyFiveThousandSamplesOpenAtOnceAndCopy) {
    Buffer b(131072, 0);
    const DataList list = listOf(b, false, false, 1);
    EXPECT_EQ(list.lineCount(), 65537u);
    EXPECT_EQ(list.line(65536), "1638.375µs     0.0% | 65535      0 (   0) 0x0000");
    EXPECT_EQ(list.copyText({0, 65536}),
              "131072 Bytes\n1638.375µs     0.0% | 65535      0 (   0) 0x0000\n");
}

TEST(DataListCsv, OneRowPerSampleWrittenWhole) {
    Buffer b;
    for (int s : {16384, -32768}) {
        put16(b, static_cast<uint16_t>(s));
    }
    const DataList list = listOf(b, false, false, 4);
    EXPECT_EQ(list.csv(), "0.00000,50.000,0,16384\n0.00625,-100.000,1,-32768\n");
    const Buffer eight = {0x80};
    EXPECT_EQ(listOf(eight, false, true, 0).csv(), "0.00000,-100.000,0,-128\n");

    k7checktest::TempDir dir;
    const std::string path = dir.file("data.csv");
    k7checktest::writeText(path, "old contents that are longer than the new ones\n");
    std::string error;
    ASSERT_TRUE(list.saveCsv(path, &error)) << error;
    EXPECT_EQ(k7checktest::readText(path), list.csv());
    EXPECT_EQ(k7checktest::filesIn(dir.path()), std::vector<std::string>{"data.csv"});

    EXPECT_FALSE(list.saveCsv(dir.file("missing/data.csv"), &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    EXPECT_EQ(k7checktest::filesIn(dir.path()), std::vector<std::string>{"data.csv"});

    // A read-only file stays as it is.
    k7checktest::writeText(path, "fest\n");
    k7checktest::makeReadOnly(path);
    EXPECT_FALSE(list.saveCsv(path, &error));
    EXPECT_EQ(error, path + ": schreibgeschützt");
    EXPECT_EQ(k7checktest::readText(path), "fest\n");
}

}  // namespace
