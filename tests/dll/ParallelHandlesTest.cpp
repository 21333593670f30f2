// Calls on different card handles from different threads, with the driver completing reads
// from a thread of its own: the library must be clean under ThreadSanitizer here.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

#include "CapturedOutput.h"
#include "KARVO7DLL.h"
#include "RecordingDriver.h"

using namespace k7test;

namespace {

void exerciseCard(KARVO7HANDLE h, int rounds, std::vector<int>& failures) {
    const uint32_t words[2] = {1, 2};
    std::vector<uint8_t> buffer(64);
    for (int i = 0; i < rounds; ++i) {
        uint32_t error = 0, bus = 0, slot = 0, count = 64;
        failures.push_back(KARVO7Command(h, 0x6002, 2, words, &error) ? 0 : 1);
        failures.push_back(KARVO7SetDataTimeOut(h, 10, &error) ? 0 : 1);
        failures.push_back(KARVO7GetCardPosition(h, &bus, &slot, &error) ? 0 : 1);
        failures.push_back(KARVO7GetData(h, &count, buffer.data(), &error) ? 0 : 1);
    }
}

TEST(ParallelHandles, TwoCardsOnTwoThreads) {
    RecordingDriver driver;
    driver.setDevices({{1, true}, {2, false}});
    ScopedDriver installed(driver);
    k7test::CapturedOutput printed;
    KARVO7HANDLE a = KARVO7Open(1);
    KARVO7HANDLE b = KARVO7Open(2);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    std::vector<int> failuresA, failuresB;
    std::thread ta(exerciseCard, a, 200, std::ref(failuresA));
    std::thread tb(exerciseCard, b, 200, std::ref(failuresB));
    ta.join();
    tb.join();
    EXPECT_EQ(std::count(failuresA.begin(), failuresA.end(), 1), 0);
    EXPECT_EQ(std::count(failuresB.begin(), failuresB.end(), 1), 0);
    EXPECT_EQ(KARVO7Close(a), 1);
    EXPECT_EQ(KARVO7Close(b), 1);
    printed.text();
}

TEST(ParallelHandles, ReadsCompletedByTheDriverFromItsOwnThread) {
    RecordingDriver driver;
    driver.setDevices({{1, true}, {2, true}});
    ScopedDriver installed(driver);
    k7test::CapturedOutput printed;
    KARVO7HANDLE cards[2] = {KARVO7Open(1), KARVO7Open(2)};
    K7OsEvent* events[2] = {K7OsCreateEvent(1, 0), K7OsCreateEvent(1, 0)};
    std::vector<uint8_t> buffers[2] = {std::vector<uint8_t>(16), std::vector<uint8_t>(16)};
    uint32_t counts[2] = {16, 16};
    for (int i = 0; i < 2; ++i) {
        driver.scriptRead({ReadScript::Mode::Pending, {}, 0});
        uint32_t error = 1;
        ASSERT_EQ(KARVO7StartGetData(cards[i], &counts[i], buffers[i].data(), events[i], &error),
                  1);
    }
    std::thread completer([&driver] {
        driver.completePending(Bytes(16, 0xA1));
        driver.completePending(Bytes(8, 0xB2));
    });
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(K7OsWaitForEvent(events[i], K7_INFINITE), K7_WAIT_OBJECT_0);
    }
    completer.join();
    uint32_t count = 0, error = 1;
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(cards[0], &count, &error), 0);
    EXPECT_EQ(count, 16u);
    EXPECT_EQ(buffers[0][15], 0xA1);
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(cards[1], &count, &error), 0);
    EXPECT_EQ(count, 8u);
    EXPECT_EQ(buffers[1][0], 0xB2);
    for (int i = 0; i < 2; ++i) {
        K7OsCloseEvent(events[i]);
        KARVO7Close(cards[i]);
    }
    printed.text();
}

}  // namespace
