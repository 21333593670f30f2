// The .ta file reader and the depth compensation list "Tiefenausgleich": spacing in counts of
// the effective sampling rate, gains in tenths of a dB, the limits of the table, refused files
// that leave the set as it was, and the list's lines.
#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ScratchFolder.h"
#endif

#include "CheckTestSupport.h"
#include "card/TaFile.h"
#include "desktop/scripted/ScriptedDesktop.h"
#include "windows/editors/TAlist.h"

using namespace k7check;
using namespace k7checktest;

namespace {

TaContent readInto(ParameterSet& set, const std::string& text, uint8_t samplerate) {
    const TaContent content = parseTaText(text, units::rateTiming(samplerate));
    applyTaContent(content, set);
    return content;
}

TEST(TaFile, SpacingIsRoundedToTheGridOfTheEffectiveRate) {
    ParameterSet set;
    readInto(set, "1.0 12.5 13 13.04", 0);
    EXPECT_EQ(set.taAbstand, 80);
    EXPECT_EQ(set.taStuetzstellen, 2);
    EXPECT_EQ(set.taTabelle[0], 125);
    EXPECT_EQ(set.taTabelle[1], 130);
    EXPECT_EQ(set.taTabelle[2], 130);

    readInto(set, "1.0 12.5 13 13.04", 6);  // 2.5 counts of 0.4 µs, grid 4
    EXPECT_EQ(set.taAbstand, 4);
    // The library's minimum spacing at each rate is 1 µs in these counts.
    for (const auto& [rate, counts] :
         std::vector<std::pair<uint8_t, uint16_t>>{{0, 80}, {1, 40}, {2, 20}, {3, 10}, {4, 160}}) {
        readInto(set, "1 0", rate);
        EXPECT_EQ(set.taAbstand, counts) << int{rate};
    }
}

TEST(TaFile, TableLimitsAndNegativeGains) {
    ParameterSet set;
    std::string many = "0.5";
    for (int i = 0; i < 300; ++i) {
        many += " " + std::to_string(i % 50);
    }
    const TaContent content = readInto(set, many, 0);
    EXPECT_EQ(content.entries.size(), 256u);
    EXPECT_EQ(set.taStuetzstellen, 255);
    EXPECT_EQ(set.taTabelle[255], 50u);  // 255 % 50 = 5 dB

    readInto(set, "1\n-0.25\n", 0);
    EXPECT_EQ(set.taTabelle[0], 65534u);
    EXPECT_EQ(set.taStuetzstellen, 0);
    EXPECT_EQ(set.taTabelle[1], 10u);  // the rest of the table keeps its values

    // Reading stops at the first item that is no number.
    readInto(set, "1 +3 4,5 6", 0);
    EXPECT_EQ(set.taStuetzstellen, 1);
    EXPECT_EQ(set.taTabelle[1], 40u);
}

TEST(TaFile, ASpacingWithoutGainsKeepsTableAndCount) {
    ParameterSet set;
    set.taStuetzstellen = 4;
    set.taTabelle[0] = 77;
    const TaContent content = readInto(set, "2.0\n", 0);
    EXPECT_EQ(content.status, TaContent::Status::Read);
    EXPECT_EQ(set.taAbstand, 160);
    EXPECT_EQ(set.taStuetzstellen, 4);
    EXPECT_EQ(set.taTabelle[0], 77);
}

TEST(TaFile, BadFilesLeaveTheSetUnchanged) {
    for (const auto& [text, failure] : std::vector<std::pair<std::string, std::string>>{
             {"", "Abstand ungültig"},
             {"abc 1 2", "Abstand ungültig"},
             {"-1 1 2", "Abstand ungültig"},
             {"inf 1", "Abstand ungültig"},
             {"820 1 2", "Abstand ungültig"},  // 65600 counts at 80 MHz
             {"1e40 1", "Abstand ungültig"},
             {"1 2 6553.6", "Verstärkung 2 ungültig"},
             {"1 -3276.9", "Verstärkung 1 ungültig"},
             {"1 1e39", "Verstärkung 1 ungültig"}}) {
        ParameterSet set;
        set.taAbstand = 7;
        set.taStuetzstellen = 3;
        set.taTabelle[0] = 11;
        const TaContent content = readInto(set, text, 0);
        EXPECT_EQ(taFailureText(content), failure) << text;
        EXPECT_EQ(set.taAbstand, 7) << text;
        EXPECT_EQ(set.taStuetzstellen, 3) << text;
        EXPECT_EQ(set.taTabelle[0], 11) << text;
    }
    // The largest spacing and gains that fit are taken.
    ParameterSet set;
    readInto(set, "819.1 6553.5 -3276.8", 0);
    EXPECT_EQ(set.taAbstand, 65528);
    EXPECT_EQ(set.taTabelle[0], 65535u);
    EXPECT_EQ(set.taTabelle[1], 32768u);
}

TEST(TaFile, AMissingFileIsReportedAndChangesNothing) {
    ParameterSet set;
    set.taAbstand = 9;
    const TaContent content = loadTaFile("/nonexistent/kurve.ta", set, units::rateTiming(0));
    EXPECT_EQ(taFailureText(content), "Datei nicht gefunden");
    EXPECT_EQ(set.taAbstand, 9);
}

#ifndef _WIN32
// Only a regular file of a .ta file's size is read: a FIFO without a writer is refused at once
// rather than waited on, a device that never ends is not read, and neither is a file far larger
// than any .ta file.
TEST(TaFile, OnlyRegularFilesOfBoundedSizeAreRead) {
    const std::string folder = k7test::makeScratchFolder("tafile");
    const std::string fifo = folder + "/kurve.ta";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string large = folder + "/gross.ta";
    std::ofstream(large) << "1.0 12.5";
    ASSERT_EQ(::truncate(large.c_str(), 17 << 20), 0);  // sparse: nothing written
    for (const std::string& path : {fifo, std::string("/dev/zero"), large}) {
        ParameterSet set;
        set.taAbstand = 9;
        const TaContent content = loadTaFile(path, set, units::rateTiming(0));
        EXPECT_EQ(taFailureText(content), "Datei nicht gefunden") << path;
        EXPECT_EQ(set.taAbstand, 9) << path;
    }
    std::filesystem::remove_all(folder);
}
#endif

// ---- the list window -------------------------------------------------------------------------

std::vector<std::string> openList(ScriptedDesktop& desktop, ParameterSet& set,
                                  std::string* datei = nullptr, std::string* abstand = nullptr) {
    std::vector<std::string> lines;
    desktop.answerModal([&](Dialog& dialog) {
        ScriptedControls& c = *desktop.controlsOf(dialog);
        lines = c.lines("taList");
        if (datei != nullptr) {
            *datei = c.text("dateiEdit");
        }
        if (abstand != nullptr) {
            *abstand = c.text("abstandEdit");
        }
        EXPECT_FALSE(c.isEnabled("saveButton"));
        dialog.onOk();
        return kIdOk;
    });
    TAlist window(desktop, set);
    desktop.runModal(window);
    return lines;
}

TEST(DepthCompensationList, ReadsTheFileAgainAndListsEachSupportPoint) {
    TempDir dir;
    writeText(dir.file("a.ta"), "1.0 12.5 13 13.04");
    ScriptedDesktop desktop;
    ParameterSet set;
    set.samplerate = 0;
    set.taDatei = dir.file("a.ta");
    std::string abstand;
    EXPECT_EQ(openList(desktop, set, nullptr, &abstand),
              (std::vector<std::string>{"  1:  12.5", "  2:  13.0", "  3:  13.0"}));
    EXPECT_EQ(abstand, "1");
    EXPECT_EQ(set.taAbstand, 80);
    EXPECT_TRUE(desktop.fileDialogs().empty());

    writeText(dir.file("a.ta"), "0.5 -0.25");
    EXPECT_EQ(openList(desktop, set), (std::vector<std::string>{"  1: 6553.4"}));
}

TEST(DepthCompensationList, AsksForAFileWhenTheSetHasNone) {
    TempDir dir;
    writeText(dir.file("b.ta"), "2 1 2");
    ScriptedDesktop desktop;
    ParameterSet set;
    set.taStuetzstellen = 0;
    set.taTabelle[0] = 5;
    // Cancelled: nothing is read; the list shows the table as it is.
    EXPECT_EQ(openList(desktop, set), (std::vector<std::string>{"  1:   0.5"}));
    EXPECT_EQ(desktop.fileDialogs().size(), 1u);
    EXPECT_NE(desktop.fileDialogs().front().find("TA-Datei (*.ta)"), std::string::npos);

    desktop.answerFileDialog(dir.file("b.ta"));
    EXPECT_EQ(openList(desktop, set).size(), 2u);
    EXPECT_EQ(set.taDatei, dir.file("b.ta"));

    set.taDatei = dir.file("fehlt.ta");
    std::string datei;
    EXPECT_EQ(openList(desktop, set, &datei).size(), 2u);
    EXPECT_EQ(datei, "Datei nicht gefunden");
}

}  // namespace
