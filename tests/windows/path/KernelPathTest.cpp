// The card library's conformance on the kernel32 device path: the scan, open and close, the
// requests of the cards, measurement through overlapped reads (waited for, collected, cancelled)
// and the DSP image through an overlapped write, all through Wine's I/O manager.
#include <atomic>
#include <thread>

#include "DevicePath.h"

using namespace devpath;

namespace {

TEST_F(DevicePath, ScanCountsTheDriversCardsWithoutTheDevicesBeyondAGap) {
    EXPECT_EQ(KARVO7Scan(), kCards);
}

TEST_F(DevicePath, EveryCardOpensWithItsPositionAndVersionAndCloses) {
    for (int k = 1; k <= kCards; ++k) {
        KARVO7HANDLE h = open(static_cast<uint32_t>(k));
        ASSERT_NE(h, nullptr) << "card " << k << ", Windows error " << GetLastError();
        EXPECT_EQ(KARVO7IsVersion3(h), 1);
        uint32_t bus = 0, slot = 0, error = 1;
        ASSERT_EQ(KARVO7GetCardPosition(h, &bus, &slot, &error), 1);
        EXPECT_EQ(error, 0u);
        EXPECT_EQ(bus, 1u);
        EXPECT_EQ(slot, 11u + static_cast<uint32_t>(k));
        EXPECT_EQ(close(h), 1);
    }
}

TEST_F(DevicePath, CardNumbersAreTakenModulo256AndZeroIsNoCard) {
    for (uint32_t number : {0u, 256u, 512u, static_cast<uint32_t>(kCards) + 1}) {
        SetLastError(0);
        EXPECT_EQ(open(number), nullptr) << number;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << number;
    }
    KARVO7HANDLE h = open(257);  // card 1
    ASSERT_NE(h, nullptr);
    uint32_t bus = 0, slot = 0, error = 1;
    ASSERT_EQ(KARVO7GetCardPosition(h, &bus, &slot, &error), 1);
    EXPECT_EQ(slot, 12u);
}

TEST_F(DevicePath, ASecondOpenOfAnOpenCardIsRefused) {
    if (underWine()) {
        GTEST_SKIP() << "Wine does not enforce an exclusive device: a second open succeeds there";
    }
    ASSERT_NE(open(1), nullptr);
    EXPECT_EQ(open(1), nullptr);
}

TEST_F(DevicePath, BadHandlesAreRefusedWithoutTouchingACard) {
    KARVO7HANDLE h = open(1);
    ASSERT_NE(h, nullptr);
    uint8_t foreign[256] = {};
    for (KARVO7HANDLE bad :
         {static_cast<KARVO7HANDLE>(nullptr), reinterpret_cast<KARVO7HANDLE>(foreign)}) {
        uint32_t error = 1, bus = 7;
        SetLastError(0);
        EXPECT_EQ(KARVO7GetCardPosition(bad, &bus, nullptr, &error), 0);
        EXPECT_EQ(error, 0u);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_EQ(KARVO7Close(bad), 0);
        EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(bad, nullptr, &error), -1);
    }
    uint32_t error = 1;
    EXPECT_EQ(KARVO7SetDataTimeOut(h, 10, &error), 1);  // the good one still answers
}

TEST_F(DevicePath, IdentificationRegistersAndConfigurationSpaceAnswer) {
    KARVO7HANDLE h = warm();
    EXPECT_EQ(KARVO7ReadRegister(h, 1024), 0x7C31u);
    EXPECT_EQ(KARVO7ReadRegister(h, 1536), 0x7D31u);
    EXPECT_EQ(KARVO7WriteRegister(h, 1060, 0xBEEF), 1);
    EXPECT_EQ(KARVO7ReadRegister(h, 1060), 0xBEEFu);
    EXPECT_EQ(KARVO7WriteRegister(h, 1024, 0x1234), 0);  // read-only
    KonfigRecord record{};                               // through the request with direct output
    uint32_t error = 1;
    ASSERT_EQ(KARVO7GetKonfig(h, &record, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_STREQ(record.Karte, "KARVO7F");
    uint8_t configuration[256] = {};
    ASSERT_EQ(KARVO7ReadConfigData(h, configuration), 1);
    EXPECT_NE(configuration[0] | configuration[1] << 8, 0);  // a vendor
}

TEST_F(DevicePath, ASingleShotIsReadSynchronouslyAndItsGatesMeasured) {
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepareDefaultSet(h));
    uint32_t error = 1;
    ASSERT_EQ(KARVO7Start(h, &error), 1);
    Bytes data(131072);
    uint32_t count = static_cast<uint32_t>(data.size());
    ASSERT_EQ(KARVO7GetData(h, &count, data.data(), &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(count, kShotBytes);
    GateResults gates{};
    ASSERT_EQ(KARVO7GetGates(h, &gates, &error), 1);
    EXPECT_NE(gates.Gate[1].Time, 0u);  // the first back-wall echo
    EXPECT_EQ(gates.Gate[0].Time, 0u);  // B0 disabled
}

TEST_F(DevicePath, AnAsynchronousReadSignalsTheCallersWindowsEvent) {
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepareDefaultSet(h));
    K7OsEvent* event = K7OsCreateEvent(1, 0);
    ASSERT_NE(event, nullptr);
    uint32_t error = 1;
    ASSERT_EQ(KARVO7Start(h, &error), 1);
    Bytes data(131072);
    uint32_t count = static_cast<uint32_t>(data.size());
    ASSERT_EQ(KARVO7StartGetData(h, &count, data.data(), event, &error), 1);
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(event), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(KARVO7IsReadyGetData(h, &count, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(count, kShotBytes);
    K7OsCloseEvent(event);
}

TEST_F(DevicePath, APendingReadIsCancelledAndReportedAborted) {
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepareDefaultSet(h));  // not started: no data comes
    K7OsEvent* event = K7OsCreateEvent(0, 0);
    Bytes data(4096, 0xCC);
    uint32_t count = static_cast<uint32_t>(data.size()), error = 1;
    ASSERT_EQ(KARVO7StartGetData(h, &count, data.data(), event, &error), 1);
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(h, &count, &error), -3);  // running
    EXPECT_EQ(KARVO7CancelGetData(h, &error), 1);
    // The automatically resetting event still carries the end of the read.
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(event), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(h, &count, &error), -2);
    EXPECT_EQ(error, static_cast<uint32_t>(ERROR_OPERATION_ABORTED));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(data, Bytes(4096, 0xCC));
    K7OsCloseEvent(event);
    // The card reads again afterwards.
    ASSERT_EQ(KARVO7Start(h, &error), 1);
    count = static_cast<uint32_t>(data.size());
    EXPECT_EQ(KARVO7GetData(h, &count, data.data(), &error), 1);
    EXPECT_EQ(count, kShotBytes);
}

TEST_F(DevicePath, TheDspImageGoesThroughTheOverlappedWrite) {
    KARVO7HANDLE h = warm();
    Bytes image(3 * 128);
    for (size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    uint32_t error = 1;
    EXPECT_EQ(KARVO7LoadProm(h, 3, image.data(), &error), 1);
    EXPECT_EQ(error, 0u);
    CardStatus status{};
    ASSERT_EQ(KARVO7GetStatus(h, &status), 1);
    EXPECT_NE(status.Status & 0x80u, 0u);  // firmware image present
}

// The closing thread's cancel ends the reading thread's read, whether the read was already
// with the driver or came just after; the close waits for the reading call to return.
TEST_F(DevicePath, ASynchronousReadEndsWhenAnotherThreadClosesTheCard) {
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepareDefaultSet(h));  // not started: the read waits for data
    HANDLE reading = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Bytes data(4096, 0xCC);
    uint32_t count = static_cast<uint32_t>(data.size()), error = 0;
    int result = -1;
    DWORD readerError = 0;
    std::thread reader([&] {
        SetEvent(reading);
        result = KARVO7GetData(h, &count, data.data(), &error);
        readerError = GetLastError();
    });
    ASSERT_EQ(WaitForSingleObject(reading, 30000), WAIT_OBJECT_0);
    // The call clears the count once it is inside; a close before that would release the
    // handle under it.
    while (std::atomic_ref<uint32_t>(count).load() != 0) {
        std::this_thread::yield();
    }
    EXPECT_EQ(close(h), 1);
    reader.join();
    CloseHandle(reading);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readerError, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    EXPECT_EQ(data, Bytes(4096, 0xCC));
    // The card is free again.
    KARVO7HANDLE again = open(1);
    EXPECT_NE(again, nullptr);
}

}  // namespace
