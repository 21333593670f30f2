// The tool's output files on a POSIX system: a full disk and a missing folder are named.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <sstream>

#include "OutputFile.h"
#include "Registers.h"
#include "SetOptions.h"
#include "ShotOutput.h"
#include "Tool.h"
#include "ToolProcess.h"

namespace tooltest {
namespace {

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
