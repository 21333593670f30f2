// Parts of karvo7 that decide on their own: numbers as typed, error words with their meanings,
// which registers exist and take writes, outputs that appear whole or not at all, and the CSV of
// shots written in blocks.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <sstream>

#include "KARVO7Acquire.h"
#include "OutputFile.h"
#include "Registers.h"
#include "SetOptions.h"
#include "ShotOutput.h"
#include "Tool.h"
#include "ToolProcess.h"

namespace tooltest {
namespace {

TEST(ToolNumbers, DecimalAndHexadecimalWithinTheirLimit) {
    EXPECT_EQ(karvo7::parseNumber("1030"), 1030u);
    EXPECT_EQ(karvo7::parseNumber("0x406"), 0x406u);
    EXPECT_EQ(karvo7::parseNumber("0XfF", 0xFF), 0xFFu);
    EXPECT_EQ(karvo7::parseNumber("0x100", 0xFF), std::nullopt);
    EXPECT_EQ(karvo7::parseNumber("010"), 10u);  // not octal
    for (const char* bad :
         {"", "0x", "-1", "+1", "12a", " 1", "1 ", "0x-1", "99999999999999999999"}) {
        EXPECT_EQ(karvo7::parseNumber(bad), std::nullopt) << bad;
    }
}

TEST(ToolErrorWords, EveryWordComesWithTheLibrarysMeaning) {
    // A code of the card library, a word of the driver's transfers, one of the engine's, one
    // only the driver knows, and a system error number of opening a card.
    EXPECT_EQ(karvo7::errorWord(0x90110000u), "0x90110000 (Filter above 7)");
    EXPECT_EQ(karvo7::errorWord(0xE7060004u), "0xE7060004 (FIFO overflow)");
    EXPECT_EQ(karvo7::errorWord(K7ACQ_ERROR_CARD_BUSY),
              "0x90240000 (another engine reads the card already)");
    EXPECT_EQ(karvo7::errorWord(0xE7ABCDEFu), "0xE7ABCDEF (error word of the driver)");
    EXPECT_EQ(karvo7::errorWord(32), "0x20 (card already in use)");
}

TEST(ToolRegisters, TheCardsRegistersAndNoOthers) {
    ASSERT_TRUE(karvo7::registerAt(1024));
    EXPECT_TRUE(karvo7::registerAt(1024)->readOnly);
    EXPECT_EQ(karvo7::registerAt(1078)->bits, 16u);
    EXPECT_FALSE(karvo7::registerAt(1078)->readOnly);
    EXPECT_TRUE(karvo7::registerAt(1548)->readOnly);  // the timer
    EXPECT_EQ(karvo7::registerAt(0x3C)->bits, 32u);
    EXPECT_STREQ(karvo7::registerAt(0x20)->name, "FIFO port");
    for (uint32_t outside : {1023u, 1025u, 1080u, 1535u, 1568u, 0x3Du, 0x40u, 512u}) {
        EXPECT_FALSE(karvo7::registerAt(outside)) << outside;
    }
    EXPECT_EQ(karvo7::lcaRegisters(false).size(), 28u);
    EXPECT_EQ(karvo7::lcaRegisters(true).size(), 16u);
    EXPECT_EQ(karvo7::lcaRegisters(true).back().address, 1566u);
}

TEST(ToolSets, ParameterFileSetWithTheCommandLineOverIt) {
    TempFolder folder;
    const std::string ini = folder.file("p.ini");
    writeFile(ini, "[Karte2-Satz3]\nAufnahmelaenge=777\nSamplerate=4\nVerstaerkung=300\nIFF=500\n");
    karvo7::SetOverrides o;
    o.ini = ini;
    o.gainDb = 12.5;
    k7check::ParameterSet set;
    std::ostringstream err;
    ASSERT_TRUE(karvo7::buildSet(o, 2, 3, set, err)) << err.str();
    EXPECT_EQ(set.aufnahmelaenge, 777);
    EXPECT_EQ(set.samplerate, 4);
    EXPECT_EQ(set.iff, 500u);
    EXPECT_EQ(set.verstaerkung, 125);  // the option over the file's 30 dB
    // The same file has no set 1 of card 2.
    EXPECT_FALSE(karvo7::buildSet(o, 2, 1, set, err));
    EXPECT_NE(err.str().find("no section [Karte2-Satz1]"), std::string::npos);

    karvo7::SetOverrides bad;
    bad.gainDb = -1;
    EXPECT_FALSE(karvo7::buildSet(bad, 1, 1, set, err));
    bad = {};
    bad.delay = 0x100000;
    EXPECT_FALSE(karvo7::buildSet(bad, 1, 1, set, err));
    EXPECT_EQ(karvo7::layoutIdentification(karvo7::Layout::Record, 3, 5), -35);
    EXPECT_EQ(karvo7::layoutIdentification(karvo7::Layout::Native, 3, 5), 0);
}

TEST(ToolOutput, FileAppearsOnlyWhenComplete) {
    TempFolder folder;
    const std::string path = folder.file("out.csv");
    writeFile(path, "old");
    std::string error;
    {
        karvo7::OutputFile file;
        ASSERT_TRUE(file.open(path, -1, error)) << error;
        ASSERT_TRUE(file.write("new contents", 12, error)) << error;
        EXPECT_EQ(readFile(path), "old");  // not yet
        // Dropped without commit: the old file stays, the temporary one goes.
    }
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"out.csv"});
    karvo7::OutputFile file;
    ASSERT_TRUE(file.open(path, -1, error));
    ASSERT_TRUE(file.write("new contents", 12, error));
    ASSERT_TRUE(file.commit(error)) << error;
    EXPECT_EQ(readFile(path), "new contents");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"out.csv"});
}

// The CSV of many shots comes out in blocks of rows read back from the temporary file: the
// cells of every block are where a table built in one piece has them, and a shot that is not
// one of the layout (shorter) leaves its column empty.
TEST(ToolShotOutput, CsvRowsInBlocksAreTheTableOfAllShots) {
    // 8-bit native samples: a byte a sample.
    const K7OpsShotLayout layout{0, K7OPS_LAYOUT_NATIVE, 2000, 2000, 2000, 8, 0, 0};
    std::vector<std::vector<uint8_t>> shots;
    for (std::size_t k = 0; k < 600; ++k) {
        std::vector<uint8_t> shot(k == 1 ? 1500 : 2000);
        for (std::size_t i = 0; i < shot.size(); ++i) {
            shot[i] = static_cast<uint8_t>(i * 7 + k);
        }
        shots.push_back(shot);
    }
    std::string csv;
    const auto output =
        karvo7::makeShotOutput(karvo7::ShotFormat::Csv, {1, 0, layout}, [&](std::string_view text) {
            csv += text;
            return true;
        });
    for (const auto& shot : shots) {
        ASSERT_TRUE(output->add(shot)) << output->error();
    }
    ASSERT_TRUE(output->finish()) << output->error();

    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line.substr(line.size() - 16), ",shot600_percent");
    std::size_t rows = 0;
    char cell[32];
    for (; std::getline(lines, line); ++rows) {
        std::vector<std::string> cells;
        std::istringstream fields(line);
        for (std::string f; std::getline(fields, f, ',');) {
            cells.push_back(f);
        }
        if (line.back() == ',') {
            cells.emplace_back();
        }
        ASSERT_EQ(cells.size(), 602u) << rows;
        EXPECT_EQ(cells[1], std::to_string(rows));
        for (const std::size_t k : {std::size_t{0}, std::size_t{1}, std::size_t{599}}) {
            if (k == 1) {
                EXPECT_EQ(cells[2 + k], "") << rows;
                continue;
            }
            const auto sample = static_cast<int16_t>(static_cast<int8_t>(shots[k][rows]));
            std::snprintf(cell, sizeof cell, "%.3f", karvo7::shotPercent(layout, sample));
            EXPECT_EQ(cells[2 + k], cell) << "row " << rows << " shot " << k + 1;
        }
    }
    EXPECT_EQ(rows, 2000u);
}

}  // namespace
}  // namespace tooltest
