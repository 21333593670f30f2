// KARVO7Close from another thread while a read of the card is pending: the read ends as
// aborted, the close waits for the reading call to return, and only then releases the handle.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "CapturedOutput.h"
#include "KARVO7DLL.h"
#include "RecordingDriver.h"

using namespace k7test;

namespace {

// Card 1 open, its next read kept pending by the driver.
class CloseFromAnotherThread : public ::testing::Test {
  protected:
    void SetUp() override {
        h = KARVO7Open(1);
        ASSERT_NE(h, nullptr);
        driver.scriptRead({ReadScript::Mode::Pending, {}, K7_ERROR_SUCCESS});
    }

    RecordingDriver driver;
    ScopedDriver installed{driver};
    CapturedOutput printed;
    KARVO7HANDLE h = nullptr;
};

TEST_F(CloseFromAnotherThread, EndsAPendingSynchronousReadWhichFailsClearly) {
    std::vector<uint8_t> buffer(64, 0xCC);
    uint32_t count = 64, error = 0;
    int result = -1;
    uint32_t readerError = 0;
    std::thread reader([&] {
        result = KARVO7GetData(h, &count, buffer.data(), &error);
        readerError = K7OsGetLastError();
    });
    while (driver.pendingCount() == 0) {
        std::this_thread::yield();  // until the driver holds the read
    }
    driver.clearRecords();
    EXPECT_EQ(KARVO7Close(h), 1);
    reader.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(error, 0xE0000001u);  // the driver's word, asked for after the abort
    EXPECT_EQ(readerError, K7_ERROR_OPERATION_ABORTED);
    EXPECT_EQ(buffer, std::vector<uint8_t>(64, 0xCC));
    // The reader's last-error request came before the closing command: the close waited.
    const auto requests = driver.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].code, req::kLastError);
    EXPECT_EQ(requests[1].code, req::kCommand);
    EXPECT_EQ(driver.pendingCount(), 0u);
}

TEST_F(CloseFromAnotherThread, WakesTheWaiterOfAPendingAsynchronousRead) {
    K7OsEvent* event = K7OsCreateEvent(0, 0);
    std::vector<uint8_t> buffer(64);
    uint32_t count = 64, error = 1;
    ASSERT_EQ(KARVO7StartGetData(h, &count, buffer.data(), event, &error), 1);
    uint32_t woken = K7_WAIT_FAILED;
    std::thread waiter([&] { woken = K7OsWaitForEvent(event, K7_INFINITE); });
    EXPECT_EQ(KARVO7Close(h), 1);
    waiter.join();
    EXPECT_EQ(woken, K7_WAIT_OBJECT_0);
    EXPECT_EQ(driver.pendingCount(), 0u);
    K7OsCloseEvent(event);
}

}  // namespace
