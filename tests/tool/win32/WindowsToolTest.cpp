// karvo7 as a Windows program: shots on standard output are as many bytes as the same shots
// written to a file (no line end turned into CR LF), and file names with umlauts given on the
// command line are written and read under their own names.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "ToolProcess.h"

namespace tooltest {
namespace {

class WindowsToolTest : public ::testing::Test {
  protected:
    TempFolder folder;
    std::string config = simConfig(folder);
};

TEST_F(WindowsToolTest, StandardOutputCarriesTheCaptureByteForByte) {
    const std::vector<std::string> shot = {"shot", "1", "--set", "1", "-n", "3", "--format", "raw"};
    std::vector<std::string> toFile = shot;
    toFile.insert(toFile.end(), {"-o", folder.file("shots.raw")});
    std::vector<std::string> toOut = shot;
    toOut.insert(toOut.end(), {"-o", "-"});
    const Finished written = runTool(config, toFile);
    ASSERT_EQ(written.code, 0) << written.err;
    const Finished out = runTool(config, toOut);
    ASSERT_EQ(out.code, 0) << out.err;
    const std::string file = readFile(folder.file("shots.raw"));
    // Shots of one set are records of one length: a line end turned into CR LF would add bytes.
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(out.out.size(), file.size());
}

TEST_F(WindowsToolTest, UmlautFileNamesAreWrittenAndReadUnderTheirOwnNames) {
    const std::string name = folder.file("Messung Größe.k7");
    const Finished streamed = runTool(config, {"stream", "1", "--count", "20", "--samples", "64",
                                               "--shot-rate", "2000", "-o", name});
    ASSERT_EQ(streamed.code, 0) << streamed.err;
    const std::filesystem::path wide = std::filesystem::path(folder.path()) / L"Messung Größe.k7";
    EXPECT_TRUE(std::filesystem::is_regular_file(wide));
    const Finished decoded = runTool(config, {"decode", name});
    EXPECT_EQ(decoded.code, 0) << decoded.err;
    EXPECT_NE(decoded.out.find("record"), std::string::npos) << decoded.out.substr(0, 200);
}

}  // namespace
}  // namespace tooltest
