// The simulated driver: devices and gaps, exclusive open, exact request shapes with their
// driver error words, transfers that pend, time out and are cancelled.
#include <cstring>

#include "SimFixture.h"

using namespace simtest;

namespace {

constexpr uint32_t kLastError = 0x80026014u;

class Driver : public SimTest {};

TEST_F(Driver, ScanStopsAtTheFirstGapAndOpenIsExclusive) {
    TearDown();
    auto config = testConfig(3);
    config.cards[2].number = 4;  // devices 1, 2 and 4
    start(config);
    EXPECT_EQ(KARVO7Scan(), 2);
    KARVO7HANDLE four = open(4);
    ASSERT_NE(four, nullptr);
    EXPECT_EQ(KARVO7Open(3), nullptr);
    EXPECT_EQ(K7OsGetLastError(), K7_ERROR_FILE_NOT_FOUND);
    KARVO7HANDLE one = open(1);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(KARVO7Open(1), nullptr);
    EXPECT_EQ(K7OsGetLastError(), K7_ERROR_SHARING_VIOLATION);
    close(one);
    EXPECT_NE(open(1), nullptr);  // released by the close
}

TEST_F(Driver, PositionVersionAndTheirConfiguration) {
    TearDown();
    auto config = testConfig(2);
    config.cards[1].bus = 3;
    config.cards[1].slot = 14;
    config.cards[1].version3 = false;
    start(config);
    KARVO7HANDLE a = open(1);
    KARVO7HANDLE b = open(2);
    uint32_t bus = 0, slot = 0, error = 1;
    EXPECT_EQ(KARVO7GetCardPosition(a, &bus, &slot, &error), 1);
    EXPECT_EQ(bus, 1u);
    EXPECT_EQ(slot, 12u);
    EXPECT_EQ(KARVO7GetCardPosition(b, &bus, &slot, &error), 1);
    EXPECT_EQ(bus, 3u);
    EXPECT_EQ(slot, 14u);
    EXPECT_EQ(KARVO7IsVersion3(a), 1);
    EXPECT_EQ(KARVO7IsVersion3(b), 0);
}

// Requests go through the dispatch table directly here: the library never sends wrong shapes.
struct Request {
    uint32_t code, in, out;
};

class Shapes : public SimTest {
  protected:
    uint32_t call(void* device, uint32_t code, uint32_t in, uint32_t out) {
        std::vector<uint8_t> input(in + 1), output(out + 1);
        uint32_t returned = 0;
        const K7DrvDriver t = sim->driver();
        return t.deviceControl(t.context, device, code, input.data(), in, output.data(), out,
                               &returned);
    }
    uint32_t lastError(void* device) {
        uint32_t word = 0, returned = 0;
        const K7DrvDriver t = sim->driver();
        t.deviceControl(t.context, device, kLastError, nullptr, 0, &word, 4, &returned);
        return word;
    }
};

TEST_F(Shapes, EveryRequestTakesExactlyItsSizesAndNamesTheFault) {
    const K7DrvDriver t = sim->driver();
    void* device = nullptr;
    ASSERT_EQ(t.open(t.context, 1, &device), K7_ERROR_SUCCESS);
    const Request requests[] = {
        {0x80026008u, 0, 16}, {0x8002A00Cu, 1, 0},   {0x8002A010u, 36, 0},  {0x80026014u, 0, 4},
        {0x8002601Cu, 0, 8},  {0x8002A020u, 4, 0},   {0x80026024u, 0, 4},   {0x8002602Cu, 0, 4},
        {0x80026030u, 0, 4},  {0x800263C0u, 0, 256}, {0x8002A3C4u, 256, 0}, {0x800263C8u, 8, 8},
        {0x8002A3CCu, 8, 8},  {0x800263D0u, 8, 8},   {0x8002A3D4u, 8, 0},
    };
    for (const auto& r : requests) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(call(device, r.code, r.in + 1, r.out), K7_ERROR_BAD_LENGTH);
        EXPECT_EQ(lastError(device), k7sim::err::kInputSize);
        EXPECT_EQ(call(device, r.code, r.in, r.out + 4), K7_ERROR_BAD_LENGTH);
        EXPECT_EQ(lastError(device), k7sim::err::kOutputSize);
        EXPECT_EQ(lastError(device), 0u);  // the request reads the word and clears it
    }
    // The command request needs a well-formed block; 36 zero bytes are the ADC command.
    EXPECT_EQ(call(device, 0x8002A010u, 36, 0), K7_ERROR_SUCCESS);
    EXPECT_EQ(call(device, 0x80026004u, 0, 4), K7_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(lastError(device), k7sim::err::kUnknownRequest);
    // The configuration area is as large as the status says; the depth table even and small.
    uint8_t status[16] = {};
    uint32_t returned = 0;
    ASSERT_EQ(t.deviceControl(t.context, device, 0x80026008u, nullptr, 0, status, 16, &returned),
              K7_ERROR_SUCCESS);
    const uint32_t area = le16(status + 12);
    EXPECT_EQ(le16(status + 14), 0x84u);
    EXPECT_EQ(call(device, 0x80026006u, 0, area), K7_ERROR_SUCCESS);
    EXPECT_EQ(call(device, 0x80026006u, 0, area - 1), K7_ERROR_BAD_LENGTH);
    EXPECT_EQ(call(device, 0x8002A019u, 3, 0), K7_ERROR_BAD_LENGTH);
    EXPECT_EQ(lastError(device), k7sim::err::kDepthTable);
    EXPECT_EQ(call(device, 0x8002A019u, 514, 0), K7_ERROR_BAD_LENGTH);
    EXPECT_EQ(call(device, 0x8002A019u, 4, 0), K7_ERROR_SUCCESS);
    EXPECT_EQ(t.close(t.context, device), K7_ERROR_SUCCESS);
}

TEST_F(Shapes, CommandBlocksMustAgreeWithTheirCodes) {
    KARVO7HANDLE h = open(1);
    uint32_t error = 0;
    const uint32_t words[2] = {1, 2};
    EXPECT_EQ(KARVO7Command(h, 0x4402, 2, words, &error), 0);  // shot takes one word
    EXPECT_EQ(error, k7sim::err::kCommandWords);
    EXPECT_EQ(KARVO7Command(h, 0x4401, 2, words, &error), 0);  // count byte disagrees
    EXPECT_EQ(error, k7sim::err::kCommandBlock);
    EXPECT_EQ(KARVO7Command(h, 0xFC00, 0, nullptr, &error), 0);
    EXPECT_EQ(error, k7sim::err::kUnknownCommand);
    const uint32_t set9 = 9;
    EXPECT_EQ(KARVO7Command(h, 0x2001, 1, &set9, &error), 0);
    EXPECT_EQ(error, k7sim::err::kNoSuchSet);
    EXPECT_EQ(KARVO7Command(h, 0x1000, 0, nullptr, &error), 1);
    EXPECT_EQ(error, 0u);
}

TEST_F(Driver, AReadOfOneAscanReturnsAtOnceWithItsBytes) {
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepare(h, 0, defaultSet()));
    uint32_t error = 1;
    ASSERT_EQ(KARVO7Start(h, &error), 1);
    std::vector<uint8_t> buffer(131072);
    uint32_t count = 131072;
    EXPECT_EQ(KARVO7GetData(h, &count, buffer.data(), &error), 1);
    EXPECT_EQ(count, 3200u);
    EXPECT_EQ(error, 0u);
}

TEST_F(Driver, APendingReadEndsAtTheDataTimeOutWithTheDriversWord) {
    KARVO7HANDLE h = warm();
    uint32_t error = 1;
    ASSERT_EQ(KARVO7SetDataTimeOut(h, 2, &error), 1);
    std::vector<uint8_t> buffer(4096);
    uint32_t count = 4096;
    ASSERT_EQ(KARVO7StartGetData(h, &count, buffer.data(), nullptr, &error), 1);
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(h, &count, &error), -3);
    clock.advance(1999);
    sim->service();
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(h, &count, &error), -3);
    clock.advance(1);
    sim->service();
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(h, &count, &error), -2);
    EXPECT_EQ(error, k7sim::err::kDataTimeOut);
    EXPECT_EQ(count, 0u);
}

TEST_F(Driver, CancelEndsAPendingReadAsAborted) {
    KARVO7HANDLE h = warm();
    std::vector<uint8_t> buffer(64);
    uint32_t count = 64, error = 1;
    ASSERT_EQ(KARVO7StartGetData(h, &count, buffer.data(), nullptr, &error), 1);
    EXPECT_EQ(KARVO7CancelGetData(h, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(h, &count, &error), -2);
    EXPECT_EQ(error, K7_ERROR_OPERATION_ABORTED);
}

TEST_F(Driver, APendingReadCompletesWhenTheCardMeasures) {
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    ASSERT_TRUE(prepare(h, 0, r));
    K7OsEvent* done = K7OsCreateEvent(1, 0);
    std::vector<uint8_t> buffer(131072);
    uint32_t count = 131072, error = 1;
    ASSERT_EQ(KARVO7StartGetData(h, &count, buffer.data(), done, &error), 1);
    EXPECT_EQ(K7OsWaitForEvent(done, 0), K7_WAIT_TIMEOUT);
    ASSERT_EQ(KARVO7Start(h, &error), 1);  // the shot's data ends the read
    EXPECT_EQ(K7OsWaitForEvent(done, 0), K7_WAIT_OBJECT_0);
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(h, &count, &error), 0);
    EXPECT_EQ(count, 3200u);
    K7OsCloseEvent(done);
}

TEST_F(Driver, TheFirmwareImageArrivesThroughAWrite) {
    KARVO7HANDLE h = open(1);
    std::vector<uint8_t> image(3 * 128, 0x5A);
    uint32_t error = 1;
    EXPECT_EQ(KARVO7LoadProm(h, 3, image.data(), &error), 1);
    EXPECT_EQ(error, 0u);
    CardStatus status{};
    ASSERT_EQ(KARVO7GetStatus(h, &status), 1);
    EXPECT_NE(status.Status & 0x80u, 0u);  // firmware image present
    EXPECT_EQ(KARVO7LoadProm(h, 0, image.data(), &error), 1);
}

}  // namespace
