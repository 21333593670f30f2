// The command line on a POSIX system: a card another process holds until a signal ends it, and
// program files that are devices.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "KARVO7Stream.h"
#include "Tool.h"
#include "ToolProcess.h"

namespace tooltest {
namespace {

class CommandLinePosixTest : public ToolTest {};

TEST_F(CommandLinePosixTest, ListShowsACardInUseUnderItsOwnNumber) {
    const std::string config = simConfig(folder, "", 3);
    ToolProcess holder(config,
                       {"stream", "2", "--seconds", "60", "--shot-rate", "2000", "-o", "-"});
    ASSERT_FALSE(holder.readOut(1).empty()) << "card 2 is streaming";
    const Finished list = runTool(config, {"list"});
    EXPECT_EQ(list.code, 0) << list.err;
    EXPECT_EQ(list.out,
              "card 1: bus 1, slot 12, version 3, type KARVO7F\n"
              "card 2: in use\n"
              "card 3: bus 1, slot 14, version 3, type KARVO7F\n");
    const auto json = nlohmann::json::parse(runTool(config, {"list", "--json"}).out);
    ASSERT_EQ(json.size(), 3u);
    EXPECT_EQ(json[1], (nlohmann::json{{"card", 2}, {"in_use", true}}));
    EXPECT_EQ(json[2]["in_use"], false);
    holder.signal(SIGINT);
    holder.closeOut();
    holder.finish();
}

// A link to a folder that another user planted in a sticky, world-writable folder (/tmp) is not
// followed by -o: the file below it is refused as a planted link to a file is.
TEST_F(CommandLinePosixTest, OutputThroughAPlantedLinkToAFolderIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "links of other users are made by root only";
    }
    const std::string shared = folder.file("ablage");
    ASSERT_EQ(::mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    ASSERT_EQ(::chown(shared.c_str(), 1, 1), 0);
    const std::string privat = folder.file("privat");
    ASSERT_EQ(::mkdir(privat.c_str(), 0700), 0);
    writeFile(privat + "/shots.csv", "alt");
    const std::string planted = shared + "/x";
    ASSERT_EQ(::symlink(privat.c_str(), planted.c_str()), 0);
    ASSERT_EQ(::lchown(planted.c_str(), 2, 2), 0);
    for (const char* name : {"/shots.csv", "/neu.csv"}) {
        const Finished f =
            run({"shot", "1", "--set", "1", "--samples", "20", "-o", planted + name});
        EXPECT_EQ(f.code, 1) << f.err;
        EXPECT_NE(f.err.find(planted + name + ": fremder symbolischer Link"), std::string::npos)
            << f.err;
    }
    EXPECT_EQ(readFile(privat + "/shots.csv"), "alt");
    EXPECT_FALSE(std::ifstream(privat + "/neu.csv").good());
}

TEST_F(CommandLinePosixTest, DspFilesThatAreNoProgramSayWhatIsWrongAndExitTwo) {
    writeFile(folder.file("empty.hex"), "");
    writeFile(folder.file("blank.hex"), "\n\n");
    writeFile(folder.file("binary.hex"), std::string("\x00\x01\xFF\xFE", 4));
    writeFile(folder.file("later.hex"), "1234\nABCD\n12345\n");
    writeFile(folder.file("program.txt"), "1234\n");
    writeFile(folder.file("huge.bin"), std::string(32641, '\x01'));
    struct Case {
        std::string file;
        std::string message;
    };
    const std::vector<Case> cases = {
        {folder.file("missing.hex"), "missing.hex: No such file or directory"},
        {folder.file("empty.hex"), "empty.hex: the file is empty"},
        {folder.file("blank.hex"), "blank.hex: holds no program words"},
        {folder.file("binary.hex"), "binary.hex: line 1 is not a 16-bit word"},
        {folder.file("later.hex"), "later.hex: line 3 is not a 16-bit word"},
        {folder.file("program.txt"), "program.txt: not a DSP program: the name must end in .hex"},
        {folder.file("huge.bin"), "huge.bin: the program is too large"},
        {"/dev/zero", "/dev/zero: not a regular file"},
    };
    for (const Case& c : cases) {
        const Finished f = run({"dsp", "1", c.file});
        EXPECT_EQ(f.code, 2) << c.file << ": " << f.err;
        EXPECT_NE(f.err.find(c.message), std::string::npos) << f.err;
        expectPrefixed(f.err);
    }
}

}  // namespace
}  // namespace tooltest
