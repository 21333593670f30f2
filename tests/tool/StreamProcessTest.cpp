// karvo7 stream as a process: into a file, into a pipe that closes, onto a full disk, and
// stopped with Ctrl-C — the card's shots arrive whole or the failure is named.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>

#include "KARVO7Stream.h"
#include "ToolProcess.h"
#include "stream/DisplayReaders.h"

namespace tooltest {
namespace {

namespace stream = k7check::stream;

// Where the records of a capture start: behind its header, which says they are in the record
// layout. 0 (and a test failure) for a capture without a header.
std::size_t recordsStart(const std::string& bytes) {
    KARVO7StreamCapture capture{};
    capture.struct_size = sizeof capture;
    EXPECT_EQ(KARVO7StreamReadCapture(bytes.data(), bytes.size(), &capture), KARVO7STREAM_OK);
    EXPECT_EQ(capture.layout, KARVO7STREAM_LAYOUT_RECORD);
    return capture.header_size;
}

// The records of a capture in the record layout, walked by their headers; false when the bytes
// do not end with a whole record.
bool wholeRecords(const std::string& bytes, std::size_t& records, std::size_t samples) {
    records = 0;
    std::size_t at = recordsStart(bytes);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    while (at < bytes.size()) {
        const auto header = stream::readHeader(stream::Bytes(data + at, bytes.size() - at));
        if (!header || header->length != stream::kHeaderBytes + 2 * samples) {
            return false;
        }
        at += (header->prefixed ? stream::kPrefixBytes : 0) + header->length;
        if (at > bytes.size()) {
            return false;
        }
        ++records;
    }
    return true;
}

// Streams that are not about lost shots run at 2 kHz, a rate a loaded machine (or one running
// the sanitizers) keeps up with; the card's full rate is the benchmarks' to measure.
constexpr const char* kRate = "--shot-rate";
constexpr const char* kMargin = "2000";

class StreamProcessTest : public ::testing::Test {
  protected:
    TempFolder folder;
    std::string config = simConfig(folder);
};

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
