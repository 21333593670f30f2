// Reset and warm-up, self tests, sensor readings, power, and the faults a card can be given.
#include "SimFixture.h"

using namespace simtest;

namespace {

class Control : public SimTest {};

k7sim::Fault fault(k7sim::Fault::Kind kind) {
    k7sim::Fault f;
    f.kind = kind;
    return f;
}

// The check program's reset protocol: polls 10 ms apart, at most 1000.
int resetPolls(KARVO7HANDLE h, bool& firstAlreadyDone) {
    KARVO7ResetCard(h);
    int polls = 0;
    firstAlreadyDone = KARVO7IsReseted(h) == 1;
    if (firstAlreadyDone) {
        return 0;
    }
    while (KARVO7IsReseted(h) == 0 && polls < 1000) {
        ++polls;
        K7OsSleep(10);
    }
    return polls;
}

TEST_F(Control, ResetFinishesAfterItsTimeAndClearsTheCard) {
    KARVO7HANDLE h = warm();
    uint32_t error = 0;
    ASSERT_EQ(KARVO7SetVIRMA4(h, 1, -11, &error), 1);
    EXPECT_EQ(KARVO7IsReseted(h), 1);  // no reset running
    bool atOnce = true;
    EXPECT_EQ(resetPolls(h, atOnce), 5);  // 50 ms
    EXPECT_FALSE(atOnce);
    EXPECT_EQ(KARVO7WarmUp(h, &error), 1);
    // The identification is gone: set 1 delivers the native layout again.
    ASSERT_TRUE(prepare(h, 1, defaultSet()));
    ASSERT_EQ(KARVO7SetParam(h, 1, &error), 1);
    ASSERT_EQ(KARVO7Start(h, &error), 1);
    Bytes buffer(131072);
    uint32_t count = 131072;
    ASSERT_EQ(KARVO7GetData(h, &count, buffer.data(), &error), 1);
    EXPECT_EQ(count, 3200u);
}

TEST_F(Control, CommandsDuringTheResetFail) {
    KARVO7HANDLE h = warm();
    KARVO7ResetCard(h);
    uint32_t error = 0;
    EXPECT_EQ(KARVO7WarmUp(h, &error), 0);
    EXPECT_EQ(error, k7sim::err::kInReset);
    clock.advance(50);
    EXPECT_EQ(KARVO7WarmUp(h, &error), 1);
}

TEST_F(Control, ResetFaults) {
    KARVO7HANDLE h = warm();
    sim->addFault(1, fault(k7sim::Fault::Kind::ResetAtOnce));
    bool atOnce = false;
    resetPolls(h, atOnce);
    EXPECT_TRUE(atOnce);  // the check program's "Reset Error"
    sim->clearFaults(1);
    sim->addFault(1, fault(k7sim::Fault::Kind::ResetNever));
    EXPECT_EQ(resetPolls(h, atOnce), 1000);
    uint32_t error = 0;
    EXPECT_EQ(KARVO7WarmUp(h, &error), 0);
    EXPECT_EQ(error, k7sim::err::kInReset);
}

TEST_F(Control, PowerDownStopsMeasurementUntilPowerUp) {
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepare(h, 0, defaultSet()));
    uint32_t error = 0;
    ASSERT_EQ(KARVO7Command(h, 0x1400, 0, nullptr, &error), 1);
    EXPECT_EQ(KARVO7Start(h, &error), 0);
    EXPECT_EQ(error, k7sim::err::kPoweredDown);
    ADCValues values{};
    ASSERT_EQ(KARVO7GetADC(h, &values, &error), 1);
    EXPECT_EQ(values.Analog5VPlus, 0.0f);
    ASSERT_EQ(KARVO7Command(h, 0x1800, 0, nullptr, &error), 1);
    EXPECT_EQ(KARVO7Start(h, &error), 1);
}

TEST_F(Control, SensorReadingsArePlausible) {
    KARVO7HANDLE h = warm();
    ADCValues v{};
    uint32_t error = 1;
    ASSERT_EQ(KARVO7GetADC(h, &v, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_NEAR(v.Temperatur, 36.4, 0.5);
    EXPECT_NEAR(v.Analog5VPlus, 5.0, 0.05);
    EXPECT_NEAR(v.Analog5VMinus, 5.0, 0.1);
    EXPECT_NEAR(v.HS, 125.0, 2.0);  // energy 1 after warm-up
    EXPECT_NEAR(v.Digital5VMinus, 5.0, 0.1);
    EXPECT_NEAR(v.ADCReferenz, 2.5, 0.01);
}

uint32_t selfTest(KARVO7HANDLE h, int n, uint32_t& error) {
    const uint32_t word = 1u << n;
    return static_cast<uint32_t>(KARVO7Command(h, 0x4001, 1, &word, &error));
}

TEST_F(Control, AllSelfTestsPassOnAHealthyCard) {
    KARVO7HANDLE h = warm();
    for (int n = 0; n <= 12; ++n) {
        uint32_t error = 1;
        EXPECT_EQ(selfTest(h, n, error), 1u) << "test " << n;
        EXPECT_EQ(error, 0u);
    }
    uint32_t error = 0;
    const uint32_t ramp = 0x80000200u;
    EXPECT_EQ(KARVO7Command(h, 0x4001, 1, &ramp, &error), 1);
    const uint32_t none = 0x6;
    EXPECT_EQ(KARVO7Command(h, 0x4001, 1, &none, &error), 0);
    EXPECT_EQ(error, k7sim::err::kSelfTestWord);
}

// Self test 0 as the check program runs it: empty the FIFO, start, read eight words.
std::vector<uint32_t> selfTest0(KARVO7HANDLE h, bool& emptyAfter) {
    for (int i = 0; i < 64 && (KARVO7ReadRegister(h, 0x3C) & 0x20u) == 0; ++i) {
        KARVO7ReadRegister(h, 0x20);
    }
    uint32_t error = 0;
    EXPECT_EQ(selfTest(h, 0, error), 1u);
    std::vector<uint32_t> words;
    for (int i = 0; i < 8; ++i) {
        words.push_back(KARVO7ReadRegister(h, 0x20));
    }
    emptyAfter = (KARVO7ReadRegister(h, 0x3C) & 0x20u) != 0;
    return words;
}

TEST_F(Control, SelfTest0PutsItsPatternIntoThePciFifo) {
    KARVO7HANDLE h = warm();
    bool empty = false;
    EXPECT_EQ(selfTest0(h, empty),
              (std::vector<uint32_t>{0x55555555u, 0xAAAAAAAAu, 0xFFFFFFFFu, 0u, 0x55555555u,
                                     0xAAAAAAAAu, 0xFFFFFFFFu, 0u}));
    EXPECT_TRUE(empty);
    k7sim::Fault wrong = fault(k7sim::Fault::Kind::SelfTest0Word);
    wrong.index = 3;
    wrong.value = 0x12345678;
    sim->addFault(1, wrong);
    EXPECT_EQ(selfTest0(h, empty)[3], 0x12345678u);
    sim->clearFaults(1);
    sim->addFault(1, fault(k7sim::Fault::Kind::SelfTest0NoEmpty));
    selfTest0(h, empty);
    EXPECT_FALSE(empty);
}

TEST_F(Control, SelfTest7FindsABrokenIdentificationRecord) {
    KARVO7HANDLE h = warm();
    const uint8_t first = KARVO7ReadPCIEEPROMbyte(h, 0xD0);
    ASSERT_EQ(KARVO7WritePCIEEPROMbyte(h, 0xD0, first ^ 0xFF), 1);
    uint32_t error = 0;
    EXPECT_EQ(selfTest(h, 7, error), 0u);
    EXPECT_EQ(error, k7sim::err::kSelfTestFailed | 7u);
}

TEST_F(Control, RequestAndCommandFaultsReportTheirWords) {
    KARVO7HANDLE h = warm();
    k7sim::Fault request;
    request.kind = k7sim::Fault::Kind::Request;
    request.code = 0x8002601Cu;
    request.word = 0xE0001234u;
    request.always = false;
    sim->addFault(1, request);
    uint32_t bus = 9, slot = 9, error = 0;
    EXPECT_EQ(KARVO7GetCardPosition(h, &bus, &slot, &error), 0);
    EXPECT_EQ(error, 0xE0001234u);
    EXPECT_EQ(KARVO7GetCardPosition(h, &bus, &slot, &error), 1);  // once only

    k7sim::Fault command;
    command.kind = k7sim::Fault::Kind::Command;
    command.code = 0x4001;
    command.word = 0xE0004003u;
    command.matchValue = true;
    command.value = 0x8;  // self test 3 only
    sim->addFault(1, command);
    EXPECT_EQ(selfTest(h, 3, error), 0u);
    EXPECT_EQ(error, 0xE0004003u);
    EXPECT_EQ(selfTest(h, 3, error), 0u);  // always
    EXPECT_EQ(selfTest(h, 2, error), 1u);
}

TEST_F(Control, DataThatNeverArrivesEndsAtTheTimeOut) {
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepare(h, 0, defaultSet()));
    sim->addFault(1, fault(k7sim::Fault::Kind::DataNever));
    uint32_t error = 0;
    ASSERT_EQ(KARVO7SetDataTimeOut(h, 1, &error), 1);
    ASSERT_EQ(KARVO7Start(h, &error), 1);
    Bytes buffer(131072);
    uint32_t count = 131072;
    ASSERT_EQ(KARVO7StartGetData(h, &count, buffer.data(), nullptr, &error), 1);
    uint32_t flag = 1;
    ASSERT_EQ(KARVO7IsDataInFIFO(h, &flag, &error), 1);
    EXPECT_EQ(flag, 0u);
    clock.advance(1000);
    sim->service();
    EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(h, &count, &error), -2);
    EXPECT_EQ(error, k7sim::err::kDataTimeOut);
}

}  // namespace
