// The identification reference file: its exact text, how lines and lists are read back, the
// values it cannot carry, the atomic save and the "Kennung: " comparison.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "CheckTestSupport.h"
#include "ExampleFiles.h"
#include "card/KennungFile.h"

using namespace k7check;
using namespace k7checktest;

namespace {

// The record of the shipped example file.
KonfigRecord exampleRecord() {
    KonfigRecord r{};
    std::strcpy(r.Karte, "KARVO7F");
    std::strcpy(r.Aufsteckfilter, "BP 0.5-15 MHz");
    std::strcpy(r.PciEeprom, "S5933 NV 2K");
    std::strcpy(r.LcaVersion, "LCA 3.1");
    std::strcpy(r.Programmversion, "DSP 2.04");
    r.BandgrenzeUnten = 0.5f;
    r.BandgrenzeOben = 15.0f;
    r.AdcBits = 12;
    r.AufnahmeFifo = 64;
    r.DatenFifo = 128;
    r.Dynamik = 80;
    const uint16_t eingang[] = {50, 75, 150, 1000};
    std::memcpy(r.DaempfungEingang, eingang, sizeof eingang);
    const uint8_t samplerrate[] = {80, 40, 20, 10, 160, 5, 2, 1};
    std::memcpy(r.Samplerrate, samplerrate, sizeof samplerrate);
    r.MaxSapFolge = 20;
    return r;
}

TEST(KennungFileText, TheExampleFileReadAndWrittenIsByteIdentical) {
    const std::string example = readText(exampleFile("KARVO7Kennung.txt"));
    ASSERT_FALSE(example.empty());
    const KonfigRecord record = parseKennungFile(example);
    EXPECT_EQ(kennungFileText(record), example);

    const KonfigRecord expected = exampleRecord();
    EXPECT_STREQ(record.Karte, expected.Karte);
    EXPECT_STREQ(record.Programmversion, expected.Programmversion);
    EXPECT_EQ(record.DatenFifo, 128);
    EXPECT_EQ(record.DaempfungEingang[3], 1000);
    EXPECT_EQ(record.Samplerrate[4], 160);
    EXPECT_FLOAT_EQ(record.FilterBandgrenze[15], 19.0f);
    EXPECT_EQ(record.Grunddaempfung[7], 10);
    EXPECT_TRUE(fieldsTheFileCannotCarry(record).empty());

    TempDir dir;
    ASSERT_EQ(saveKennungFile(dir.file("k.txt"), record), KennungSave::Saved);
    EXPECT_EQ(readText(dir.file("k.txt")), example);
    EXPECT_EQ(filesIn(dir.path()).size(), 1u);
}

TEST(KennungFileText, LeadingNonZeroElementsEmptyListsFullTextsAndTwoDecimals) {
    KonfigRecord r{};
    std::memcpy(r.Karte, "ABCDEFGHIJKLMNOPQRST", 20);  // fills the field, no terminator
    std::memcpy(r.LcaVersion, "0123456789", 10);
    r.BandgrenzeUnten = 10.123f;
    r.BandgrenzeOben = -2.5f;
    r.AdcBits = 255;
    const uint16_t eingang[] = {5, 10, 0, 20};
    std::memcpy(r.DaempfungEingang, eingang, sizeof eingang);
    r.FilterMittenfrequenz[0] = 1.005f;
    r.FilterMittenfrequenz[1] = 2.0f;
    r.Grunddaempfung[1] = 6;  // behind a 0: the list is empty in the file

    EXPECT_EQ(kennungFileText(r),
              "1,1,20:ABCDEFGHIJKLMNOPQRST;\n"
              "2,1,0:;\n"
              "3,1,0:;\n"
              "4,1,10:0123456789;\n"
              "5,1,0:;\n"
              "16,5,2:10.12,-2.50;\n"
              "17,2,1:255;\n"
              "18,2,1:0;\n"
              "19,2,1:0;\n"
              "20,2,1:0;\n"
              "32,3,2:5,10;\n"
              "33,3,0:;\n"
              "34,3,0:;\n"
              "35,2,0:;\n"
              "36,2,1:0;\n"
              "37,5,2:1.00,2.00;\n"
              "38,5,0:;\n"
              "39,2,0:;\n"
              "0");

    const KonfigRecord back = parseKennungFile(kennungFileText(r));
    EXPECT_EQ(std::string(back.Karte, 20), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(std::string(back.LcaVersion, 10), "0123456789");
    EXPECT_FLOAT_EQ(back.BandgrenzeUnten, 10.12f);
    EXPECT_EQ(back.DaempfungEingang[0], 5);
    EXPECT_EQ(back.DaempfungEingang[1], 10);
    EXPECT_EQ(back.DaempfungEingang[2], 0);
    EXPECT_EQ(back.DaempfungEingang[3], 0);
    for (const uint8_t g : back.Grunddaempfung) {
        EXPECT_EQ(g, 0);
    }
}

TEST(KennungFileRead, CrLfReadsLikeLfAndAnUmlautEndsItsLine) {
    const std::string lf = kennungFileText(exampleRecord());
    std::string crlf;
    for (const char c : lf) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_EQ(kennungFileText(parseKennungFile(crlf)), lf);

    // The umlaut ends the line: no ";" is left, so the text reads empty, and the rest of the
    // line never reads as a field of its own, even when it starts with a key.
    const KonfigRecord r = parseKennungFile(
        "1,1,6:Pr\xC3\xBC"
        "f;\n"
        "2,1,9:Filter \xC3\xA4"
        "5,1,1:X;\r\n"
        "17,2,1:12;\x01"
        "18,2,1:99;\n");
    EXPECT_STREQ(r.Karte, "");
    EXPECT_STREQ(r.Aufsteckfilter, "");
    EXPECT_STREQ(r.Programmversion, "");
    EXPECT_EQ(r.AdcBits, 12);
    EXPECT_EQ(r.AufnahmeFifo, 0);
}

TEST(KennungFileRead, ValueTextsSemicolonsColonsMissingDuplicateAndUnknownKeys) {
    const KonfigRecord r = parseKennungFile(
        "1,1,5:ab;cd;\n"  // ";" cuts the text
        "2,1,3:a:b;\n"    // the first ":" starts the values
        "3 no colon;\n"   // no ":": the line from its start
        "4,1,3:abc\n"     // no ";": empty
        "17,2,1:1;\n"
        "17,2,1:2;\n"  // the later line wins
        "99,2,1:7;\n"  // unknown key
        "0,2,1:7;\n"
        "x17,2,1:7;\n"
        "4294967313,2,1:7;\n"  // not key 17 by wrapping
        "36,2,1:  -1;\n"
        "20,2,1:word;\n"
        "0");
    EXPECT_STREQ(r.Karte, "ab");
    EXPECT_STREQ(r.Aufsteckfilter, "a:b");
    EXPECT_STREQ(r.PciEeprom, "3 no colon");
    EXPECT_STREQ(r.LcaVersion, "");
    EXPECT_EQ(r.AdcBits, 2);
    EXPECT_EQ(r.MaxSapFolge, 255);
    EXPECT_EQ(r.Dynamik, 0);
    EXPECT_FLOAT_EQ(r.BandgrenzeOben, 0.0f);  // missing keys stay 0
    EXPECT_EQ(r.EnergieSender[0], 0);
    EXPECT_EQ(r.AufnahmeFifo, 0);
}

TEST(KennungFileRead, NumbersKeepTheirLowBitsAndTextsAndListsTheirWidth) {
    const KonfigRecord r = parseKennungFile(
        "1,1,25:ABCDEFGHIJKLMNOPQRSTUVWXY;\n"
        "4,1,12:LCA 3.1.0.99;\n"
        "17,2,1:300;\n"
        "32,3,6:1,2,3,4,5,6;\n"
        "33,3,2:70000,65537;\n"
        "35,2,3:300,256,257;\n"
        "38,5,17:1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17;\n"
        "37,5,3:1.5, 2.25 ,x,4e1;\n");
    EXPECT_EQ(std::string(r.Karte, 20), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(std::string(r.LcaVersion, 10), "LCA 3.1.0.");
    EXPECT_EQ(r.AdcBits, 44);
    EXPECT_EQ(r.DaempfungEingang[3], 4);
    EXPECT_EQ(r.DaempfungSender[0], 4464);
    EXPECT_EQ(r.DaempfungSender[1], 1);
    EXPECT_EQ(r.Samplerrate[0], 44);
    EXPECT_EQ(r.Samplerrate[1], 0);
    EXPECT_EQ(r.Samplerrate[2], 1);
    EXPECT_FLOAT_EQ(r.FilterBandgrenze[15], 16.0f);
    EXPECT_FLOAT_EQ(r.FilterMittenfrequenz[1], 2.25f);
    EXPECT_FLOAT_EQ(r.FilterMittenfrequenz[2], 0.0f);
    EXPECT_FLOAT_EQ(r.FilterMittenfrequenz[3], 40.0f);
}

TEST(KennungListText, ReadingAndTheWindowsForm) {
    uint16_t list[4] = {9, 9, 9, 9};
    readListText("5, 10, 0, 20", list);
    EXPECT_EQ(list[0], 5);
    EXPECT_EQ(list[1], 10);
    EXPECT_EQ(list[2], 0);
    EXPECT_EQ(list[3], 20);
    readListText("7", list);  // elements not given are 0
    EXPECT_EQ(list[0], 7);
    EXPECT_EQ(list[1], 0);
    readListText(",,3", list);
    EXPECT_EQ(list[0], 0);
    EXPECT_EQ(list[2], 3);

    float floats[3] = {};
    readListText("\t1.5,-2,3.456,99", floats);
    EXPECT_FLOAT_EQ(floats[0], 1.5f);
    EXPECT_FLOAT_EQ(floats[1], -2.0f);
    EXPECT_FLOAT_EQ(floats[2], 3.456f);

    const uint8_t bytes[] = {6, 0, 10, 0};
    EXPECT_EQ(listDisplayText(bytes), "6,10");
    EXPECT_EQ(listDisplayText(bytes, 3), "  6, 10");
    EXPECT_EQ(listDisplayText(floats, 5), " 1.50,-2.00, 3.46");
    EXPECT_EQ(listDisplayText(std::span<const uint16_t>()), "");
}

TEST(KennungEdits, RecordFromTheEditsAndBack) {
    KennungEdits e;
    e.karte = "1234567890123456789012345";
    e.lcaVersion = "LCA 3.1.0.99";
    e.adcBits = 300;
    e.maxSapFolge = 20;
    e.bandgrenzeUnten = 0.5f;
    e.daempfungEingang = "5, 10, 0, 20, 40";
    e.grunddaempfung = "  6,  8";
    const KonfigRecord r = kennungRecordOf(e);
    EXPECT_EQ(std::string(r.Karte, 20), "12345678901234567890");
    EXPECT_EQ(std::string(r.LcaVersion, 10), "LCA 3.1.0.");
    EXPECT_EQ(r.AdcBits, 44);
    EXPECT_EQ(r.DaempfungEingang[2], 0);
    EXPECT_EQ(r.DaempfungEingang[3], 20);
    EXPECT_EQ(r.Grunddaempfung[1], 8);

    KonfigRecord example = exampleRecord();
    example.FilterMittenfrequenz[0] = 1.0f;
    example.Grunddaempfung[0] = 6;
    const KennungEdits shown = kennungEditsOf(example, KennungWindow::Kennung);
    EXPECT_EQ(shown.filterMittenfrequenz, " 1.00");
    EXPECT_EQ(shown.grunddaempfung, "  6");
    EXPECT_EQ(kennungEditsOf(example, KennungWindow::Vorgaben).filterMittenfrequenz, "1.00");
    EXPECT_EQ(kennungFileText(kennungRecordOf(shown)), kennungFileText(example));
}

TEST(KennungFileCarry, ValuesTheFileCannotCarryAreNamed) {
    KonfigRecord r = exampleRecord();
    EXPECT_TRUE(fieldsTheFileCannotCarry(r).empty());
    r.BandgrenzeUnten = 10.123f;  // two decimals are the file's precision, not a loss
    EXPECT_TRUE(fieldsTheFileCannotCarry(r).empty());

    std::strcpy(r.Karte, "a;b");
    std::strcpy(r.Programmversion,
                "Pr\xC3\xBC"
                "f");
    r.DaempfungSender[0] = 5;
    r.DaempfungSender[2] = 7;  // behind a 0
    r.BandgrenzeOben = std::numeric_limits<float>::quiet_NaN();
    r.FilterBandgrenze[0] = 0.001f;  // written as 0.00, which hides the elements behind it
    r.FilterBandgrenze[1] = 5.0f;
    const std::vector<std::string> expected = {"Karte", "Programmversion", "Bandgrenze oben",
                                               "Dämpfung Sender", "Filter Bandgrenze"};
    EXPECT_EQ(fieldsTheFileCannotCarry(r), expected);

    KonfigRecord newline = exampleRecord();
    std::strcpy(newline.LcaVersion, "x\n1,1,1:Y");
    // The line end in the text puts a line of key 1 into the file behind the real one.
    const std::vector<std::string> both = {"Karte", "LCA-Version"};
    EXPECT_EQ(fieldsTheFileCannotCarry(newline), both);
}

TEST(KennungFileSave, BlankNamesAreRefusedAndFailuresReported) {
    TempDir dir;
    const KonfigRecord r = exampleRecord();
    EXPECT_EQ(saveKennungFile(" ", r), KennungSave::NoFileName);
    EXPECT_EQ(saveKennungFile("", r), KennungSave::NoFileName);
    EXPECT_EQ(saveKennungFile(dir.file("missing/k.txt"), r), KennungSave::WriteFailed);
    EXPECT_EQ(saveKennungFile(dir.path(), r), KennungSave::WriteFailed);
    EXPECT_TRUE(filesIn(dir.path()).empty());

    writeText(dir.file("k.txt"), "old");
    EXPECT_EQ(saveKennungFile(dir.file("k.txt"), r), KennungSave::Saved);
    EXPECT_EQ(readText(dir.file("k.txt")), kennungFileText(r));

    EXPECT_FALSE(readKennungFile(dir.file("none.txt")).has_value());
    EXPECT_FALSE(readKennungFile(dir.path()).has_value());
    ASSERT_TRUE(readKennungFile(dir.file("k.txt")).has_value());
    EXPECT_STREQ(readKennungFile(dir.file("k.txt"))->Karte, "KARVO7F");
}

TEST(KennungCheck, FirstDifferenceInFileOrderAtTheFilesPrecision) {
    const KonfigRecord file = exampleRecord();
    KonfigRecord card = file;
    EXPECT_EQ(compareKennung(card, file), "OK");

    card.BandgrenzeUnten = 0.503f;  // the same at two decimals
    EXPECT_EQ(compareKennung(card, file), "OK");

    card.Grunddaempfung[0] = 6;
    card.BandgrenzeOben = 15.5f;
    EXPECT_EQ(compareKennung(card, file), "Bandgrenze oben Soll: 15.00 Ist: 15.50");
    card.BandgrenzeOben = 15.0f;
    EXPECT_EQ(compareKennung(card, file), "Grunddämpfung Soll:  Ist: 6");

    card = file;
    card.DaempfungEingang[3] = 0;
    EXPECT_EQ(compareKennung(card, file), "Dämpfung Eingang Soll: 50,75,150,1000 Ist: 50,75,150");
    card = file;
    std::strcpy(card.Karte, "KARVO7");
    card.AdcBits = 8;
    EXPECT_EQ(compareKennung(card, file), "Karte Soll: KARVO7F Ist: KARVO7");

    EXPECT_EQ(compareKennung(card, std::nullopt), "Kennung-Datei nicht lesbar");
}

}  // namespace
