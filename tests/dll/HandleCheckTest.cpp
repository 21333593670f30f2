// Every exported function that takes a card handle refuses a null and a foreign one the same
// way: result 0 (-1 for the readiness query's integer form), error word 0, the thread's last
// error ERROR_INVALID_HANDLE, and nothing reaches the driver. Also the pointer arguments a
// function cannot do without: refused before the device is touched.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CapturedOutput.h"
#include "KARVO7DLL.h"
#include "RecordingDriver.h"

namespace {

using namespace k7test;

struct Call {
    std::string name;
    std::function<int64_t(KARVO7HANDLE, uint32_t*)> call;
    int64_t refused = 0;  // the result for an invalid handle
};

// The 77 functions that take a handle (KARVO7Scan and KARVO7Open take none), each with
// arguments that would make it reach the driver.
std::vector<Call> everyHandleFunction() {
    static uint8_t buffer[512];
    static uint8_t configuration[256];
    static uint32_t count;
    static uint32_t word;
    static uint16_t table[256];
    static MeasureParams measure;
    static SpecialParams special;
    static GateParams gates;
    static GateEnables enables;
    static GateResults results;
    static CardStatus status;
    static KonfigRecord record;
    static ADCValues adc;
    static const uint32_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    measure = MeasureParams{};
    measure.Aufnahmelaenge = 100;
    measure.TATabelle = table;
    measure.TAAbstand = 200;
    count = sizeof buffer;
    using H = KARVO7HANDLE;
    using E = uint32_t*;
    return {
        {"Close", [](H h, E) { return KARVO7Close(h); }},
        {"GetCardPosition",
         [](H h, E e) {
             uint32_t bus = 0, slot = 0;
             return KARVO7GetCardPosition(h, &bus, &slot, e);
         }},
        {"IsVersion3", [](H h, E) { return KARVO7IsVersion3(h); }},
        {"SetDataTimeOut", [](H h, E e) { return KARVO7SetDataTimeOut(h, 10, e); }},
        {"ResetCard", [](H h, E) { return KARVO7ResetCard(h); }},
        {"IsReseted", [](H h, E) { return KARVO7IsReseted(h); }},
        {"WarmUp", [](H h, E e) { return KARVO7WarmUp(h, e); }},
        {"LoadProm", [](H h, E e) { return KARVO7LoadProm(h, 2, buffer, e); }},
        {"Command", [](H h, E e) { return KARVO7Command(h, 0x6002, 2, data, e); }},
        {"SetMode", [](H h, E e) { return KARVO7SetMode(h, 1, e); }},
        {"SetVIRMA4", [](H h, E e) { return KARVO7SetVIRMA4(h, 1, -11, e); }},
        {"ReadRegister", [](H h, E) { return KARVO7ReadRegister(h, 1026); }},
        {"WriteRegister", [](H h, E) { return KARVO7WriteRegister(h, 1026, 5); }},
        {"ReadConfigData", [](H h, E) { return KARVO7ReadConfigData(h, configuration); }},
        {"WriteConfigData", [](H h, E) { return KARVO7WriteConfigData(h, configuration); }},
        {"ReadPCIEEPROMbyte", [](H h, E) { return KARVO7ReadPCIEEPROMbyte(h, 0x40); }},
        {"ReadPCIEEPROMword", [](H h, E) { return KARVO7ReadPCIEEPROMword(h, 0x40); }},
        {"ReadPCIEEPROMdword", [](H h, E) { return KARVO7ReadPCIEEPROMdword(h, 0x40); }},
        {"ReadPCIEEPROM", [](H h, E) { return KARVO7ReadPCIEEPROM(h, 0x40); }},
        {"WritePCIEEPROMbyte", [](H h, E) { return KARVO7WritePCIEEPROMbyte(h, 0x7D, 1); }},
        {"WritePCIEEPROMword", [](H h, E) { return KARVO7WritePCIEEPROMword(h, 0x40, 1); }},
        {"WritePCIEEPROMdword", [](H h, E) { return KARVO7WritePCIEEPROMdword(h, 0x50, 1); }},
        {"WritePCIEEPROM", [](H h, E) { return KARVO7WritePCIEEPROM(h, 0x40, 1); }},
        {"PrepMeasure",
         [](H h, E e) {
             return KARVO7PrepMeasure(h, 0, 1, table, 0, 0, 100u << 16, 0, 0, 0, 0, 0, 200u << 16,
                                      e);
         }},
        {"PrepMeasureParam",
         [](H h, E e) {
             return KARVO7PrepMeasureParam(h, 1, 0, 1, table, 0, 0, 100u << 16, 0, 0, 0, 0, 0,
                                           200u << 16, e);
         }},
        {"PrepMeasurePointer", [](H h, E e) { return KARVO7PrepMeasurePointer(h, &measure, e); }},
        {"PrepMeasureParamPointer",
         [](H h, E e) { return KARVO7PrepMeasureParamPointer(h, 1, &measure, e); }},
        {"PrepMeasureSSTPointer",
         [](H h, E e) { return KARVO7PrepMeasureSSTPointer(h, &measure, table, e); }},
        {"PrepMeasureSSTParamPointer",
         [](H h, E e) { return KARVO7PrepMeasureSSTParamPointer(h, 1, &measure, table, e); }},
        {"PrepSpecial", [](H h, E e) { return KARVO7PrepSpecial(h, 0, 0x100, 0, 0, e); }},
        {"PrepSpecialParam",
         [](H h, E e) { return KARVO7PrepSpecialParam(h, 1, 0, 0x100, 0, 0, e); }},
        {"PrepSpecialPointer", [](H h, E e) { return KARVO7PrepSpecialPointer(h, &special, e); }},
        {"PrepSpecialParamPointer",
         [](H h, E e) { return KARVO7PrepSpecialParamPointer(h, 1, &special, e); }},
        {"SetGain", [](H h, E e) { return KARVO7SetGain(h, 200, e); }},
        {"SetGainParam", [](H h, E e) { return KARVO7SetGainParam(h, 1, 200, e); }},
        {"PrepGates",
         [](H h, E e) {
             return KARVO7PrepGates(h, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 1, 1, 1, 1,
                                    e);
         }},
        {"PrepGatesParam",
         [](H h, E e) {
             return KARVO7PrepGatesParam(h, 1, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 1, 1,
                                         1, 1, e);
         }},
        {"PrepGatesPointer", [](H h, E e) { return KARVO7PrepGatesPointer(h, &gates, e); }},
        {"PrepGatesParamPointer",
         [](H h, E e) { return KARVO7PrepGatesParamPointer(h, 1, &gates, e); }},
        {"SetGate", [](H h, E e) { return KARVO7SetGate(h, 1, 10, 20, 30, e); }},
        {"SetGateParam", [](H h, E e) { return KARVO7SetGateParam(h, 1, 1, 10, 20, 30, e); }},
        {"SetESGate", [](H h, E e) { return KARVO7SetESGate(h, 40, 50, 1, 0, e); }},
        {"SetESGateParam", [](H h, E e) { return KARVO7SetESGateParam(h, 1, 40, 50, 1, 0, e); }},
        {"ActiveGate", [](H h, E e) { return KARVO7ActiveGate(h, &enables, e); }},
        {"ActiveGateParam", [](H h, E e) { return KARVO7ActiveGateParam(h, 1, &enables, e); }},
        {"PrepAll", [](H h, E e) { return KARVO7PrepAll(h, measure, special, 200, e); }},
        {"PrepAllParam",
         [](H h, E e) { return KARVO7PrepAllParam(h, 1, measure, special, 200, e); }},
        {"PrepAllGates",
         [](H h, E e) { return KARVO7PrepAllGates(h, measure, special, 200, gates, e); }},
        {"PrepAllGatesParam",
         [](H h, E e) { return KARVO7PrepAllGatesParam(h, 1, measure, special, 200, gates, e); }},
        {"SetTriggerDelay", [](H h, E e) { return KARVO7SetTriggerDelay(h, 5, e); }},
        {"SetTriggerDelayParam", [](H h, E e) { return KARVO7SetTriggerDelayParam(h, 1, 5, e); }},
        {"SetTriggerDelay25ns", [](H h, E e) { return KARVO7SetTriggerDelay25ns(h, 5, e); }},
        {"SetTriggerDelay25nsParam",
         [](H h, E e) { return KARVO7SetTriggerDelay25nsParam(h, 1, 5, e); }},
        {"SetSAPDelay", [](H h, E e) { return KARVO7SetSAPDelay(h, 5, e); }},
        {"SetSAPDelayParam", [](H h, E e) { return KARVO7SetSAPDelayParam(h, 1, 5, e); }},
        {"SetParam", [](H h, E e) { return KARVO7SetParam(h, 1, e); }},
        {"ActiveParam", [](H h, E e) { return KARVO7ActiveParam(h, 1, 1, 0, 0, 0, 0, 0, 0, e); }},
        {"SetExternalClock", [](H h, E e) { return KARVO7SetExternalClock(h, 1, e); }},
        {"Start", [](H h, E e) { return KARVO7Start(h, e); }},
        {"StartParam", [](H h, E e) { return KARVO7StartParam(h, 1, e); }},
        {"Stop", [](H h, E e) { return KARVO7Stop(h, e); }},
        {"GetData", [](H h, E e) { return KARVO7GetData(h, &count, buffer, e); }},
        {"StartGetData",
         [](H h, E e) { return KARVO7StartGetData(h, &count, buffer, nullptr, e); }},
        {"IsReadyGetData", [](H h, E e) { return KARVO7IsReadyGetData(h, &count, e); }},
        {"IsReadyGetDataIntReturn",
         [](H h, E e) { return KARVO7IsReadyGetDataIntReturn(h, &count, e); }, -1},
        {"CancelGetData", [](H h, E e) { return KARVO7CancelGetData(h, e); }},
        {"GetResults", [](H h, E e) { return KARVO7GetResults(h, 0, &count, buffer, e); }},
        {"GetASCAN", [](H h, E e) { return KARVO7GetASCAN(h, 0, &count, buffer, e); }},
        {"GetGates", [](H h, E e) { return KARVO7GetGates(h, &results, e); }},
        {"GetESGate", [](H h, E e) { return KARVO7GetESGate(h, &word, e); }},
        {"ClearFIFO", [](H h, E e) { return KARVO7ClearFIFO(h, e); }},
        {"IsDataInFIFO", [](H h, E e) { return KARVO7IsDataInFIFO(h, &word, e); }},
        {"GetStatus", [](H h, E) { return KARVO7GetStatus(h, &status); }},
        {"GetSimpleStatus", [](H h, E) { return KARVO7GetSimpleStatus(h, &word); }},
        {"GetKonfig", [](H h, E e) { return KARVO7GetKonfig(h, &record, e); }},
        {"PutKonfig", [](H h, E e) { return KARVO7PutKonfig(h, &record, e); }},
        {"GetADC", [](H h, E e) { return KARVO7GetADC(h, &adc, e); }},
    };
}

// Functions whose last parameter is an error word (the others get one that must stay as is).
bool takesErrorWord(const std::string& name) {
    static const std::vector<std::string> without = {"Close",
                                                     "IsVersion3",
                                                     "ResetCard",
                                                     "IsReseted",
                                                     "ReadRegister",
                                                     "WriteRegister",
                                                     "ReadConfigData",
                                                     "WriteConfigData",
                                                     "ReadPCIEEPROMbyte",
                                                     "ReadPCIEEPROMword",
                                                     "ReadPCIEEPROMdword",
                                                     "ReadPCIEEPROM",
                                                     "WritePCIEEPROMbyte",
                                                     "WritePCIEEPROMword",
                                                     "WritePCIEEPROMdword",
                                                     "WritePCIEEPROM",
                                                     "GetStatus",
                                                     "GetSimpleStatus"};
    for (const auto& n : without) {
        if (n == name) {
            return false;
        }
    }
    return true;
}

TEST(HandleCheck, EveryFunctionRefusesNullAndForeignHandlesAndSendsNothing) {
    RecordingDriver driver;
    ScopedDriver installed(driver);
    // Memory of a handle's size that never carried the signature.
    uint64_t foreign[16] = {};
    const auto calls = everyHandleFunction();
    ASSERT_EQ(calls.size(), 77u);
    for (KARVO7HANDLE h :
         {static_cast<KARVO7HANDLE>(nullptr), reinterpret_cast<KARVO7HANDLE>(foreign)}) {
        for (const Call& c : calls) {
            SCOPED_TRACE(std::string(h == nullptr ? "null handle: " : "foreign handle: ") + c.name);
            uint32_t error = 0x77777777u;
            K7OsSetLastError(0);
            EXPECT_EQ(c.call(h, takesErrorWord(c.name) ? &error : nullptr), c.refused);
            EXPECT_EQ(error, takesErrorWord(c.name) ? 0u : 0x77777777u);
            EXPECT_EQ(K7OsGetLastError(), K7_ERROR_INVALID_HANDLE);
            // Null error words are allowed everywhere.
            EXPECT_EQ(c.call(h, nullptr), c.refused);
        }
    }
    EXPECT_TRUE(driver.requests().empty());
    EXPECT_TRUE(driver.transfers().empty());
    for (const uint64_t w : foreign) {
        EXPECT_EQ(w, 0u);  // nothing written into the foreign record
    }
}

// Pointer arguments the call reads or writes: a null one fails the call with error word 0 and
// ERROR_INVALID_PARAMETER before the device is touched (for the records of the configuration
// record, the sensor readings, the PCI configuration, a firmware image and command words,
// which were dereferenced unchecked before).
TEST(HandleCheck, MissingRecordsAndBuffersAreRefusedUnsent) {
    RecordingDriver driver;
    ScopedDriver installed(driver);
    k7test::CapturedOutput printed;
    KARVO7HANDLE card = KARVO7Open(1);
    printed.text();
    ASSERT_NE(card, nullptr);
    driver.clearRecords();
    const std::vector<std::function<int(uint32_t*)>> calls = {
        [&](uint32_t* e) { return KARVO7GetKonfig(card, nullptr, e); },
        [&](uint32_t* e) { return KARVO7PutKonfig(card, nullptr, e); },
        [&](uint32_t* e) { return KARVO7GetADC(card, nullptr, e); },
        [&](uint32_t* e) { return KARVO7LoadProm(card, 1, nullptr, e); },
        [&](uint32_t* e) { return KARVO7Command(card, 0x4401, 1, nullptr, e); },
        [&](uint32_t* e) {
            *e = 0;
            return KARVO7ReadConfigData(card, nullptr) + KARVO7WriteConfigData(card, nullptr);
        },
    };
    for (const auto& call : calls) {
        uint32_t error = 0x77777777u;
        K7OsSetLastError(0);
        EXPECT_EQ(call(&error), 0);
        EXPECT_EQ(error, 0u);
        EXPECT_EQ(K7OsGetLastError(), K7_ERROR_INVALID_PARAMETER);
    }
    EXPECT_TRUE(driver.requests().empty());
    EXPECT_TRUE(driver.transfers().empty());

    // Without bytes to move the pointers are not needed.
    uint32_t error = 1;
    EXPECT_EQ(KARVO7LoadProm(card, 0, nullptr, &error), 1);
    EXPECT_EQ(KARVO7Command(card, 0x0400, 0, nullptr, &error), 1);
    EXPECT_EQ(error, 0u);
    const k7test::CapturedOutput quiet;
    KARVO7Close(card);
}

}  // namespace
