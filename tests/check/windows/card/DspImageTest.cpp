// DSP program files: the image of a .hex or .bin file, padded to 128-byte blocks, and every
// file that must not reach the card refused with its result text.
#include <gtest/gtest.h>

#include <filesystem>

#include "CheckTestSupport.h"
#include "ExampleFiles.h"
#include "card/DspImage.h"

using namespace k7check;
using namespace k7checktest;

namespace {

std::string hexLines(size_t count, const char* ending) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += "12AB";
        text += ending;
    }
    return text;
}

TEST(DspHex, WordsLowByteFirstInBlocksOf128ZeroFilled) {
    for (const char* text : {"12AB\r\n", "12ab\r\n", "12aB\n", "12AB"}) {
        const DspImageRead read = dspImageFromHex(text);
        ASSERT_TRUE(read.ok()) << text;
        ASSERT_EQ(read.image.blocks(), 1u);
        ASSERT_EQ(read.image.bytes.size(), 128u);
        EXPECT_EQ(read.image.bytes[0], 0xAB);
        EXPECT_EQ(read.image.bytes[1], 0x12);
        for (size_t i = 2; i < 128; ++i) {
            EXPECT_EQ(read.image.bytes[i], 0) << i;
        }
    }

    // 600 characters: 100 words, 200 bytes, 2 blocks; line ends may be mixed.
    const DspImageRead hundred = dspImageFromHex(hexLines(100, "\r\n"));
    ASSERT_TRUE(hundred.ok());
    EXPECT_EQ(hundred.image.blocks(), 2u);
    EXPECT_EQ(hundred.image.bytes[198], 0xAB);
    EXPECT_EQ(hundred.image.bytes[199], 0x12);
    EXPECT_EQ(hundred.image.bytes[200], 0);
    EXPECT_EQ(dspImageFromHex("0001\n0203\r\nFFFF").image.bytes[5], 0xFF);
    EXPECT_EQ(dspImageFromHex("0001\n0203\r\nFFFF").image.bytes[3], 0x02);
}

TEST(DspHex, AnyOtherLineIsRefusedByItsNumber) {
    EXPECT_EQ(dspImageFromHex("12AB\r\n12G4\r\n").error, "Ungültige Zeile 2 in der Hex-Datei");
    EXPECT_EQ(dspImageFromHex("12A\n").error, dspBadHexLineText(1));
    EXPECT_EQ(dspImageFromHex("12ABC\n").error, dspBadHexLineText(1));
    EXPECT_EQ(dspImageFromHex(" 12A\n").error, dspBadHexLineText(1));
    EXPECT_EQ(dspImageFromHex("12AB\r\r\n").error, dspBadHexLineText(1));
    EXPECT_EQ(dspImageFromHex("12AB\r").error, dspBadHexLineText(1));
    EXPECT_EQ(dspImageFromHex("12AB\n\n12AB\n").error, dspBadHexLineText(2));
    EXPECT_EQ(dspImageFromHex("12AB\r\n\r\n\r\n12AB\r\n").error, dspBadHexLineText(2));
    EXPECT_EQ(dspImageFromHex("\n12AB\n").error, dspBadHexLineText(1));
    EXPECT_EQ(dspImageFromHex("12AB\n12AB\n 12AB\n").error, dspBadHexLineText(3));
    EXPECT_EQ(dspImageFromHex("12AB\n12AB\n12AB 12AB\n").error, dspBadHexLineText(3));
    EXPECT_EQ(dspImageFromHex("12AB\n1\n").error, dspBadHexLineText(2));
    EXPECT_EQ(dspImageFromHex("+1AB\n").error, dspBadHexLineText(1));
    EXPECT_EQ(dspImageFromHex("").error, "Keine gültige Extension (*.bin/*.hex)");
    EXPECT_EQ(dspImageFromHex("\r\n\n").error, kDspNoValidExtension);
}

TEST(DspHex, EmptyLinesAtTheEndAreNoWords) {
    for (const char* text : {"12AB\n\n", "12AB\r\n\r\n", "12AB\r\n\r\n\n", "12AB\n\r\n"}) {
        const DspImageRead read = dspImageFromHex(text);
        ASSERT_TRUE(read.ok()) << read.error;
        EXPECT_EQ(read.image.blocks(), 1u);
        EXPECT_EQ(read.image.bytes[0], 0xAB);
        EXPECT_EQ(read.image.bytes[2], 0);
    }
    // Read piece by piece, split anywhere, the text gives the same image.
    const std::string text = "0102\r\nA0b0\r\nFFFF\r\n\r\n";
    for (size_t split = 0; split <= text.size(); ++split) {
        HexImageReader reader;
        EXPECT_TRUE(reader.feed(std::string_view(text).substr(0, split)));
        EXPECT_TRUE(reader.feed(std::string_view(text).substr(split)));
        const DspImageRead read = reader.finish();
        ASSERT_TRUE(read.ok()) << split;
        EXPECT_EQ(read.image.bytes[0], 0x02);
        EXPECT_EQ(read.image.bytes[3], 0xA0);
        EXPECT_EQ(read.image.bytes[4], 0xFF);
        EXPECT_EQ(read.image.bytes[6], 0);
    }
}

TEST(DspImageSize, AtMost255BlocksTheLastOneZeroFilled) {
    const DspImageRead full = dspImageFromHex(hexLines(16320, "\r\n"));
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(full.image.blocks(), 255u);
    EXPECT_EQ(dspImageFromHex(hexLines(16321, "\n")).error,
              "Programm zu groß (höchstens 255 Blöcke, 32640 Bytes)");

    const DspImageRead bin129 = dspImageFromBin(std::string(129, '\x5A'));
    ASSERT_TRUE(bin129.ok());
    EXPECT_EQ(bin129.image.blocks(), 2u);
    EXPECT_EQ(bin129.image.bytes[128], 0x5A);
    EXPECT_EQ(bin129.image.bytes[129], 0);
    EXPECT_EQ(bin129.image.bytes[255], 0);
    EXPECT_EQ(dspImageFromBin(std::string(32640, '\1')).image.blocks(), 255u);
    EXPECT_EQ(dspImageFromBin(std::string(32641, '\1')).error, kDspTooLarge);
    EXPECT_EQ(dspImageFromBin("").error, kDspNoValidExtension);
}

TEST(DspFile, NamesDecideTheKindInAnyCase) {
    EXPECT_EQ(dspFileKindOf("/a/PROG.HEX"), DspFileKind::Hex);
    EXPECT_EQ(dspFileKindOf("prog.hex.bin"), DspFileKind::Hex);
    EXPECT_EQ(dspFileKindOf("prog.Bin"), DspFileKind::Bin);
    EXPECT_EQ(dspFileKindOf("/old.hex/prog.bin"), DspFileKind::Bin);
    EXPECT_EQ(dspFileKindOf("/a/.hex"), DspFileKind::Unknown);
    EXPECT_EQ(dspFileKindOf("prog.txt"), DspFileKind::Unknown);
    EXPECT_EQ(dspFileKindOf(""), DspFileKind::Unknown);
}

TEST(DspFile, ReadingFilesAndRefusingThemBeforeTheCard) {
    TempDir dir;
    const DspImageRead example = readDspImage(exampleFile("KARVO7DSP.hex"));
    ASSERT_TRUE(example.ok()) << example.error;
    EXPECT_EQ(example.image.blocks(), 4u);  // 1536 characters, 256 words
    EXPECT_EQ(example.image.bytes[0], 0x37);
    EXPECT_EQ(example.image.bytes[1], 0x4B);

    writeText(dir.file("P.HEX"), "12AB\r\n");
    EXPECT_EQ(readDspImage(dir.file("P.HEX")).image.bytes[0], 0xAB);
    writeText(dir.file("p.bin"), std::string(129, '\7'));
    EXPECT_EQ(readDspImage(dir.file("p.bin")).image.blocks(), 2u);
    writeText(dir.file("p.txt"), "12AB\r\n");
    EXPECT_EQ(readDspImage(dir.file("p.txt")).error, kDspNoValidExtension);
    writeText(dir.file("empty.bin"), "");
    EXPECT_EQ(readDspImage(dir.file("empty.bin")).error, kDspNoValidExtension);
    EXPECT_EQ(readDspImage(dir.file("missing.hex")).error, "Datei nicht gefunden");
    EXPECT_EQ(readDspImage(dir.file("missing.txt")).error, kDspFileNotFound);
    EXPECT_EQ(readDspImage(" ").error, kDspFileNotFound);
    ASSERT_TRUE(std::filesystem::create_directory(dir.file("folder.bin")));
    EXPECT_EQ(readDspImage(dir.file("folder.bin")).error, kDspFileNotFound);

    writeText(dir.file("big.bin"), std::string(32641, '\1'));
    EXPECT_EQ(readDspImage(dir.file("big.bin")).error, kDspTooLarge);
    writeText(dir.file("big.hex"), hexLines(16321, "\r\n"));
    EXPECT_EQ(readDspImage(dir.file("big.hex")).error, kDspTooLarge);
    // 255 blocks are as large as a program gets: with an empty line after them, with LF line
    // ends, or with its last line unended.
    for (const std::string& full :
         {hexLines(16320, "\r\n") + "\r\n", hexLines(16320, "\n") + "\n",
          hexLines(16320, "\r\n") + "\r\n\r\n\r\n", hexLines(16319, "\r\n") + "12AB"}) {
        writeText(dir.file("full.hex"), full);
        const DspImageRead read = readDspImage(dir.file("full.hex"));
        ASSERT_TRUE(read.ok()) << read.error;
        EXPECT_EQ(read.image.blocks(), 255u);
        EXPECT_EQ(read.image.bytes[32639], 0x12);
    }
    // A bad line far down is named by its number; one after more words than a program holds
    // is never reached.
    writeText(dir.file("bad.hex"), hexLines(9000, "\r\n") + "12AB;\r\n");
    EXPECT_EQ(readDspImage(dir.file("bad.hex")).error, dspBadHexLineText(9001));
    writeText(dir.file("bad.hex"), hexLines(20000, "\r\n") + "xyz\r\n");
    EXPECT_EQ(readDspImage(dir.file("bad.hex")).error, kDspTooLarge);
}

}  // namespace
