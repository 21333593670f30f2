#include "card/SelfTests.h"

#include <array>

#include "Format.h"
#include "KARVO7Protocol.h"

namespace k7check {

namespace {

constexpr std::array<uint32_t, 4> kFifoPattern{0x55555555u, 0xAAAAAAAAu, 0xFFFFFFFFu, 0x00000000u};
// Self-test words of the DAC ramps: started, ended.
constexpr uint32_t kDacRampsOn = 0x80000200u;
constexpr uint32_t kDacRampsOff = 0x200u;

struct SelfTest {
    const char* prefix;
    const char* key;
};

constexpr std::array<SelfTest, kSelfTestCount> kTests{{
    {"DSP->PCI-FIFO: ", "DSP->PCI-FIFO"},
    {"PCI-FIFO->DSP: ", "PCI-FIFO->DSP"},
    {"LCA + ADC: ", "LCA+ADC"},
    {"Aufnahme-FIFO: ", "Aufnahme-FIFO"},
    {"Datensammler-FIFO: ", "Daten-FIFO"},
    {"Datensammler-FIFO->PCI-FIFO: ", "Daten-FIFO->PCI-FIFO"},
    {"ext. DSP-RAM: ", "DSP-RAM"},
    {"EEPROM + Version DSP/LCA: ", "EEPROM+Version"},
    {"Delay-Line: ", "DelayLine"},
    {"DAC: ", "DAC"},
    {"SAP: ", "SAP"},
    {"DS_FLAG setzen: ", "DS_FLAGsetzen"},
    {"DS_FLAG löschen: ", "DS_FLAGlöschen"},
}};

bool fifoEmpty(KARVO7HANDLE card) {
    return (KARVO7ReadRegister(card, k7proto::reg::kMasterStatus) &
            k7proto::reg::kMasterStatusFifoEmpty) != 0;
}

// Reads the FIFO port until the bridge reports the FIFO empty; false when it still is not
// after kFifoDrainReads reads.
bool drainFifo(KARVO7HANDLE card) {
    for (int reads = 0; reads < kFifoDrainReads; ++reads) {
        if (fifoEmpty(card)) {
            return true;
        }
        KARVO7ReadRegister(card, k7proto::reg::kFifoPort);
    }
    return fifoEmpty(card);
}

bool selfTestCommand(KARVO7HANDLE card, uint32_t word, std::string& r) {
    uint32_t error = 0;
    if (KARVO7Command(card, k7proto::cmd::kSelfTest, 1, &word, &error) == 0) {
        r += formatText("Error %X", error);
        return false;
    }
    return true;
}

bool fifoTest(KARVO7HANDLE card, Clock& clock, SelfTestObserver& observer, std::string& r) {
    if (!drainFifo(card)) {
        r = "FIFO not empty";
        return false;
    }
    if (!selfTestCommand(card, 0x1, r)) {
        return false;
    }
    clock.sleep(100);
    bool passed = true;
    for (uint32_t i = 0; i < 8; ++i) {
        const uint32_t expected = kFifoPattern[i % 4];
        const uint32_t read = KARVO7ReadRegister(card, k7proto::reg::kFifoPort);
        if (read != expected) {
            const std::string line = formatText("\r\n %u: soll = %X, ist = %X", i, expected, read);
            observer.fifoMismatch(line);
            r += line;
            passed = false;
        }
    }
    if (passed && !fifoEmpty(card)) {
        drainFifo(card);
        r = "FIFO not empty";
        return false;
    }
    return passed;
}

bool dacTest(KARVO7HANDLE card, SelfTestObserver& observer, std::string& r) {
    uint32_t error = 0;
    if (KARVO7Command(card, k7proto::cmd::kPowerUp, 0, nullptr, &error) == 0) {
        r += "Power Up Error";
        return false;
    }
    if (!selfTestCommand(card, kDacRampsOn, r)) {
        return false;
    }
    const bool seen = observer.dacRampsOk();
    KARVO7Command(card, k7proto::cmd::kSelfTest, 1, &kDacRampsOff, &error);
    if (!seen) {
        r += "nicht OK";
    }
    return seen;
}

}  // namespace

const char* selfTestPrefix(std::size_t test) {
    return kTests.at(test).prefix;
}

std::string selfTestName(std::size_t test) {
    std::string name = selfTestPrefix(test);
    name.resize(name.size() - 2);  // ": "
    return name;
}

const char* selfTestKey(std::size_t test) {
    return kTests.at(test).key;
}

Verdict runSelfTest(KARVO7HANDLE card, std::size_t test, Clock& clock, SelfTestObserver& observer) {
    Verdict result;
    if (test >= kSelfTestCount) {
        result.line = formatText("Test %zu not exist", test);
        return result;
    }
    std::string& r = result.line;
    r = kTests[test].prefix;
    if (test == 0) {
        result.passed = fifoTest(card, clock, observer, r);
    } else if (test == kObservedSelfTest) {
        result.passed = dacTest(card, observer, r);
    } else {
        result.passed = selfTestCommand(card, 1u << test, r);
    }
    if (result.passed) {
        r += "OK";
    }
    return result;
}

}  // namespace k7check
