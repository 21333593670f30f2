// karvo7 stream as a process on a POSIX system: into a pipe that closes, onto a full disk, and
// stopped by a signal.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>

#include "StreamCapture.h"

namespace tooltest {
namespace {

TEST_F(StreamProcessTest, ClosedPipeEndsWithAMessage) {
    ToolProcess process(config, {"stream", "1", "--seconds", "60", kRate, kMargin, "-o", "-"});
    EXPECT_EQ(process.readOut(100000).size(), 100000u);
    process.closeOut();
    const Finished f = process.finish();
    EXPECT_EQ(f.code, 1);
    EXPECT_NE(f.err.find("broken pipe"), std::string::npos) << f.err;
}

TEST_F(StreamProcessTest, FullDiskEndsWithAMessage) {
    const Finished f =
        runTool(config, {"stream", "1", "--count", "5000", kRate, kMargin, "-o", "/dev/full"});
    EXPECT_EQ(f.code, 1);
    EXPECT_NE(f.err.find("/dev/full: no space left on the device (disk full)"), std::string::npos)
        << f.err;
}

// A disk that fills while the capture is written (here: the file-size limit, RLIMIT_FSIZE) keeps
// the whole shots that reached it, as Ctrl-C does, says how many, and exits 1.
TEST_F(StreamProcessTest, AFileThatFillsTheDiskKeepsItsWholeShots) {
    const std::string path = folder.file("capture.k7");
    constexpr std::size_t kLimit = 1000000;  // 311 shots of 3206 bytes and a part one
    ToolProcess process(config, {"stream", "1", "--count", "2000", kRate, kMargin, "-o", path}, 0,
                        kLimit);
    const Finished f = process.finish();
    EXPECT_EQ(f.code, 1) << f.err;
    EXPECT_NE(f.err.find("capture.k7: the file reached the largest size allowed (file too large); "
                         "2000 shots read, " +
                         path + " keeps the first 311 (997130 bytes)"),
              std::string::npos)
        << f.err;
    const std::string kept = readFile(path);
    EXPECT_EQ(kept.size(), 64u + 311u * 3206u);
    std::size_t records = 0;
    EXPECT_TRUE(wholeRecords(kept, records, 1600));
    EXPECT_EQ(records, 311u);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"capture.k7", "cards.conf"}));
    // The capture reads back.
    const Finished decoded = runTool(config, {"decode", path, "--json"});
    EXPECT_EQ(decoded.code, 0) << decoded.err;
    EXPECT_EQ(std::count(decoded.out.begin(), decoded.out.end(), '\n'), 311) << decoded.err;
}

TEST_F(StreamProcessTest, InterruptionStopsTheCardAndEndsOnAWholeShot) {
    for (const int signal : {SIGINT, SIGTERM}) {
        ToolProcess process(config, {"stream", "1", "--seconds", "60", kRate, kMargin, "-o", "-"});
        const std::string first = process.readOut(50000);
        ASSERT_EQ(first.size(), 50000u);
        process.signal(signal);
        Finished f = process.finish();
        EXPECT_EQ(f.code, 1) << f.err;
        EXPECT_NE(f.err.find("karvo7: interrupted: "), std::string::npos) << f.err;
        std::size_t records = 0;
        EXPECT_TRUE(wholeRecords(first + f.out, records, 1600));
        EXPECT_GT(records, 15u);
    }
    // The card was stopped: the next run finds it free and quiet.
    const Finished after =
        runTool(config, {"stream", "1", "--count", "3", kRate, kMargin, "-o", "-"});
    EXPECT_EQ(after.code, 0) << after.err;
}

TEST_F(StreamProcessTest, InterruptedShotLeavesNoOutputFile) {
    // A subcommand that cannot stop half-way ends at once and removes its temporary file; the
    // shots to take here never arrive, so the interruption comes while the read waits.
    const std::string extra = "data_timeout_s = 0\n[Card1]\nfault = data-never\n";
    TempFolder own;
    const std::string conf = simConfig(own, extra);
    ToolProcess process(conf, {"shot", "1", "--set", "1", "-o", own.file("shot.csv")});
    process.signal(SIGINT);
    const Finished f = process.finish();
    // 1 once the program is set up; a signal that comes earlier still ends it as signals do.
    EXPECT_TRUE(f.code == 1 || f.code == 128 + SIGINT) << f.code;
    EXPECT_EQ(own.names(), std::vector<std::string>{"cards.conf"});
}

}  // namespace
}  // namespace tooltest
