// Gates, echo-start gate, gate enables, delays, set selection and activity, external clock.
#include <functional>

#include "CardPair.h"

using namespace k7test;
using namespace k7test::cards;

namespace {

using Gates = CardPair;

TEST_F(Gates, AGateIsItsSetSelectionAndOneGateBlock) {
    uint32_t error = 7;
    // Every value keeps its low 16 bits (the gate number its low 8 bits).
    EXPECT_EQ(KARVO7SetGateParam(v3, 0x104, 0x102, 0x12345, 0x5678, 0xF9ABC, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(KARVO7SetGate(other, 4, 100, 200, 300, &error), 1);
    EXPECT_EQ(sent(), (std::vector<Command>{{0x2001, 1, {4}},
                                            {0x7002, 2, {0x23450002, 0x9ABC5678}},
                                            {0x2001, 1, {0}},
                                            {0x7002, 2, {100u << 16 | 4, 300u << 16 | 200}}}));
}

TEST_F(Gates, EchoStartGatePutsTheTimeBeforeTheLevel) {
    uint32_t error = 7;
    EXPECT_EQ(KARVO7SetESGateParam(other, 3, 0x111, 0x222, 1, 1, &error), 1);
    EXPECT_EQ(KARVO7SetESGate(v3, 0x111, 0x222, 1, 0, &error), 1);
    EXPECT_EQ(KARVO7SetESGate(v3, 0x10111, 0x10222, 0, 5, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(sent(), (std::vector<Command>{{0x2001, 1, {3}},
                                            {0x7002, 2, {0x0222FFFF, 0x00030111}},
                                            {0x2001, 1, {0}},
                                            {0x7002, 2, {0x0222FFFF, 0x00010111}},
                                            {0x2001, 1, {0}},
                                            {0x7002, 2, {0x0222FFFF, 0x00020111}}}));
}

TEST_F(Gates, EnablesAreOneBitPerGate) {
    const GateEnables enables{{1, 0, 7, 0, 1}};
    uint32_t error = 7;
    EXPECT_EQ(KARVO7ActiveGateParam(other, 6, &enables, &error), 1);
    EXPECT_EQ(KARVO7ActiveGate(v3, &enables, &error), 1);
    EXPECT_EQ(sent(),
              (std::vector<Command>{
                  {0x2001, 1, {6}}, {0x7401, 1, {0x15}}, {0x2001, 1, {0}}, {0x7401, 1, {0x15}}}));
    EXPECT_EQ(KARVO7ActiveGate(v3, nullptr, &error), 0);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(K7OsGetLastError(), K7_ERROR_INVALID_PARAMETER);
}

GateParams sampleGates() {
    GateParams g{};
    for (uint32_t i = 0; i < 5; ++i) {
        g.Gate[i] = {100 * i + 1, 100 * i + 2, 100 * i + 3};
    }
    g.Enables = {{0, 1, 0, 1, 0}};
    return g;
}

std::vector<Command> sampleGateCommands(uint32_t set) {
    std::vector<Command> expected;
    for (uint32_t i = 0; i < 5; ++i) {
        expected.push_back({0x2001, 1, {set}});
        expected.push_back(
            {0x7002, 2, {(100 * i + 1) << 16 | i, (100 * i + 3) << 16 | (100 * i + 2)}});
    }
    expected.push_back({0x2001, 1, {set}});
    expected.push_back({0x7401, 1, {0x0A}});
    return expected;
}

TEST_F(Gates, AllGatesInOrderThenTheEnablesInEveryForm) {
    const GateParams g = sampleGates();
    uint32_t error = 7;
    EXPECT_EQ(KARVO7PrepGatesParamPointer(v3, 2, &g, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(sent(), sampleGateCommands(2));
    driver.clearRecords();
    EXPECT_EQ(KARVO7PrepGatesPointer(other, &g, &error), 1);
    EXPECT_EQ(sent(), sampleGateCommands(0));
    driver.clearRecords();
    EXPECT_EQ(KARVO7PrepGatesParam(v3, 2, 1, 2, 3, 101, 102, 103, 201, 202, 203, 301, 302, 303, 401,
                                   402, 403, 0, 1, 0, 1, 0, &error),
              1);
    EXPECT_EQ(sent(), sampleGateCommands(2));
    driver.clearRecords();
    EXPECT_EQ(KARVO7PrepGates(v3, 1, 2, 3, 101, 102, 103, 201, 202, 203, 301, 302, 303, 401, 402,
                              403, 0, 1, 0, 1, 0, &error),
              1);
    EXPECT_EQ(sent(), sampleGateCommands(0));
}

TEST_F(Gates, AFailureStopsTheGatesWithTheDriversWord) {
    const GateParams g = sampleGates();
    driver.failNthCommand(5);  // the third gate block
    uint32_t error = 0;
    EXPECT_EQ(KARVO7PrepGatesParamPointer(v3, 1, &g, &error), 0);
    EXPECT_EQ(error, kDriverWord);
    EXPECT_EQ(sent().size(), 6u);
    // A failed selection ends the operation before its command.
    driver.clearRecords();
    driver.failNthCommand(0, K7_ERROR_GEN_FAILURE);
    driver.setErrorWord(0xE0000099u);
    EXPECT_EQ(KARVO7SetESGateParam(v3, 1, 1, 1, 0, 0, &error), 0);
    EXPECT_EQ(error, 0xE0000099u);
    EXPECT_EQ(sent().size(), 1u);
}

using Delays = CardPair;

TEST_F(Delays, TriggerDelaysMarkTheUnitInBit31AndSapDelayHasSixteenBits) {
    uint32_t error = 7;
    EXPECT_EQ(KARVO7SetTriggerDelayParam(other, 1, 0xFFFFFFFF, &error), 1);
    EXPECT_EQ(KARVO7SetTriggerDelay25nsParam(v3, 2, 1000, &error), 1);
    EXPECT_EQ(KARVO7SetTriggerDelay(v3, 1000, &error), 1);
    EXPECT_EQ(KARVO7SetTriggerDelay25ns(v3, 0xFFFFFFFF, &error), 1);
    EXPECT_EQ(KARVO7SetSAPDelayParam(other, 7, 0x12345, &error), 1);
    EXPECT_EQ(KARVO7SetSAPDelay(v3, 50, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(sent(), (std::vector<Command>{{0x2001, 1, {1}},
                                            {0x8001, 1, {0x7FFFFFFF}},
                                            {0x2001, 1, {2}},
                                            {0x8001, 1, {0x800003E8}},
                                            {0x2001, 1, {0}},
                                            {0x8001, 1, {1000}},
                                            {0x2001, 1, {0}},
                                            {0x8001, 1, {0xFFFFFFFF}},
                                            {0x2001, 1, {7}},
                                            {0x2C01, 1, {0x2345}},
                                            {0x2001, 1, {0}},
                                            {0x2C01, 1, {50}}}));
}

TEST_F(Delays, SetsAndExternalClockAreSentWithoutSelection) {
    uint32_t error = 7;
    EXPECT_EQ(KARVO7SetParam(v3, 0x107, &error), 1);
    EXPECT_EQ(KARVO7ActiveParam(v3, 1, 0, 0, 5, 0, 0, 0, 1, &error), 1);
    EXPECT_EQ(KARVO7ActiveParam(other, 0, 0, 0, 0, 0, 0, 0, 0, &error), 1);
    EXPECT_EQ(KARVO7SetExternalClock(v3, 2, &error), 1);
    EXPECT_EQ(KARVO7SetExternalClock(other, 0, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(sent(), (std::vector<Command>{{0x2001, 1, {7}},
                                            {0x2401, 1, {0x89}},
                                            {0x2401, 1, {0}},
                                            {0x3401, 1, {0xFFFFFFFF}},
                                            {0x3401, 1, {0}}}));
}

TEST_F(Delays, BadHandlesAndMissingMemoryTouchNothing) {
    ForeignHandle foreign;
    const GateEnables enables{};
    const GateParams gates{};
    const std::vector<std::function<int(KARVO7HANDLE, uint32_t*)>> calls = {
        [](KARVO7HANDLE h, uint32_t* e) { return KARVO7SetGateParam(h, 0, 0, 1, 2, 3, e); },
        [](KARVO7HANDLE h, uint32_t* e) { return KARVO7SetESGateParam(h, 0, 1, 2, 0, 0, e); },
        [&](KARVO7HANDLE h, uint32_t* e) { return KARVO7ActiveGateParam(h, 0, &enables, e); },
        [&](KARVO7HANDLE h, uint32_t* e) { return KARVO7PrepGatesParamPointer(h, 0, &gates, e); },
        [](KARVO7HANDLE h, uint32_t* e) { return KARVO7SetTriggerDelayParam(h, 0, 1, e); },
        [](KARVO7HANDLE h, uint32_t* e) { return KARVO7SetTriggerDelay25nsParam(h, 0, 1, e); },
        [](KARVO7HANDLE h, uint32_t* e) { return KARVO7SetSAPDelayParam(h, 0, 1, e); },
        [](KARVO7HANDLE h, uint32_t* e) { return KARVO7SetParam(h, 0, e); },
        [](KARVO7HANDLE h, uint32_t* e) { return KARVO7ActiveParam(h, 1, 1, 1, 1, 1, 1, 1, 1, e); },
        [](KARVO7HANDLE h, uint32_t* e) { return KARVO7SetExternalClock(h, 1, e); },
    };
    for (const auto& call : calls) {
        for (KARVO7HANDLE h : {static_cast<KARVO7HANDLE>(nullptr), foreign.handle()}) {
            uint32_t error = 99;
            K7OsSetLastError(0);
            EXPECT_EQ(call(h, &error), 0);
            EXPECT_EQ(error, 0u);
            EXPECT_EQ(K7OsGetLastError(), K7_ERROR_INVALID_HANDLE);
        }
        FailingAllocator none;
        uint32_t error = 0;
        EXPECT_EQ(call(v3, &error), 0);
        EXPECT_EQ(error, 0x90010000u);
    }
    EXPECT_TRUE(driver.requests().empty());
}

}  // namespace
