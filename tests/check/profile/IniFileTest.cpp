// The profile semantics of the parameter file: how names and values are matched and read, and
// that a write changes one line, keeps everything else byte for byte and replaces the file
// whole or not at all.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "CheckTestSupport.h"
#include "k7base/Files.h"
#include "paramfile/IniFile.h"

using namespace k7check;
using namespace k7checktest;

namespace {

TEST(IniRead, NamesIgnoreCaseAndBlanksValuesLoseBlanksAndOneQuotePair) {
    const IniFile ini = IniFile::parse(
        "  [ Init ]  \n"
        "  KARTE  =  3  \n"
        "Text=\"  quoted  \"\n"
        "Single='x'\n"
        "Mixed=\"x'\n"
        "Twice=\"\"y\"\"\n"
        "Inline=v ; c\n"
        "Empty=\n");
    EXPECT_EQ(ini.value("init", "karte"), "3");
    EXPECT_EQ(ini.value("INIT", " Karte "), "3");
    EXPECT_EQ(ini.value("Init", "Text"), "  quoted  ");
    EXPECT_EQ(ini.value("Init", "Single"), "x");
    EXPECT_EQ(ini.value("Init", "Mixed"), "\"x'");
    EXPECT_EQ(ini.value("Init", "Twice"), "\"y\"");
    EXPECT_EQ(ini.value("Init", "Inline"), "v ; c");
    EXPECT_EQ(ini.value("Init", "Empty"), "");
    EXPECT_EQ(ini.value("Init", "Missing"), std::nullopt);
    EXPECT_EQ(ini.value("Other", "Karte"), std::nullopt);
}

TEST(IniRead, CommentsKeysOutsideSectionsAndTheFirstMatchWins) {
    const IniFile ini = IniFile::parse(
        "Loose=1\n"
        "[A]\n"
        ";Key=comment\n"
        "   ; Key=indented comment\n"
        "Key=first\n"
        "key=second\n"
        "no equals sign here\n"
        "=nameless\n"
        "[a]\n"
        "Key=other section\n"
        "Late=only in the second\n");
    EXPECT_EQ(ini.value("A", "Key"), "first");
    EXPECT_EQ(ini.value("A", "Late"), std::nullopt);
    EXPECT_EQ(ini.value("", "Loose"), std::nullopt);
    EXPECT_EQ(ini.value("A", "no equals sign here"), std::nullopt);
}

TEST(IniRead, LineEndingsAndAByteOrderMark) {
    const IniFile ini = IniFile::parse("\xEF\xBB\xBF[S]\r\nA=1\r\nB=2");
    EXPECT_EQ(ini.value("S", "A"), "1");
    EXPECT_EQ(ini.value("S", "B"), "2");
}

TEST(IniRead, IntegersAreASignAndTheLeadingDigits) {
    const IniFile ini = IniFile::parse(
        "[I]\nA=12abc\nB=-7\nC=+3\nD=abc\nE=\nF= 42 \nG=4294967295\nH=\"15\"\nJ=0x10\n");
    EXPECT_EQ(ini.getInt("I", "A", 99), 12);
    EXPECT_EQ(ini.getInt("I", "B", 99), -7);
    EXPECT_EQ(ini.getInt("I", "C", 99), 3);
    EXPECT_EQ(ini.getInt("I", "D", 99), 0);
    EXPECT_EQ(ini.getInt("I", "E", 99), 99);  // empty: the default
    EXPECT_EQ(ini.getInt("I", "F", 99), 42);
    EXPECT_EQ(ini.getInt("I", "G", 99), -1);
    EXPECT_EQ(ini.getInt("I", "H", 99), 15);
    EXPECT_EQ(ini.getInt("I", "J", 99), 0);
    EXPECT_EQ(ini.getInt("I", "Missing", 99), 99);
    EXPECT_EQ(ini.getInt("Missing", "A", -5), -5);
}

TEST(IniRead, AnEmptyIntegerValueReadsAsTheDefault) {
    // An emptied "Zyklen" must not give 0 cycles, nor an emptied threshold 0.
    const IniFile ini = IniFile::parse("[Init]\nZyklen=\nA=   \nB=\"\"\nC=''\nD=\"  \"\n");
    for (const char* key : {"Zyklen", "A", "B", "C", "D"}) {
        EXPECT_EQ(ini.getInt("Init", key, 200), 200) << key;
    }
}

TEST(IniRead, AFolderIsAnEmptyProfile) {
    TempDir dir;
    EXPECT_FALSE(IniFile::load(dir.path()).value("S", "K").has_value());
}

TEST(IniSave, AReadOnlyFileIsNotReplaced) {
    TempDir dir;
    const std::string path = dir.file("ro.ini");
    writeText(path, "[S]\nK=1\n");
    makeReadOnly(path);
    IniFile ini = IniFile::load(path);
    ASSERT_TRUE(ini.set("S", "K", "2"));
    EXPECT_FALSE(ini.save(path));
    EXPECT_EQ(readText(path), "[S]\nK=1\n");
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"ro.ini"});
}

TEST(IniRead, AMissingFileGivesTheDefaults) {
    TempDir dir;
    EXPECT_EQ(readProfileString(dir.file("none.ini"), "S", "K", "fallback"), "fallback");
    EXPECT_EQ(readProfileInt(dir.file("none.ini"), "S", "K", 17), 17);
}

// Gives `path` a modification time an hour ago, as a parameter file has that nobody is editing.
void settle(const std::string& path) {
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
}

TEST(IniProfile, TheKeysOfAnUnchangedFileComeFromOneReading) {
    TempDir dir;
    const std::string path = dir.file("p.ini");
    writeText(path, "[Selbsttest]\nTest0=no\nTest1=yes\nZahl=12\n");
    settle(path);
    const uint64_t before = IniFile::loadCount();
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(readProfileString(path, "Selbsttest", "Test0", "yes"), "no");
        EXPECT_EQ(readProfileInt(path, "Selbsttest", "Zahl", 0), 12);
        EXPECT_EQ(readProfileString(path, "Selbsttest", "Missing", "yes"), "yes");
    }
    EXPECT_EQ(IniFile::loadCount() - before, 1u);
    EXPECT_EQ(readProfile(path)->getString("Selbsttest", "Test1", ""), "yes");
    EXPECT_EQ(IniFile::loadCount() - before, 1u);

    // A write reads the file as it is and is read back at once.
    ASSERT_TRUE(writeProfileString(path, "Selbsttest", "Test0", "yes"));
    EXPECT_EQ(readProfileString(path, "Selbsttest", "Test0", ""), "yes");
    // So is a change by hand, in place, of the same length.
    writeText(path, "[Selbsttest]\nTest0=xx\nTest1=yes\nZahl=12\n");
    EXPECT_EQ(readProfileString(path, "Selbsttest", "Test0", ""), "xx");
    // Another file, and back: each is read as it is.
    const std::string other = dir.file("q.ini");
    writeText(other, "[Selbsttest]\nTest0=q\n");
    EXPECT_EQ(readProfileString(other, "Selbsttest", "Test0", ""), "q");
    EXPECT_EQ(readProfileString(path, "Selbsttest", "Test0", ""), "xx");
    // A file that is gone gives the defaults.
    ASSERT_EQ(std::remove(other.c_str()), 0);
    EXPECT_EQ(readProfileString(other, "Selbsttest", "Test0", "d"), "d");
}

TEST(IniRead, ADefaultTextLosesItsTrailingBlanksAsAStoredValueDoes) {
    const IniFile ini = IniFile::parse("[DSP]\nFilename= \nKey=  a b  \n");
    EXPECT_EQ(ini.getString("DSP", "Filename", "x"), "");
    EXPECT_EQ(ini.getString("DSP", "Key", "x"), "a b");
    EXPECT_EQ(ini.getString("DSP", "Missing", " "), "");
    EXPECT_EQ(ini.getString("DSP", "Missing", "  a b \t "), "  a b");
    EXPECT_EQ(ini.getString("None", "Filename", "Bus 0 Slot 0  "), "Bus 0 Slot 0");
    TempDir dir;
    EXPECT_EQ(readProfileString(dir.file("none.ini"), "DSP", "Filename", " "), "");
}

TEST(IniWrite, ChangesOnlyTheValueOfTheAffectedLine) {
    const std::string before =
        "; parameter file of test bench 3\r\n"
        "[Init]\r\n"
        "  Karte = 3   \r\n"
        "Zyklen=200\r\n"
        "\r\n"
        "; keep this comment\r\n"
        "[Check]\r\n"
        "DSP=yes\r\n";
    IniFile ini = IniFile::parse(before);
    ASSERT_TRUE(ini.set("INIT", "karte", "5"));
    std::string expected = before;
    expected.replace(expected.find("3   "), 4, "5");
    EXPECT_EQ(ini.bytes(), expected);
}

TEST(IniWrite, NewKeysFollowTheLastKeyOfTheFirstMatchingSection) {
    IniFile ini = IniFile::parse(
        "[Init]\n"
        "Karte=1\n"
        "\n"
        "; about the checks\n"
        "[Check]\n"
        "[Init]\n"
        "Late=1\n");
    ASSERT_TRUE(ini.set("Init", "Zyklen", "200"));
    ASSERT_TRUE(ini.set("Check", "DSP", "no"));
    EXPECT_EQ(ini.bytes(),
              "[Init]\n"
              "Karte=1\n"
              "Zyklen=200\n"
              "\n"
              "; about the checks\n"
              "[Check]\n"
              "DSP=no\n"
              "[Init]\n"
              "Late=1\n");
}

TEST(IniWrite, NewSectionsGoToTheEndInTheFilesLineEnding) {
    IniFile ini = IniFile::parse("[A]\r\nX=1");
    ASSERT_TRUE(ini.set("B", "Y", "2"));
    EXPECT_EQ(ini.bytes(), "[A]\r\nX=1\r\n[B]\r\nY=2\r\n");

    IniFile noEnding = IniFile::parse("[A]\nX=1");
    ASSERT_TRUE(noEnding.set("A", "Z", "3"));
    EXPECT_EQ(noEnding.bytes(), "[A]\nX=1\nZ=3");

    IniFile empty;
    ASSERT_TRUE(empty.set("Init", "Karte", "1"));
    EXPECT_EQ(empty.bytes(), "[Init]\nKarte=1\n");
}

TEST(IniWrite, LaterSectionsAreFoundAfterLinesWereInsertedBeforeThem) {
    IniFile ini = IniFile::parse("[A]\nX=1\n[B]\nY=2\n[C]\nZ=3\n");
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(ini.set("A", "N" + std::to_string(i), std::to_string(i)));
    }
    ASSERT_TRUE(ini.set("B", "Y", "20"));
    ASSERT_TRUE(ini.set("C", "W", "4"));
    EXPECT_EQ(ini.value("B", "Y"), "20");
    EXPECT_EQ(ini.value("C", "Z"), "3");
    EXPECT_EQ(ini.value("A", "N4"), "4");
    EXPECT_EQ(ini.bytes(), "[A]\nX=1\nN0=0\nN1=1\nN2=2\nN3=3\nN4=4\n[B]\nY=20\n[C]\nZ=3\nW=4\n");
}

TEST(IniWrite, RefusesNamesAndValuesTheFileCannotHold) {
    IniFile ini = IniFile::parse("[A]\nX=1\n");
    EXPECT_FALSE(ini.set("A", "X", "1\n[Injected]"));
    EXPECT_FALSE(ini.set("A]", "X", "1"));
    EXPECT_FALSE(ini.set("A", "K=V", "1"));
    EXPECT_FALSE(ini.set("A", ";X", "1"));
    EXPECT_FALSE(ini.set("A", "", "1"));
    EXPECT_FALSE(ini.set("", "X", "1"));
    EXPECT_EQ(ini.bytes(), "[A]\nX=1\n");
}

TEST(IniSave, AWriteThroughTheProfileKeepsAnUntouchedComment) {
    TempDir dir;
    const std::string path = dir.file("KARVO7Check.INI");
    writeText(path, "[Init]\n; Karte = card under test\nKarte=1\n");
    ASSERT_TRUE(writeProfileString(path, "Init", "Karte", "2"));
    EXPECT_EQ(readText(path), "[Init]\n; Karte = card under test\nKarte=2\n");
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"KARVO7Check.INI"});
}

TEST(IniProfile, RelativeNamesLiveBesideTheExecutable) {
    EXPECT_EQ(k7base::resolveProfilePath("KARVO7Check.INI", "/opt/k7/bin/KARVO7Check"),
              "/opt/k7/bin/KARVO7Check.INI");
    EXPECT_EQ(k7base::resolveProfilePath("/etc/k7.ini", "/opt/k7/bin/KARVO7Check"), "/etc/k7.ini");

    TempDir dir;
    ScriptedDesktop desktop(dir.file("KARVO7Check"));
    ASSERT_TRUE(desktop.writeProfileString("Bench.ini", "Init", "Karte", "4"));
    EXPECT_EQ(readText(dir.file("Bench.ini")), "[Init]\nKarte=4\n");
    EXPECT_EQ(desktop.profileInt("Bench.ini", "init", "KARTE", 0), 4);
    EXPECT_EQ(desktop.profileString("Bench.ini", "Init", "Zyklen", "200"), "200");
}

}  // namespace
