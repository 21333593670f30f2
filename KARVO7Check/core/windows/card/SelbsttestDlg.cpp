#include "windows/card/SelbsttestDlg.h"

#include "Format.h"
#include "KARVO7Protocol.h"
#include "app/Session.h"

namespace k7check {

namespace {

constexpr const char* kSection = "Selbstest";
constexpr std::array<uint32_t, 4> kFifoPattern{0x55555555u, 0xAAAAAAAAu, 0xFFFFFFFFu, 0x00000000u};

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

std::string testButton(std::size_t test) {
    return "test" + std::to_string(test) + "Button";
}
std::string testCheck(std::size_t test) {
    return "test" + std::to_string(test) + "Check";
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

SelbsttestDlg::SelbsttestDlg(Session& session, KARVO7HANDLE card)
    : CheckDialog(kWindowClass, kTitle), session_(session), card_(card) {
    selected.fill(true);
}

bool SelbsttestDlg::onInit() {
    loadSettings();
    writeFieldsToControls();
    return true;
}

void SelbsttestDlg::bindFields(FieldBinder& binder) {
    binder.label("ergebnisLabel", ergebnis);
    for (std::size_t i = 0; i < kSelfTestCount; ++i) {
        binder.check(testCheck(i), selected[i]);
    }
    binder.check("zyklischCheck", zyklisch);
    binder.check("unbenanntCheck", unbenannt);
}

void SelbsttestDlg::onCommand(const std::string& control) {
    for (std::size_t i = 0; i < kSelfTestCount; ++i) {
        if (control == testButton(i)) {
            readFieldsFromControls();
            runTest(i, ergebnis);
            writeFieldsToControls();
            return;
        }
    }
    if (control == "saveButton") {
        if (session_.desktop().messageBox(kSection, "Wollen Sie wirklich sichern?",
                                          Buttons::YesNo) == Answer::Yes) {
            readFieldsFromControls();
            saveSettings();
        }
        return;
    }
    Dialog::onCommand(control);
}

void SelbsttestDlg::loadSettings() {
    const auto read = [&](const char* key) {
        const std::string value =
            session_.desktop().profileString(session_.profileFile(), kSection, key, "yes");
        return value.empty() || (value.front() != 'n' && value.front() != 'N');
    };
    for (std::size_t i = 0; i < kSelfTestCount; ++i) {
        selected[i] = read(kTests[i].key);
    }
    zyklisch = read("zyklisch");
}

void SelbsttestDlg::saveSettings() {
    Desktop& desktop = session_.desktop();
    bool written = true;
    const auto write = [&](const char* key, bool on) {
        written =
            desktop.writeProfileString(session_.profileFile(), kSection, key, on ? "yes" : "no") &&
            written;
    };
    for (std::size_t i = 0; i < kSelfTestCount; ++i) {
        write(kTests[i].key, selected[i]);
    }
    write("zyklisch", zyklisch);
    if (!written) {
        desktop.messageBox(kSection, "Die Parameterdatei konnte nicht geschrieben werden!");
    }
}

bool SelbsttestDlg::drainFifo() {
    for (int reads = 0; reads < kFifoDrainReads; ++reads) {
        if ((KARVO7ReadRegister(card_, k7proto::reg::kMasterStatus) &
             k7proto::reg::kMasterStatusFifoEmpty) != 0) {
            return true;
        }
        KARVO7ReadRegister(card_, k7proto::reg::kFifoPort);
    }
    return (KARVO7ReadRegister(card_, k7proto::reg::kMasterStatus) &
            k7proto::reg::kMasterStatusFifoEmpty) != 0;
}

bool SelbsttestDlg::fifoTest(std::string& r) {
    if (!drainFifo()) {
        r = "FIFO not empty";
        return false;
    }
    const uint32_t word = 0x1;
    uint32_t error = 0;
    if (KARVO7Command(card_, k7proto::cmd::kSelfTest, 1, &word, &error) == 0) {
        r += formatText("Error %X", error);
        return false;
    }
    session_.desktop().sleep(100);
    bool passed = true;
    for (uint32_t i = 0; i < 8; ++i) {
        const uint32_t expected = kFifoPattern[i % 4];
        const uint32_t read = KARVO7ReadRegister(card_, k7proto::reg::kFifoPort);
        if (read != expected) {
            const std::string line = formatText("\r\n %u: soll = %X, ist = %X", i, expected, read);
            session_.desktop().messageBox("DSP->PCI-FIFO", line);
            r += line;
            passed = false;
        }
    }
    if (passed && (KARVO7ReadRegister(card_, k7proto::reg::kMasterStatus) &
                   k7proto::reg::kMasterStatusFifoEmpty) == 0) {
        drainFifo();
        r = "FIFO not empty";
        return false;
    }
    return passed;
}

bool SelbsttestDlg::dacTest(std::string& r) {
    uint32_t error = 0;
    if (KARVO7Command(card_, k7proto::cmd::kPowerUp, 0, nullptr, &error) == 0) {
        r += "Power Up Error";
        return false;
    }
    const uint32_t ramps = 0x80000200u;
    if (KARVO7Command(card_, k7proto::cmd::kSelfTest, 1, &ramps, &error) == 0) {
        r += formatText("Error %X", error);
        return false;
    }
    const bool seen =
        session_.desktop().messageBox("DAC-Test", "DAC-Rampen OK?", Buttons::YesNo) == Answer::Yes;
    const uint32_t end = 0x200;
    KARVO7Command(card_, k7proto::cmd::kSelfTest, 1, &end, &error);
    if (!seen) {
        r += "nicht OK";
    }
    return seen;
}

bool SelbsttestDlg::runTest(std::size_t test, std::string& r) {
    if (test >= kSelfTestCount) {
        r = formatText("Test %zu not exist", test);
        return false;
    }
    r = kTests[test].prefix;
    bool passed = false;
    if (test == 0) {
        passed = fifoTest(r);
    } else if (test == 9) {
        passed = dacTest(r);
    } else {
        const uint32_t word = 1u << test;
        uint32_t error = 0;
        passed = KARVO7Command(card_, k7proto::cmd::kSelfTest, 1, &word, &error) != 0;
        if (!passed) {
            r += formatText("Error %X", error);
        }
    }
    if (passed) {
        r += "OK";
    }
    return passed;
}

bool SelbsttestDlg::runAutomatic(const std::string& prefix, std::string& resultText,
                                 ResultSink& results) {
    loadSettings();
    results.appendResult(prefix);
    bool passed = true;
    for (std::size_t i = 0; i < kSelfTestCount; ++i) {
        if (selected[i]) {
            passed = runTest(i, resultText) && passed;
            results.appendTestResult(selfTestName(i), "   " + resultText);
        }
    }
    return passed;
}

}  // namespace k7check
