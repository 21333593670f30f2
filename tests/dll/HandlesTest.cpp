// Discovery, open and close, position, version-3 flag, data time-out, and the handle check.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CapturedOutput.h"
#include "KARVO7DLL.h"
#include "RecordingDriver.h"

using namespace k7test;

namespace {

TEST(Scan, StopsAtTheFirstMissingNumber) {
    RecordingDriver driver;
    driver.setDevices({{1, true}, {2, true}, {4, true}});
    ScopedDriver installed(driver);
    EXPECT_EQ(KARVO7Scan(), 2);
}

TEST(Scan, NoCardsOfADriverWithoutDevices) {
    RecordingDriver driver;
    driver.setDevices({});
    ScopedDriver installed(driver);
    EXPECT_EQ(KARVO7Scan(), 0);
}

TEST(Open, TakesTheCardNumberModulo256AndIsExclusive) {
    RecordingDriver driver;
    ScopedDriver installed(driver);
    k7test::CapturedOutput printed;
    EXPECT_EQ(KARVO7Open(0), nullptr);
    KARVO7HANDLE h = KARVO7Open(257);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(KARVO7Open(1), nullptr);
    EXPECT_EQ(K7OsGetLastError(), K7_ERROR_SHARING_VIOLATION);
    EXPECT_EQ(KARVO7Close(h), 1);
    EXPECT_EQ(printed.text(),
              "Das war wohl nix !!\nJa gut OK installiert !!\nDas war wohl nix !!\n"
              "Ja gut OK de-installiert !!\n");
}

TEST(Open, ReadsTheVersion3FlagOnce) {
    RecordingDriver driver;
    driver.setDevices({{1, true}, {2, false}});
    ScopedDriver installed(driver);
    k7test::CapturedOutput printed;
    KARVO7HANDLE v3 = KARVO7Open(1);
    KARVO7HANDLE old = KARVO7Open(2);
    EXPECT_EQ(KARVO7IsVersion3(v3), 1);
    EXPECT_EQ(KARVO7IsVersion3(old), 0);
    const auto before = driver.requests().size();
    KARVO7IsVersion3(v3);
    EXPECT_EQ(driver.requests().size(), before);
    KARVO7Close(v3);
    KARVO7Close(old);
    printed.text();
}

TEST(Close, SendsTheClosingCommandAndReleasesEvenOnFailure) {
    RecordingDriver driver;
    ScopedDriver installed(driver);
    k7test::CapturedOutput printed;
    KARVO7HANDLE h = KARVO7Open(1);
    driver.failRequest(req::kCommand);
    EXPECT_EQ(KARVO7Close(h), 0);
    const auto blocks = driver.commandBlocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].size(), 36u);
    EXPECT_EQ(decodeCommand(blocks[0]), (Command{0x1400, 0, {}}));
    // The device was released: the card opens again.
    KARVO7HANDLE again = KARVO7Open(1);
    ASSERT_NE(again, nullptr);
    driver.failClose(K7_ERROR_GEN_FAILURE);
    EXPECT_EQ(KARVO7Close(again), 0);
    const std::string out = printed.text();
    EXPECT_NE(out.find("Das war wohl nix beim Schließen !!\n"), std::string::npos);
}

TEST(CardPosition, CopiesBusAndSlotOrReportsTheDriverError) {
    RecordingDriver driver;
    driver.setPosition(1, 3, 14);
    ScopedDriver installed(driver);
    k7test::CapturedOutput printed;
    KARVO7HANDLE h = KARVO7Open(1);
    uint32_t bus = 9, slot = 9, error = 9;
    EXPECT_EQ(KARVO7GetCardPosition(h, &bus, &slot, &error), 1);
    EXPECT_EQ(bus, 3u);
    EXPECT_EQ(slot, 14u);
    EXPECT_EQ(error, 0u);
    driver.setErrorWord(0xE0001234u);
    driver.failRequest(req::kCardPosition);
    EXPECT_EQ(KARVO7GetCardPosition(h, &bus, &slot, &error), 0);
    EXPECT_EQ(bus, 0u);
    EXPECT_EQ(slot, 0u);
    EXPECT_EQ(error, 0xE0001234u);
    KARVO7Close(h);
    printed.text();
}

TEST(DataTimeOut, SendsTheSecondsAsOneWord) {
    RecordingDriver driver;
    ScopedDriver installed(driver);
    k7test::CapturedOutput printed;
    KARVO7HANDLE h = KARVO7Open(1);
    driver.clearRecords();
    uint32_t error = 5;
    EXPECT_EQ(KARVO7SetDataTimeOut(h, 10, &error), 1);
    EXPECT_EQ(error, 0u);
    const auto r = driver.requests();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].code, req::kDataTimeOut);
    EXPECT_EQ(r[0].input, words({10}));
    EXPECT_EQ(r[0].outputSize, 0u);
    KARVO7Close(h);
    printed.text();
}

TEST(HandleCheck, NullAndForeignHandlesAreRefusedWithoutTouchingTheDevice) {
    RecordingDriver driver;
    ScopedDriver installed(driver);
    struct Foreign {
        uint64_t words[16] = {};
    } foreign;
    auto* fake = reinterpret_cast<KARVO7HANDLE>(&foreign);
    for (KARVO7HANDLE h : {static_cast<KARVO7HANDLE>(nullptr), fake}) {
        uint32_t error = 77, bus = 0, slot = 0;
        K7OsSetLastError(0);
        EXPECT_EQ(KARVO7GetCardPosition(h, &bus, &slot, &error), 0);
        EXPECT_EQ(error, 0u);
        EXPECT_EQ(K7OsGetLastError(), K7_ERROR_INVALID_HANDLE);
        error = 77;
        EXPECT_EQ(KARVO7SetDataTimeOut(h, 1, &error), 0);
        EXPECT_EQ(error, 0u);
        EXPECT_EQ(KARVO7IsVersion3(h), 0);
        EXPECT_EQ(KARVO7Close(h), 0);
    }
    EXPECT_TRUE(driver.requests().empty());
}

TEST(Install, RefusedWhileADeviceIsOpen) {
    RecordingDriver driver;
    ScopedDriver installed(driver);
    k7test::CapturedOutput printed;
    KARVO7HANDLE h = KARVO7Open(1);
    RecordingDriver other;
    const K7DrvDriver table = other.table();
    EXPECT_EQ(K7DrvInstall(&table), 0);
    EXPECT_EQ(K7OsGetLastError(), K7_ERROR_ACCESS_DENIED);
    KARVO7Close(h);
    printed.text();
}

}  // namespace

namespace {

struct LogLine {
    uint32_t level;
    std::string text;
    bool operator==(const LogLine&) const = default;
};

void keep(void* context, uint32_t level, const char* text) {
    static_cast<std::vector<LogLine>*>(context)->push_back({level, text});
}

// Everything written to file descriptor 1 while `action` runs.
template <typename Action>
std::string standardOutputOf(Action action) {
    std::fflush(stdout);
    std::FILE* file = std::tmpfile();
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(::fileno(file), STDOUT_FILENO);
    action();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    std::rewind(file);
    std::string text;
    char block[256];
    for (size_t n = 0; (n = std::fread(block, 1, sizeof block, file)) > 0;) {
        text.append(block, n);
    }
    std::fclose(file);
    return text;
}

}  // namespace

TEST(Log, InstalledLogTakesTheLinesUpToItsLevelAndTheDefaultIsStandardOutput) {
    RecordingDriver driver;
    ScopedDriver installed(driver);
    std::vector<LogLine> lines;
    const K7OsLog warnings{&lines, keep, K7_LOG_WARNING};
    K7OsSetLog(&warnings);
    const std::string printed = standardOutputOf([&] {
        EXPECT_EQ(KARVO7Open(0), nullptr);
        KARVO7HANDLE h = KARVO7Open(1);
        driver.failClose(K7_ERROR_GEN_FAILURE);
        EXPECT_EQ(KARVO7Close(h), 0);
    });
    EXPECT_EQ(printed, "");
    EXPECT_EQ(lines, (std::vector<LogLine>{{K7_LOG_WARNING, "Das war wohl nix !!"},
                                           {K7_LOG_ERROR, "Das war wohl nix beim Schließen !!"}}));

    lines.clear();
    const K7OsLog none{&lines, keep, K7_LOG_NONE};
    K7OsSetLog(&none);
    driver.failClose(K7_ERROR_SUCCESS);
    EXPECT_EQ(standardOutputOf([] { KARVO7Close(KARVO7Open(1)); }), "");
    EXPECT_TRUE(lines.empty());

    K7OsSetLog(nullptr);
    EXPECT_EQ(standardOutputOf([] { KARVO7Close(KARVO7Open(1)); }),
              "Ja gut OK installiert !!\nJa gut OK de-installiert !!\n");
}
