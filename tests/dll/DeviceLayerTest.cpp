// The device layer's services as applications use them: events, clock, allocator, and a
// driver completing transfers from another thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "CapturedOutput.h"
#include "KARVO7DLL.h"
#include "RecordingDriver.h"
#include "TestClock.h"

using namespace k7test;

namespace {

TEST(Events, ManualAndAutomaticReset) {
    K7OsEvent* manual = K7OsCreateEvent(1, 0);
    K7OsEvent* automatic = K7OsCreateEvent(0, 1);
    EXPECT_EQ(K7OsWaitForEvent(manual, 0), K7_WAIT_TIMEOUT);
    K7OsSetEvent(manual);
    EXPECT_EQ(K7OsWaitForEvent(manual, 0), K7_WAIT_OBJECT_0);
    EXPECT_EQ(K7OsWaitForEvent(manual, 0), K7_WAIT_OBJECT_0);
    K7OsResetEvent(manual);
    EXPECT_EQ(K7OsWaitForEvent(manual, 0), K7_WAIT_TIMEOUT);
    EXPECT_EQ(K7OsWaitForEvent(automatic, 0), K7_WAIT_OBJECT_0);
    EXPECT_EQ(K7OsWaitForEvent(automatic, 0), K7_WAIT_TIMEOUT);
    EXPECT_EQ(K7OsWaitForEvent(nullptr, 0), K7_WAIT_FAILED);
    EXPECT_EQ(K7OsGetLastError(), K7_ERROR_INVALID_HANDLE);
    K7OsCloseEvent(manual);
    K7OsCloseEvent(automatic);
}

TEST(Events, SignalledFromAnotherThreadWakesTheWaiter) {
    K7OsEvent* event = K7OsCreateEvent(1, 0);
    std::thread signaller([event] { K7OsSetEvent(event); });
    EXPECT_EQ(K7OsWaitForEvent(event, K7_INFINITE), K7_WAIT_OBJECT_0);
    signaller.join();
    K7OsCloseEvent(event);
}

TEST(LastError, IsKeptPerThread) {
    K7OsSetLastError(42);
    uint32_t other = 0;
    std::thread t([&other] {
        K7OsSetLastError(7);
        other = K7OsGetLastError();
    });
    t.join();
    EXPECT_EQ(other, 7u);
#ifdef _WIN32
    // Windows' own last error, which the thread calls themselves set: never the other's.
    EXPECT_NE(K7OsGetLastError(), 7u);
#else
    EXPECT_EQ(K7OsGetLastError(), 42u);
#endif
}

TEST(Clock, ReplaceableAndRestored) {
    VirtualClock clock(1000);
    K7OsSleep(30000);
    EXPECT_EQ(K7OsGetTickCount(), 31000u);
    EXPECT_EQ(clock.sleeps(), std::vector<uint32_t>{30000});
    K7OsSetClock(nullptr);
    K7OsSleep(0);
    EXPECT_EQ(clock.sleeps().size(), 1u);
}

struct CountingAllocator {
    std::atomic<int> live{0};
    bool fail = false;
    static void* allocate(void* self, size_t size) {
        auto* a = static_cast<CountingAllocator*>(self);
        if (a->fail) {
            return nullptr;
        }
        ++a->live;
        return std::malloc(size);
    }
    static void release(void* self, void* block) {
        --static_cast<CountingAllocator*>(self)->live;
        std::free(block);
    }
};

TEST(Allocator, HandlesAndRequestBuffersAreReturnedAndFailuresReported) {
    RecordingDriver driver;
    ScopedDriver installed(driver);
    CountingAllocator allocator;
    const K7OsAllocator table{&allocator, CountingAllocator::allocate, CountingAllocator::release};
    K7OsSetAllocator(&table);
    k7test::CapturedOutput printed;
    KARVO7HANDLE h = KARVO7Open(1);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(allocator.live, 1);  // the handle
    uint32_t error = 0;
    EXPECT_EQ(KARVO7SetDataTimeOut(h, 10, &error), 1);
    EXPECT_EQ(allocator.live, 1);
    allocator.fail = true;
    EXPECT_EQ(KARVO7SetDataTimeOut(h, 10, &error), 0);
    EXPECT_EQ(error, KARVO7_ERR_NO_MEMORY);
    EXPECT_EQ(KARVO7Open(2), nullptr);  // no handle memory: null, nothing printed
    allocator.fail = false;
    EXPECT_EQ(KARVO7Close(h), 1);
    EXPECT_EQ(allocator.live, 0);
    K7OsSetAllocator(nullptr);
    EXPECT_EQ(printed.text(), "Ja gut OK installiert !!\nJa gut OK de-installiert !!\n");
}

}  // namespace
