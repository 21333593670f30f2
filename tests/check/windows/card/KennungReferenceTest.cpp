// The identification reference file as a card or a check relies on it: the text form the writer
// writes, every line of it, or a refusal that names the line.
#include <gtest/gtest.h>

#include <string>

#include "CheckTestSupport.h"
#include "ExampleFiles.h"
#include "card/KennungFile.h"
#include "card/KennungReference.h"

using namespace k7check;
using namespace k7checktest;

namespace {

std::string shipped() {
    return readText(exampleFile("KARVO7Kennung.txt"));
}

// The shipped file with the line of `key` replaced by `line` ("" removes it).
std::string withLine(const std::string& key, const std::string& line) {
    std::string text = shipped();
    const size_t at = text.find("\n" + key + ",") + 1;
    const size_t end = text.find('\n', at);
    text.replace(at, end + 1 - at, line.empty() ? "" : line + "\n");
    return text;
}

TEST(KennungReference, WhatTheWriterWritesIsTakenInAnyLineEnding) {
    EXPECT_EQ(kennungFileFault(shipped()), std::nullopt);
    EXPECT_EQ(kennungFileFault(kennungFileText(KonfigRecord{})), std::nullopt) << "empty fields";
    std::string crlf;
    for (const char c : shipped()) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_EQ(kennungFileFault(crlf + "\r\n"), std::nullopt);
    // Without the closing "0", with empty lines and blanks behind a line.
    std::string open = shipped();
    open.resize(open.size() - 1);
    EXPECT_EQ(kennungFileFault(open), std::nullopt);
    EXPECT_EQ(kennungFileFault(withLine("17", "\n17,2,1:12;  ")), std::nullopt);
}

TEST(KennungReference, EmptyRandomAndForeignFilesAreRefusedNamingTheLine) {
    EXPECT_EQ(kennungFileFault(""), "leer");
    EXPECT_EQ(kennungFileFault("\n\n"), "Schlüssel 1 (Karte) fehlt");
    EXPECT_EQ(kennungFileFault("0"), "Schlüssel 1 (Karte) fehlt");
    EXPECT_EQ(kennungFileFault(std::string("\x8f\x01\xfe\x00\x33", 5)),
              "Zeile 1: Zeichen außerhalb ASCII");
    // UTF-16 with its byte-order mark: every second byte is 0.
    std::string utf16 = "\xff\xfe";
    for (const char c : shipped()) {
        utf16 += c;
        utf16 += '\0';
    }
    EXPECT_EQ(kennungFileFault(utf16), "Zeile 1: Zeichen außerhalb ASCII");
    EXPECT_EQ(kennungFileFault("[Kennung]\nFilename=x\n"),
              "Zeile 1: keine Zeile \"Schlüssel,Typ,Anzahl:Werte;\"");
}

TEST(KennungReference, EachLineHoldsItsKeyTypeCountAndValuesOnce) {
    const std::string line6 = "Zeile 6: ";  // key 16, the band limits
    EXPECT_EQ(kennungFileFault(withLine("16", "16,5,2:0.50;")), line6 + "1 Werte, erlaubt sind 2");
    EXPECT_EQ(kennungFileFault(withLine("16", "16,5,2:0.50,15.00")),
              line6 + "keine Zeile \"Schlüssel,Typ,Anzahl:Werte;\"");
    EXPECT_EQ(kennungFileFault(withLine("16", "16,2,2:0.50,15.00;")),
              line6 + "Schlüssel 16 hat Typ 5, nicht 2");
    EXPECT_EQ(kennungFileFault(withLine("16", "16,5,2:0.50,x;")), line6 + "Wert \"x\" ungültig");
    EXPECT_EQ(kennungFileFault(withLine("16", "21,2,1:3;")), line6 + "Schlüssel 21 gibt es nicht");
    EXPECT_EQ(kennungFileFault(withLine("17", "17,2,1:256;")), "Zeile 7: Wert \"256\" ungültig");
    EXPECT_EQ(kennungFileFault(withLine("17", "17,2,1:-1;")), "Zeile 7: Wert \"-1\" ungültig");
    EXPECT_EQ(kennungFileFault(withLine("17", "")), "Schlüssel 17 (ADC) fehlt");
    EXPECT_EQ(kennungFileFault(withLine("17", "16,5,2:0.50,15.00;")),
              "Zeile 7: Schlüssel 16 zum zweiten Mal");
    EXPECT_EQ(kennungFileFault(withLine("32", "32,3,5:1,2,3,4,5;")),
              "Zeile 11: 5 Werte, erlaubt sind bis zu 4");
    EXPECT_EQ(kennungFileFault(withLine("32", "32,3,3:1,2;")), "Zeile 11: Anzahl 3, aber 2 Werte");
    EXPECT_EQ(kennungFileFault(withLine("32", "32,3,2:1,70000;")),
              "Zeile 11: Wert \"70000\" ungültig");
    EXPECT_EQ(kennungFileFault(withLine("1", "")), "Schlüssel 1 (Karte) fehlt");
    EXPECT_EQ(kennungFileFault(withLine("2", "2,1,3:BP;")), "Zeile 2: Anzahl 3, aber 2 Zeichen");
    EXPECT_EQ(kennungFileFault(withLine("4", "4,1,11:LCA 3.1 und;")),
              "Zeile 4: Text länger als 10 Zeichen");
    EXPECT_EQ(kennungFileFault(shipped() + "\n17,2,1:12;"),
              "Zeile 20: nach der letzten Zeile \"0\" (Zeile 19)");
}

TEST(KennungReference, AFileIsReadOrRefusedWithItsName) {
    TempDir dir;
    writeText(dir.file("k.txt"), shipped());
    const KennungReference good = readKennungReference(dir.file("k.txt"));
    ASSERT_TRUE(good.record);
    EXPECT_STREQ(good.record->Karte, "KARVO7F");
    EXPECT_EQ(good.fault, "");

    writeText(dir.file("k.txt"), "");
    EXPECT_EQ(readKennungReference(dir.file("k.txt")).fault,
              "Kennung-Datei " + dir.file("k.txt") + ": leer");
    EXPECT_FALSE(readKennungReference(dir.file("k.txt")).record);
    EXPECT_EQ(readKennungReference(dir.file("missing.txt")).fault,
              "Kennung-Datei nicht lesbar: " + dir.file("missing.txt"));
    EXPECT_EQ(readKennungReference(dir.path())
                  .fault.rfind("Kennung-Datei nicht lesbar: " + dir.path() + " (", 0),
              0u);
}

// A float element that two decimals make 0 is written as the 0 it reads back as: the line ends
// before it and counts only what it carries.
TEST(KennungReference, AFloatListLineCarriesAndCountsOnlyWhatReadsBack) {
    KonfigRecord r{};
    r.FilterMittenfrequenz[0] = 1.0f;
    r.FilterMittenfrequenz[1] = 2.67f;
    r.FilterMittenfrequenz[2] = 0.004f;
    r.FilterBandgrenze[0] = 0.5f;
    r.FilterBandgrenze[1] = -0.001f;
    r.FilterBandgrenze[2] = 3.0f;
    const std::string text = kennungFileText(r);
    EXPECT_NE(text.find("\n37,5,2:1.00,2.67;\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n38,5,1:0.50;\n"), std::string::npos) << text;
    EXPECT_EQ(kennungFileFault(text), std::nullopt);
    // The file still cannot carry those values, and says so before saving.
    EXPECT_EQ(fieldsTheFileCannotCarry(r),
              (std::vector<std::string>{"Filter Mittenfrequenz", "Filter Bandgrenze"}));
}

}  // namespace
