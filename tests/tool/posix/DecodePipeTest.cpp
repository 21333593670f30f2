// `karvo7 decode` as a filter between processes: a stream from a simulated card piped straight
// into it, read by the capture's header (a native capture cut into its shots), and its output
// closed early by the reader (`| head`), which ends it quietly.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "TextLines.h"
#include "ToolProcess.h"

namespace tooltest {
namespace {

struct Piped {
    std::string out;
    std::string err;
    std::string codes;  // the exit codes of the pipeline's commands, "0 0"
};

// Runs `pipeline` in bash with $K7 naming the tool, on the simulated cards of `config`.
Piped runPipeline(const TempFolder& folder, const std::string& config,
                  const std::string& pipeline) {
    const std::string errFile = folder.file("err.txt");
    const std::string command = "env -u KARVO7_DRIVER KARVO7_SIM='" + config +
                                "' KARVO7_SIM_STATE=off K7='" KARVO7_TOOL "' bash -c '" + pipeline +
                                "; echo \"${PIPESTATUS[*]}\" >&3' 3>'" + errFile + ".codes' 2>'" +
                                errFile + "'";
    Piped p;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "popen failed";
        return p;
    }
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        p.out.append(buffer, n);
    }
    ::pclose(pipe);
    p.err = readFile(errFile);
    p.codes = readFile(errFile + ".codes");
    if (!p.codes.empty() && p.codes.back() == '\n') {
        p.codes.pop_back();
    }
    return p;
}

using k7test::lines;

class DecodePipeTest : public ::testing::Test {
  protected:
    TempFolder folder;
    std::string config = simConfig(folder);
};

TEST_F(DecodePipeTest, StreamIntoDecodeThroughAPipe) {
    const Piped p =
        runPipeline(folder, config,
                    "$K7 stream 1 --count 30 --samples 64 --shot-rate 2000 -o - | $K7 decode -");
    EXPECT_EQ(p.codes, "0 0") << p.err;
    const auto out = lines(p.out);
    ASSERT_EQ(out.size(), 31u) << p.err;
    EXPECT_EQ(out[0].rfind("item,offset,zeit,type,length,kennung,count,s0,", 0), 0u) << out[0];
    for (std::size_t n = 1; n < out.size(); ++n) {
        // Offsets count from the file's start: the records begin behind the 64-byte header.
        EXPECT_EQ(out[n].rfind(n == 1 ? "record,64,,0x60,134," : "record,", 0), 0u) << out[n];
        EXPECT_NE(out[n].find(",-11,64,"), std::string::npos) << out[n];
    }
}

TEST_F(DecodePipeTest, GateResultsRecordedBetweenTheShots) {
    const Piped p = runPipeline(folder, config,
                                "$K7 stream 1 --count 300 --samples 64 --results --shot-rate 2000 "
                                "-o - | $K7 decode -");
    EXPECT_EQ(p.codes, "0 0") << p.err;
    std::size_t records = 0;
    std::size_t gates = 0;
    for (const std::string& line : lines(p.out)) {
        records += line.rfind("record,", 0) == 0 ? 1 : 0;
        if (line.rfind("gates,", 0) == 0) {
            ++gates;
            EXPECT_NE(line.find(",0x40,56,-11,"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(records, 300u);
    EXPECT_GE(gates, 1u) << p.out.substr(0, 2000);
}

TEST_F(DecodePipeTest, ANativeCaptureIsCutIntoItsShotsByItsHeader) {
    const Piped p = runPipeline(folder, config,
                                "$K7 stream 1 --layout native --count 12 --samples 50 "
                                "--shot-rate 2000 -o - | $K7 decode -");
    EXPECT_EQ(p.codes, "0 0") << p.err;
    const auto out = lines(p.out);
    ASSERT_EQ(out.size(), 13u) << p.err;
    EXPECT_EQ(out[0].rfind("item,offset,shot,count,s0,", 0), 0u) << out[0];
    for (std::size_t n = 1; n < out.size(); ++n) {
        EXPECT_EQ(out[n].rfind("samples," + std::to_string(64 + 100 * (n - 1)) + "," +
                                   std::to_string(n - 1) + ",50,",
                               0),
                  0u)
            << out[n];
    }
}

TEST_F(DecodePipeTest, OutputClosedByItsReaderEndsQuietly) {
    const std::string capture = folder.file("capture.k7");
    const Piped made = runPipeline(
        folder, config,
        "$K7 stream 1 --count 400 --samples 1600 --shot-rate 2000 -o '\"'" + capture + "'\"'");
    ASSERT_EQ(made.codes, "0") << made.err;
    const Piped p =
        runPipeline(folder, config, "$K7 decode '\"'" + capture + "'\"' | head -n 2 >/dev/null");
    EXPECT_EQ(p.codes, "0 0");
    EXPECT_EQ(p.err, "");
}

}  // namespace
}  // namespace tooltest
