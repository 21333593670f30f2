// The karvo7 program on a POSIX system: a FIFO named as parameter file, and shots within a
// bounded address space.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "ToolProcess.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define K7_SANITIZED 1
#endif
#endif
#ifndef K7_SANITIZED
#define K7_SANITIZED 0
#endif

namespace tooltest {
namespace {

class ToolProcessPosixTest : public ToolTest {};

TEST_F(ToolProcessPosixTest, ParameterFilesThatAreNone) {
    writeFile(folder.file("empty.ini"), "");
    writeFile(folder.file("binary.ini"), std::string("[Karte1-Satz1]\n\0\x01", 17));
    writeFile(folder.file("other.ini"), "[Karte2-Satz1]\nAufnahmelaenge=100\n");
    struct Case {
        std::string file;
        std::string message;
    };
    const std::vector<Case> cases = {
        {folder.file("missing.ini"), "File does not exist"},
        {folder.file("empty.ini"), "the parameter file is empty"},
        {folder.file("binary.ini"), "binary data"},
        {folder.file("other.ini"), "no section [Karte1-Satz1]"},
        {folder.file("fifo.ini"), folder.file("fifo.ini") + ": not a regular file"},
    };
    ASSERT_EQ(::mkfifo(folder.file("fifo.ini").c_str(), 0600), 0);
    for (const Case& c : cases) {
        const Finished f = run({"shot", "1", "--set", "1", "--ini", c.file});
        EXPECT_EQ(f.code, 2) << c.file << ": " << f.err;
        EXPECT_NE(f.err.find(c.message), std::string::npos) << f.err;
        EXPECT_EQ(f.out, "");
    }
}

TEST_F(ToolProcessPosixTest, ShotsTakeBoundedMemoryWhateverTheirNumber) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || K7_SANITIZED
    GTEST_SKIP() << "a sanitizer's shadow memory does not fit an address-space limit";
#else
    constexpr std::size_t kLimit = 320u << 20;
    for (const char* name : {"s.csv", "s.json", "s.raw"}) {
        ToolProcess shots(simConfig(folder),
                          {"shot", "1", "--set", "1", "-n", "4000", "--samples", "20", "--layout",
                           "native", "-o", folder.file(name)},
                          kLimit);
        const Finished f = shots.finish();
        ASSERT_EQ(f.code, 0) << name << ": " << f.err;
    }
    const std::string csv = readFile(folder.file("s.csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 21);
    EXPECT_NE(csv.find(",shot4000_percent\n"), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(readFile(folder.file("s.json")))["shots"].size(), 4000u);
    EXPECT_EQ(readFile(folder.file("s.raw")).size(), 4000u * 40u);
#endif
}

}  // namespace
}  // namespace tooltest
