// Start and stop, the emulated single-start mode, blocking and asynchronous reads, results,
// A-scans, gate values, FIFO and card status.
#include <cstring>
#include <functional>
#include <thread>

#include "CardPair.h"

using namespace k7test;
using namespace k7test::cards;

namespace {

const Command kStart{0x0400, 0, {}};

ReadScript deliver(Bytes data) {
    return {ReadScript::Mode::CompleteNow, std::move(data)};
}
ReadScript pending() {
    return {ReadScript::Mode::Pending, {}};
}
ReadScript failing() {
    return {ReadScript::Mode::FailNow, {}, K7_ERROR_GEN_FAILURE};
}

class Acquisition : public CardPair {
  protected:
    void prepare(KARVO7HANDLE h, uint8_t start) {
        MeasureParams p{};
        p.Start = start;
        p.Aufnahmelaenge = 1;
        uint32_t prepared = 0;
        ASSERT_EQ(KARVO7PrepMeasurePointer(h, &p, &prepared), 1);
        driver.clearRecords();
    }
    uint8_t modus(KARVO7HANDLE h) {
        CardStatus status{};
        EXPECT_EQ(KARVO7GetStatus(h, &status), 1);
        return status.Modus;
    }
    // Completes the next transfer the driver keeps, from another thread, once it is pending.
    std::thread completeLater(Bytes data, uint32_t status = K7_ERROR_SUCCESS) {
        return std::thread([this, data, status] {
            while (driver.pendingCount() == 0) {
                std::this_thread::yield();
            }
            driver.completePending(data, status);
        });
    }
    uint8_t buffer[32] = {};
    std::vector<size_t> readsAtCommand;
    uint32_t count = 0;
    uint32_t error = 0;
};

TEST_F(Acquisition, Version3CardsStartAndStopWithCommands) {
    prepare(v3, 2);  // start modes are the card's own here
    EXPECT_EQ(KARVO7Start(v3, &error), 1);
    EXPECT_EQ(KARVO7StartParam(v3, 0x105, &error), 1);
    EXPECT_EQ(KARVO7Stop(v3, &error), 1);
    EXPECT_EQ(KARVO7Stop(v3, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(sent(),
              (std::vector<Command>{kStart, {0x3801, 1, {5}}, {0x0800, 0, {}}, {0x0800, 0, {}}}));
}

TEST_F(Acquisition, OtherCardsStartPlainlyAndCannotStopOutsideTheEmulatedMode) {
    EXPECT_EQ(KARVO7StartParam(other, 5, &error), 1);
    EXPECT_EQ(KARVO7Start(other, &error), 1);
    EXPECT_EQ(sent(), (std::vector<Command>{kStart, kStart}));
    prepare(other, 1);
    error = 0;
    EXPECT_EQ(KARVO7Stop(other, &error), 0);
    EXPECT_EQ(error, 0x80030000u);
    EXPECT_TRUE(driver.requests().empty());
}

TEST_F(Acquisition, EmulatedSingleStartTakesOneShotPerRead) {
    driver.answer(req::kCardStatus, Bytes{0, 0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    // Notes how many reads the driver had seen when each command arrived.
    driver.handle(req::kCommand,
                  [&](const uint8_t*, uint32_t, uint8_t*, uint32_t, uint32_t* returned) {
                      readsAtCommand.push_back(driver.transfers().size());
                      *returned = 0;
                      return K7_ERROR_SUCCESS;
                  });
    for (uint8_t start : {uint8_t{2}, uint8_t{3}}) {
        prepare(other, start);
        // Stopped right after the preparation: no read, no stop.
        count = 16;
        EXPECT_EQ(KARVO7GetData(other, &count, buffer, &error), 0);
        EXPECT_EQ(error, 0x80030000u);
        count = 16;
        EXPECT_EQ(KARVO7StartGetData(other, &count, buffer, nullptr, &error), 0);
        EXPECT_EQ(error, 0x80030000u);
        EXPECT_EQ(KARVO7Stop(other, &error), 0);
        EXPECT_EQ(error, 0x80030000u);
        EXPECT_TRUE(driver.transfers().empty());
        EXPECT_TRUE(sent().empty());
        EXPECT_EQ(modus(other), 2);

        EXPECT_EQ(KARVO7Start(other, &error), 1);
        EXPECT_EQ(KARVO7Start(other, &error), 0);
        EXPECT_EQ(error, 0x80020000u);
        EXPECT_TRUE(sent().empty());

        // Each read sends the start command before the read.
        readsAtCommand.clear();
        count = 16;
        EXPECT_EQ(KARVO7GetData(other, &count, buffer, &error), 1);
        count = 16;
        EXPECT_EQ(KARVO7StartGetData(other, &count, buffer, nullptr, &error), 1);
        EXPECT_EQ(readsAtCommand, (std::vector<size_t>{0, 1}));
        EXPECT_EQ(sent(), (std::vector<Command>{kStart, kStart}));
        EXPECT_EQ(driver.transfers().size(), 2u);

        EXPECT_EQ(KARVO7Stop(other, &error), 1);
        EXPECT_EQ(KARVO7Stop(other, &error), 0);
        EXPECT_EQ(error, 0x80030000u);
        EXPECT_EQ(sent().size(), 2u);
        EXPECT_EQ(KARVO7Start(other, &error), 1);  // started again; a preparation stops it
    }
    // A preparation with another start mode leaves the emulated mode.
    prepare(other, 1);
    EXPECT_EQ(modus(other), 7);
    EXPECT_EQ(KARVO7Start(other, &error), 1);
    EXPECT_EQ(sent(), std::vector<Command>{kStart});
}

TEST_F(Acquisition, BlockingReadReportsTheBytesRead) {
    driver.scriptRead(deliver({1, 2, 3, 4, 5}));
    count = 16;
    error = 7;
    EXPECT_EQ(KARVO7GetData(v3, &count, buffer, &error), 1);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(Bytes(buffer, buffer + 5), (Bytes{1, 2, 3, 4, 5}));
    count = 0;
    EXPECT_EQ(KARVO7GetData(v3, &count, nullptr, &error), 1);
    const auto t = driver.transfers();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].size, 16u);
    EXPECT_FALSE(t[0].write);
    EXPECT_EQ(t[1].size, 0u);  // a read of 0 bytes still goes to the driver

    driver.scriptRead(failing());
    count = 16;
    EXPECT_EQ(KARVO7GetData(v3, &count, buffer, &error), 0);
    EXPECT_EQ(error, kDriverWord);
    EXPECT_EQ(count, 0u);

    driver.scriptRead(pending());
    std::thread completer = completeLater({9, 8, 7});
    count = 16;
    EXPECT_EQ(KARVO7GetData(v3, &count, buffer, &error), 1);
    completer.join();
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(buffer[0], 9);
}

TEST_F(Acquisition, AsynchronousReadSignalsTheCallersEventAndIsPolled) {
    K7OsEvent* done = K7OsCreateEvent(1, 0);
    driver.scriptRead(pending());
    count = 8;
    error = 7;
    EXPECT_EQ(KARVO7StartGetData(v3, &count, buffer, done, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(count, 8u);  // no immediate completion
    count = 99;
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(v3, &count, &error), -3);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(KARVO7IsReadyGetData(v3, &count, &error), 0);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(K7OsWaitForEvent(done, 0), K7_WAIT_TIMEOUT);
    ASSERT_TRUE(driver.completePending({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(K7OsWaitForEvent(done, 0), K7_WAIT_OBJECT_0);
    EXPECT_EQ(KARVO7IsReadyGetData(v3, &count, &error), 1);
    EXPECT_EQ(count, 6u);
    EXPECT_EQ(buffer[5], 6);
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(v3, &count, &error), 0);
    K7OsCloseEvent(done);

    driver.scriptRead(deliver({4, 5, 6}));
    count = 8;
    EXPECT_EQ(KARVO7StartGetData(v3, &count, buffer, nullptr, &error), 1);
    EXPECT_EQ(count, 3u);
    driver.scriptRead(failing());
    EXPECT_EQ(KARVO7StartGetData(v3, &count, buffer, nullptr, &error), 0);
    EXPECT_EQ(error, kDriverWord);
}

TEST_F(Acquisition, CancelledOrFailedReadsReportTheDriversWordOrTheSystemsError) {
    driver.setErrorWord(0xE0000077u);
    driver.scriptRead(pending());
    count = 8;
    EXPECT_EQ(KARVO7StartGetData(v3, &count, buffer, nullptr, &error), 1);
    driver.clearRecords();
    EXPECT_EQ(KARVO7CancelGetData(v3, &error), 1);
    EXPECT_EQ(error, 0xE0000077u);
    EXPECT_EQ(requestCodes(), std::vector<uint32_t>{req::kLastError});
    EXPECT_EQ(driver.pendingCount(), 0u);
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(v3, &count, &error), -2);
    EXPECT_EQ(error, 0xE0000077u);

    // With no word from the driver the readiness query passes the system's error on.
    driver.setErrorWord(0);
    driver.scriptRead(pending());
    EXPECT_EQ(KARVO7StartGetData(v3, &count, buffer, nullptr, &error), 1);
    EXPECT_EQ(KARVO7CancelGetData(v3, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(v3, &count, &error), -2);
    EXPECT_EQ(error, K7_ERROR_OPERATION_ABORTED);
    driver.scriptRead(pending());
    count = 8;
    EXPECT_EQ(KARVO7StartGetData(v3, &count, buffer, nullptr, &error), 1);
    driver.completePending({1, 2}, K7_ERROR_SEM_TIMEOUT);
    EXPECT_EQ(KARVO7IsReadyGetData(v3, &count, &error), 0);
    EXPECT_EQ(error, K7_ERROR_SEM_TIMEOUT);
    EXPECT_EQ(count, 2u);
}

TEST_F(Acquisition, ResultsAndAScansWithoutABufferOnlySendTheCommand) {
    count = 500;
    EXPECT_EQ(KARVO7GetResults(v3, 100, &count, nullptr, &error), 1);
    EXPECT_EQ(count, 0u);
    count = 0;
    EXPECT_EQ(KARVO7GetResults(other, 0xFFFF, &count, buffer, &error), 1);
    count = 500;
    EXPECT_EQ(KARVO7GetASCAN(other, 0x103, &count, nullptr, &error), 1);
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(driver.transfers().empty());
    driver.scriptRead(deliver({1, 2, 3}));
    count = 16;
    EXPECT_EQ(KARVO7GetASCAN(v3, 2, &count, buffer, &error), 1);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(driver.transfers().at(0).size, 16u);
    EXPECT_EQ(sent(),
              (std::vector<Command>{
                  {0x7C01, 1, {100}}, {0x7C01, 1, {0xFFFF}}, {0x2801, 1, {3}}, {0x2801, 1, {2}}}));
}

TEST_F(Acquisition, AFailedResultReadCountsOnlyWhatWasTransferred) {
    driver.scriptRead(failing());
    count = 16;
    EXPECT_EQ(KARVO7GetResults(v3, 0, &count, buffer, &error), 0);
    EXPECT_EQ(error, kDriverWord);
    EXPECT_EQ(count, 16u);  // the read never started
    driver.scriptRead(pending());
    std::thread completer = completeLater({1, 2, 3}, K7_ERROR_SEM_TIMEOUT);
    EXPECT_EQ(KARVO7GetResults(v3, 0, &count, buffer, &error), 0);
    completer.join();
    EXPECT_EQ(error, kDriverWord);
    EXPECT_EQ(count, 3u);
    driver.failNthCommand(0);
    EXPECT_EQ(KARVO7GetASCAN(v3, 0, &count, buffer, &error), 0);
    EXPECT_EQ(driver.transfers().size(), 2u);
}

TEST_F(Acquisition, GateValuesAreDecodedFromSixWords) {
    driver.scriptRead(
        deliver(words({0xFFFFFFFF, 0, 0x00500123, 0xFFC00000, 0x00200000, 0x12345678})));
    GateResults r{};
    error = 7;
    ASSERT_EQ(KARVO7GetGates(v3, &r, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(sent(), (std::vector<Command>{{0x7800, 0, {}}}));
    EXPECT_EQ(driver.transfers().at(0).size, 24u);
    EXPECT_EQ(r.ESDelay, 0xFFFFFu);
    EXPECT_EQ(r.ESMaximum, 4092);
    const uint32_t expected[5][3] = {
        {0, 0, 0}, {0x123, 4, 0x100000}, {0, 4092, 0}, {0, 0, 0}, {0x45678, 288, 0x100000}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(r.Gate[i].Time, expected[i][0]) << i;
        EXPECT_EQ(r.Gate[i].Maximum, expected[i][1]) << i;
        EXPECT_EQ(r.Gate[i].Marke, expected[i][2]) << i;
    }
    driver.scriptRead(
        deliver(words({0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF})));
    ASSERT_EQ(KARVO7GetGates(other, &r, &error), 1);
    EXPECT_EQ(r.Gate[4].Time, 0xFFFFFu);
    EXPECT_EQ(r.Gate[4].Maximum, 4092);
    EXPECT_EQ(r.Gate[4].Marke, 0x100000u);
    uint32_t word = 0;
    driver.scriptRead(deliver(words({0x87654321, 1, 2, 3, 4, 5})));
    EXPECT_EQ(KARVO7GetESGate(v3, &word, &error), 1);
    EXPECT_EQ(word, 0x87654321u);
}

TEST_F(Acquisition, TheGateRecordIsWrittenOnlyOnSuccess) {
    GateResults r;
    std::memset(&r, 0xAB, sizeof r);
    GateResults untouched;
    std::memset(&untouched, 0xAB, sizeof untouched);
    driver.scriptRead(failing());
    EXPECT_EQ(KARVO7GetGates(v3, &r, &error), 0);
    EXPECT_EQ(error, kDriverWord);
    driver.failNthCommand(0);
    EXPECT_EQ(KARVO7GetGates(v3, &r, &error), 0);
    EXPECT_EQ(driver.transfers().size(), 1u);  // no read after a failed command
    uint32_t word = 5;
    driver.scriptRead(failing());
    EXPECT_EQ(KARVO7GetESGate(v3, &word, &error), 0);
    EXPECT_EQ(word, 5u);
    {
        FailingAllocator none;
        driver.clearRecords();
        EXPECT_EQ(KARVO7GetGates(v3, &r, &error), 0);
        EXPECT_EQ(error, 0x90010000u);
        EXPECT_TRUE(driver.requests().empty());
    }
    EXPECT_EQ(std::memcmp(&r, &untouched, sizeof r), 0);
}

TEST_F(Acquisition, FifoAndStatusQueries) {
    EXPECT_EQ(KARVO7ClearFIFO(v3, &error), 1);
    EXPECT_EQ(sent(), (std::vector<Command>{{0x3C00, 0, {}}}));
    uint32_t flag = 7;
    driver.answer(req::kDataInFifo, words({5}));
    EXPECT_EQ(KARVO7IsDataInFIFO(v3, &flag, &error), 1);
    EXPECT_EQ(flag, 1u);
    EXPECT_EQ(driver.requests().back().outputSize, 4u);
    driver.answer(req::kDataInFifo, words({0}));
    EXPECT_EQ(KARVO7IsDataInFIFO(v3, &flag, &error), 1);
    EXPECT_EQ(flag, 0u);
    flag = 7;
    driver.failRequest(req::kDataInFifo);
    EXPECT_EQ(KARVO7IsDataInFIFO(v3, &flag, &error), 0);
    EXPECT_EQ(flag, 0u);
    EXPECT_EQ(error, kDriverWord);

    driver.answer(req::kCardStatus, Bytes{0x11, 0x22, 0x33, 0x44, 0x55, 0x07, 0xEE, 0xEE, 0x88,
                                          0x99, 0xAA, 0xBB, 0, 1, 0, 2});
    CardStatus status{};
    ASSERT_EQ(KARVO7GetStatus(v3, &status), 1);
    EXPECT_EQ(status.Status, 0x44332211u);
    EXPECT_EQ(status.Status4, 0x55);
    EXPECT_EQ(status.Modus, 7);
    EXPECT_EQ(status.Status8, 0xBBAA9988u);
    EXPECT_EQ(driver.requests().back().outputSize, 16u);
    driver.failRequest(req::kCardStatus);
    CardStatus kept{1, 2, 3, 4};
    EXPECT_EQ(KARVO7GetStatus(v3, &kept), 0);
    EXPECT_EQ(kept.Status8, 4u);
    EXPECT_EQ(driver.requests().back().code, req::kLastError);
}

TEST_F(Acquisition, SimpleStatusIsTheLastErrorWordOverTheCallersWord) {
    uint32_t status = 0x1234;
    EXPECT_EQ(KARVO7GetSimpleStatus(v3, &status), 1);
    EXPECT_EQ(status, kDriverWord);
    // A driver that answers without data leaves the caller's word in place.
    driver.handle(req::kLastError,
                  [](const uint8_t*, uint32_t, uint8_t*, uint32_t, uint32_t* returned) {
                      *returned = 0;
                      return K7_ERROR_SUCCESS;
                  });
    status = 0x1234;
    EXPECT_EQ(KARVO7GetSimpleStatus(v3, &status), 1);
    EXPECT_EQ(status, 0x1234u);
    driver.handle(req::kLastError, [](const uint8_t*, uint32_t, uint8_t* out, uint32_t, uint32_t*) {
        out[0] = 0xFF;
        return K7_ERROR_GEN_FAILURE;
    });
    EXPECT_EQ(KARVO7GetSimpleStatus(v3, &status), 0);
    EXPECT_EQ(status, 0x1234u);
}

TEST_F(Acquisition, BadHandlesAreRefusedWithoutTouchingTheCard) {
    ForeignHandle foreign;
    GateResults gates{};
    CardStatus status{};
    uint32_t word = 0;
    const std::vector<std::function<int(KARVO7HANDLE, uint32_t*)>> calls = {
        [](KARVO7HANDLE h, uint32_t* e) { return KARVO7Start(h, e); },
        [](KARVO7HANDLE h, uint32_t* e) { return KARVO7StartParam(h, 1, e); },
        [](KARVO7HANDLE h, uint32_t* e) { return KARVO7Stop(h, e); },
        [&](KARVO7HANDLE h, uint32_t* e) { return KARVO7GetData(h, &count, buffer, e); },
        [&](KARVO7HANDLE h, uint32_t* e) {
            return KARVO7StartGetData(h, &count, buffer, nullptr, e);
        },
        [&](KARVO7HANDLE h, uint32_t* e) { return KARVO7IsReadyGetData(h, &count, e); },
        [&](KARVO7HANDLE h, uint32_t* e) {
            return KARVO7IsReadyGetDataIntReturn(h, &count, e) + 1;
        },
        [](KARVO7HANDLE h, uint32_t* e) { return KARVO7CancelGetData(h, e); },
        [&](KARVO7HANDLE h, uint32_t* e) { return KARVO7GetResults(h, 0, &count, buffer, e); },
        [&](KARVO7HANDLE h, uint32_t* e) { return KARVO7GetASCAN(h, 0, &count, buffer, e); },
        [&](KARVO7HANDLE h, uint32_t* e) { return KARVO7GetGates(h, &gates, e); },
        [&](KARVO7HANDLE h, uint32_t* e) { return KARVO7GetESGate(h, &word, e); },
        [](KARVO7HANDLE h, uint32_t* e) { return KARVO7ClearFIFO(h, e); },
        [&](KARVO7HANDLE h, uint32_t* e) { return KARVO7IsDataInFIFO(h, &word, e); },
        [&](KARVO7HANDLE h, uint32_t* e) {
            *e = 0;
            return KARVO7GetStatus(h, &status) + KARVO7GetSimpleStatus(h, &word);
        },
    };
    for (KARVO7HANDLE h : {static_cast<KARVO7HANDLE>(nullptr), foreign.handle()}) {
        for (const auto& call : calls) {
            count = 4;
            error = 99;
            K7OsSetLastError(0);
            EXPECT_EQ(call(h, &error), 0);
            EXPECT_EQ(error, 0u);
            EXPECT_EQ(K7OsGetLastError(), K7_ERROR_INVALID_HANDLE);
        }
    }
    EXPECT_TRUE(driver.requests().empty());
    EXPECT_TRUE(driver.transfers().empty());
}

TEST_F(Acquisition, WithoutMemoryNoRequestIsMade) {
    prepare(other, 2);
    EXPECT_EQ(KARVO7Start(other, &error), 1);
    FailingAllocator none;
    count = 4;
    EXPECT_EQ(KARVO7GetData(other, &count, buffer, &error), 0);
    EXPECT_EQ(error, 0x90010000u);
    uint32_t flag = 0;
    EXPECT_EQ(KARVO7IsDataInFIFO(v3, &flag, &error), 0);
    EXPECT_EQ(error, 0x90010000u);
    EXPECT_EQ(KARVO7ClearFIFO(v3, &error), 0);
    EXPECT_EQ(error, 0x90010000u);
    CardStatus status{};
    EXPECT_EQ(KARVO7GetStatus(v3, &status), 0);
    EXPECT_TRUE(driver.requests().empty());
    EXPECT_TRUE(driver.transfers().empty());
}

}  // namespace
