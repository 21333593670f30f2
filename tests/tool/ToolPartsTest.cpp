// Parts of karvo7 that decide on their own: numbers as typed, which registers exist and take
// writes, and outputs that appear whole or not at all.
#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

#include "OutputFile.h"
#include "Registers.h"
#include "SetOptions.h"
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

TEST(ToolOutput, FailuresNamedAndNothingLeftBehind) {
    std::string error;
    karvo7::OutputFile full;
    ASSERT_TRUE(full.open("/dev/full", -1, error)) << error;
    EXPECT_FALSE(full.write("x", 1, error));
    EXPECT_EQ(error, "/dev/full: no space left on the device (disk full)");
    karvo7::OutputFile nowhere;
    EXPECT_FALSE(nowhere.open("/nonexistent-folder/out.csv", -1, error));
    EXPECT_NE(error.find("/nonexistent-folder/out.csv: "), std::string::npos);
    EXPECT_EQ(karvo7::writeErrorText(EPIPE), "the reader closed the output (broken pipe)");
}

}  // namespace
}  // namespace tooltest
