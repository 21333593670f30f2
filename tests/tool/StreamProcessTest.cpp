// karvo7 stream as a process: into a file, into a pipe that closes, onto a full disk, and
// stopped with Ctrl-C — the card's shots arrive whole or the failure is named.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "StreamCapture.h"

namespace tooltest {
namespace {

TEST_F(StreamProcessTest, CountOfShotsIntoAFileThatAppearsWhole) {
    const std::string output = folder.file("capture.k7");
    const Finished f = runTool(config, {"stream", "1", "--sets", "1,3", "--count", "200",
                                        "--samples", "400", kRate, kMargin, "-o", output});
    ASSERT_EQ(f.code, 0) << f.err;
    EXPECT_EQ(f.out, "");
    EXPECT_NE(f.err.find("200 shots read, 0 shots lost, 0 overflow events; "), std::string::npos)
        << f.err;
    std::size_t records = 0;
    EXPECT_TRUE(wholeRecords(readFile(output), records, 400));
    EXPECT_EQ(records, 200u);
    // Nothing else is left in the folder: the temporary file became the output.
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"capture.k7", "cards.conf"}));
}

TEST_F(StreamProcessTest, ShotsTheCardLostAreCountedInTheSummaryAndTheExitCode) {
    // A FIFO that holds a single shot: the card loses most of its shots however fast the
    // program reads, and the program says how many.
    TempFolder own;
    const std::string conf = simConfig(own, "fifo_bytes = 4000\n");
    const std::string output = own.file("capture.k7");
    const Finished f = runTool(conf, {"stream", "1", "--count", "50", "-o", output});
    EXPECT_EQ(f.code, 1) << f.err;
    unsigned long long read = 0;
    unsigned long long lost = 0;
    unsigned long long events = 0;
    ASSERT_EQ(std::sscanf(f.err.c_str(),
                          "karvo7: %llu shots read, %llu shots lost, %llu overflow events;", &read,
                          &lost, &events),
              3)
        << f.err;
    EXPECT_EQ(read, 50u);
    EXPECT_GT(lost, 0u);
    EXPECT_GT(events, 0u);
    EXPECT_NE(f.err.find(": " + std::to_string(lost) + " shots lost, " + output + " has gaps"),
              std::string::npos)
        << f.err;
    // The shots read are in the file, whole.
    std::size_t records = 0;
    EXPECT_TRUE(wholeRecords(readFile(output), records, 1600));
    EXPECT_EQ(records, 50u);
}

TEST_F(StreamProcessTest, BothSetsTakeTurnsInTheCapture) {
    const Finished f = runTool(config, {"stream", "1", "--sets", "1,3", "--count", "20",
                                        "--samples", "64", kRate, kMargin, "-o", "-"});
    ASSERT_EQ(f.code, 0) << f.err;
    std::vector<int16_t> kennungen;
    std::size_t at = recordsStart(f.out);
    const auto* data = reinterpret_cast<const uint8_t*>(f.out.data());
    while (at < f.out.size()) {
        const auto header = stream::readHeader(stream::Bytes(data + at, f.out.size() - at));
        ASSERT_TRUE(header);
        kennungen.push_back(header->kennung);
        at += (header->prefixed ? stream::kPrefixBytes : 0) + header->length;
    }
    ASSERT_EQ(kennungen.size(), 20u);
    // The check program's identifications: -(10 × card + set).
    EXPECT_EQ(std::count(kennungen.begin(), kennungen.end(), -11), 10);
    EXPECT_EQ(std::count(kennungen.begin(), kennungen.end(), -13), 10);
}

}  // namespace
}  // namespace tooltest
