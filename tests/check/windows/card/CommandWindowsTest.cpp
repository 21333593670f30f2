// The Command window with its parameter windows and the "Selbsttest" window: the command
// blocks they send (recorded), the lines they show, and their automatic checks on simulated
// cards.
#include <gtest/gtest.h>

#include <cstring>

#include "CheckTestSupport.h"
#include "ExampleFiles.h"
#include "SimFixture.h"
#include "app/Session.h"
#include "windows/card/CommandDlg.h"
#include "windows/card/CommandParameterDlgs.h"
#include "windows/card/DSPDlg.h"
#include "windows/card/SelbsttestDlg.h"

using namespace k7check;
using namespace k7checktest;
using k7test::Command;

namespace {

constexpr uint32_t kReadRegisterRequest = 0x800263C8u;

// The Command and Selbsttest windows on recorded card 1 (device 1).
class RecordedCommands : public ::testing::Test {
  protected:
    RecordedCommands() {
        // Registers answer from `registers` (0 when not set).
        fixture.driver.handle(kReadRegisterRequest,
                              [this](const uint8_t* in, uint32_t inSize, uint8_t* out,
                                     uint32_t outSize, uint32_t* returned) {
                                  uint32_t address = 0;
                                  std::memcpy(&address, in, std::min<uint32_t>(inSize, 4));
                                  const uint32_t words[2] = {address, registers[address]};
                                  std::memcpy(out, words, std::min<uint32_t>(outSize, 8));
                                  *returned = std::min<uint32_t>(outSize, 8);
                                  return 0u;
                              });
        EXPECT_TRUE(fixture.start());
        fixture.driver.clearRecords();
        fixture.desktop.clear();
    }
    Session& session() { return fixture.window->session(); }
    std::vector<Command> sent() { return commandsTo(fixture.driver, 1); }
    // Opens the parameter window of `button`; `act` plays the user, then OK is pressed.
    template <typename Window>
    void parameters(CommandDlg& window, const std::string& button,
                    std::function<void(Window&, ScriptedControls&)> act) {
        fixture.desktop.answerModal([this, act](Dialog& dialog) {
            auto& w = dynamic_cast<Window&>(dialog);
            act(w, *fixture.desktop.controlsOf(dialog));
            w.onOk();
            return kIdCancel;
        });
        window.onCommand(button);
    }

    MainWindowFixture fixture;
    std::map<uint32_t, uint32_t> registers;
};

TEST_F(RecordedCommands, SpCompIsDisabledAndSaysWhy) {
    CommandDlg window(session(), 1, 0);
    fixture.desktop.showModeless(window);
    const ScriptedControls& controls = *fixture.desktop.controlsOf(window);
    EXPECT_FALSE(controls.isEnabled("spCompButton"));
    EXPECT_EQ(controls.toolTip("spCompButton"), "SP Comp wird von diesem Programm nicht gesendet.");
    EXPECT_TRUE(controls.isEnabled("defaultButton"));
}

TEST_F(RecordedCommands, SimpleCommandsShowOneLineParameterCommandsAddLines) {
    CommandDlg window(session(), 1, 0);
    fixture.desktop.runModal(window);  // attaches nothing: unscripted windows end at once
    window.onCommand("offsetButton");
    window.onCommand("startButton");
    EXPECT_EQ(window.lines, std::vector<std::string>{"Start Messung: OK"});
    parameters<CmdSWconfigDlg>(window, "swConfigButton", [](CmdSWconfigDlg&, ScriptedControls& c) {
        c.click("echoAusgebenCheck", true);
    });
    fixture.driver.failNthCommand(0, K7_ERROR_GEN_FAILURE);
    parameters<CmdHWconfigDlg>(window, "hwConfigButton", [](CmdHWconfigDlg&, ScriptedControls& c) {
        c.type("filterEdit", "5");
    });
    ASSERT_EQ(window.lines.size(), 3u);
    EXPECT_EQ(window.lines[1], "SW Config: OK");
    EXPECT_EQ(window.lines[2], "HW Config: Error E0000001 (Fehlerwort des Treibers)");
    EXPECT_EQ(window.selection, 2);
    EXPECT_EQ(sent(), (std::vector<Command>{{k7proto::cmd::kOffset, 0, {}},
                                            {k7proto::cmd::kStart, 0, {}},
                                            {k7proto::cmd::kSwConfig, 1, {1}},
                                            {k7proto::cmd::kHwConfig, 1, {5}}}));
    // Cancel sends nothing and adds no line.
    fixture.desktop.answerModal([](Dialog&) { return kIdCancel; });
    window.onCommand("gainButton");
    EXPECT_EQ(window.lines.size(), 3u);
    EXPECT_EQ(sent().size(), 4u);
}

TEST_F(RecordedCommands, ParameterWindowsComposeTheirWordsFromTheEnteredValues) {
    CommandDlg window(session(), 1, 0);
    // The gain word carries tenths of a decibel from 0 to 6553.5 dB: an entry beyond that range
    // or finer than a tenth is refused and the window stays open.
    parameters<CmdGainDlg>(window, "gainButton", [](CmdGainDlg& w, ScriptedControls& c) {
        EXPECT_EQ(c.text("verstaerkungEdit"), "0.0");
        for (const char* refused : {"12.75", "-5", "6553.6"}) {
            c.type("verstaerkungEdit", refused);
            w.onOk();
            EXPECT_FALSE(w.ended()) << refused;
        }
        c.type("verstaerkungEdit", "20.5");
    });
    parameters<CmdGainDlg>(window, "gainButton", [](CmdGainDlg&, ScriptedControls& c) {
        c.type("verstaerkungEdit", "6553,5");
    });
    parameters<CmdAverageDlg>(window, "averageButton", [](CmdAverageDlg&, ScriptedControls& c) {
        c.type("anzahlEdit", "0");
    });
    parameters<CmdCountDlg>(window, "countButton", [](CmdCountDlg&, ScriptedControls& c) {
        c.type("vorlaufEdit", "4464");
        c.type("aufnahmeEdit", "2");
        c.type("delayEdit", "9");
    });
    parameters<CmdTriggerDlg>(window, "triggerButton", [](CmdTriggerDlg& w, ScriptedControls& c) {
        c.type("triggerblendeEdit", "1");
        c.type("maxSapEdit", "20000");
        c.click("einzelnRadio", true);
        w.onCommand("einzelnRadio");
        EXPECT_FALSE(c.isChecked("masterRadio"));
        c.click("sapEinzelnRadio", true);
        w.onCommand("sapEinzelnRadio");
    });
    parameters<CmdAScanDlg>(window, "aScanButton", [](CmdAScanDlg& w, ScriptedControls& c) {
        c.click("vollwegRadio", true);
        w.onCommand("vollwegRadio");
        c.type("zusammenfassungEdit", "4");
    });
    parameters<CmdSenderDlg>(window, "senderButton", [](CmdSenderDlg& w, ScriptedControls& c) {
        c.click("ns100Radio", true);
        w.onCommand("ns100Radio");
        c.click("energie3Radio", true);
        w.onCommand("energie3Radio");
        c.click("sperreCheck", true);
    });
    EXPECT_EQ(window.lines,
              (std::vector<std::string>{"Gain: OK", "Gain: OK", "Average:  = 0", "Count: OK",
                                        "Trigger: OK", "AScan: OK", "Sender: OK"}));
    EXPECT_EQ(sent(), (std::vector<Command>{
                          {k7proto::cmd::kGain, 1, {205}},
                          {k7proto::cmd::kGain, 1, {65535}},
                          {k7proto::cmd::kCount, 2, {4464 + 2 * 65536, 9}},
                          // bit 0: "extern" not checked; 2 << 4 "SAP einzeln"; gate 1; "einzeln"
                          {k7proto::cmd::kTrigger, 2, {20000, 0x1u | 2u << 4 | 1u << 8 | 1u << 12}},
                          {k7proto::cmd::kAScan, 1, {3 + 4 * 256}},
                          {k7proto::cmd::kSender, 1, {2u | 2u << 8 | 1u << 15}},
                      }));
    EXPECT_EQ(window.lastWords(k7proto::cmd::kAverage)[0], 0u);
    EXPECT_EQ(
        fixture.desktop.messageLines(),
        (std::vector<std::string>{
            "Gain Parameter: Ungültiger Wert in \"Verstärkung\": erlaubt sind Zahlen von 0.0 bis "
            "6553.5 mit höchstens einer Nachkommastelle.",
            "Gain Parameter: Ungültiger Wert in \"Verstärkung\": erlaubt sind Zahlen von 0.0 bis "
            "6553.5.",
            "Gain Parameter: Ungültiger Wert in \"Verstärkung\": erlaubt sind Zahlen von 0.0 bis "
            "6553.5."}));
}

TEST_F(RecordedCommands, AParameterEntryThatDoesNotFitItsWordIsRefusedAndNothingIsSent) {
    CommandDlg window(session(), 1, 0);
    const auto refuse = [&](const std::string& button, const std::string& control,
                            const std::string& typed) {
        fixture.desktop.answerModal([&](Dialog& dialog) {
            fixture.desktop.controlsOf(dialog)->type(control, typed);
            dialog.onOk();
            EXPECT_FALSE(dialog.ended()) << control << " " << typed;
            return kIdCancel;
        });
        window.onCommand(button);
    };
    refuse("countButton", "vorlaufEdit", "70000");
    refuse("countButton", "aufnahmeEdit", "-1");
    refuse("triggerButton", "triggerblendeEdit", "17");
    refuse("inputButton", "senderdaempfungEdit", "4");
    refuse("aScanButton", "zusammenfassungEdit", "abc");
    refuse("hwConfigButton", "filterEdit", "-1");
    refuse("averageButton", "anzahlEdit", "1.5");
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(window.lines.empty());
    const std::string in = ": Ungültiger Wert in ";
    EXPECT_EQ(
        fixture.desktop.messageLines(),
        (std::vector<std::string>{
            "Parameter Count" + in + "\"Vorlauf\": erlaubt sind ganze Zahlen von 0 bis 65535.",
            "Parameter Count" + in + "\"Aufnahme\": erlaubt sind ganze Zahlen von 0 bis 65535.",
            "Parameter Trigger" + in + "\"Triggerblende\": erlaubt sind ganze Zahlen von 0 bis 15.",
            "Parameter Input" + in + "\"Senderdämpfung\": erlaubt sind ganze Zahlen von 0 bis 3.",
            "Parameter A-Scan" + in +
                "\"Zusammenfassung\": erlaubt sind ganze Zahlen von 0 bis 16777215.",
            "HW-Config Parameter" + in +
                "\"Filter\": erlaubt sind ganze Zahlen von 0 bis 4294967295.",
            "Average Parameter" + in +
                "\"Anzahl\": erlaubt sind ganze Zahlen von 0 bis 4294967295."}));
}

TEST_F(RecordedCommands, ParameterWindowsStartFromTheCardsRegisters) {
    registers[1026] = 5u << 4;  // clock 5: virtual
    registers[1040] = 0x1u | 3u << 2 | 1u << 4 | 0xAu << 8 | 1u << 7 | 1u << 15;  // mode 3: none
    registers[1046] = 1u << 14;
    registers[1042] = 0x14464;
    registers[1044] = 2;
    registers[1064] = 3u | 7u << 8;  // pulse width 7: none
    registers[1030] = 2u | 1u << 2 | 1u << 8 | 6u << 12;
    registers[1032] = 0x12345;
    registers[1034] = 0x101;
    registers[1036] = 1000;
    registers[1038] = 0x13;
    CommandDlg window(session(), 1, 0);
    // Each window sent as it opened: the card's state goes back through the window's words.
    parameters<CmdShotDlg>(window, "shotButton", [](CmdShotDlg&, ScriptedControls& c) {
        for (const char* radio : {"keineMessungRadio", "einzelmessungRadio", "automatischRadio"}) {
            EXPECT_FALSE(c.isChecked(radio)) << radio;
        }
        EXPECT_TRUE(c.isChecked("aScanRadio"));
        EXPECT_TRUE(c.isChecked("virtuellRadio"));
        EXPECT_TRUE(c.isChecked("iffCheck") && c.isChecked("taCheck") &&
                    c.isChecked("averageCheck"));
        EXPECT_FALSE(c.isChecked("achtBitCheck"));
    });
    parameters<CmdTriggerDlg>(window, "triggerButton", [](CmdTriggerDlg&, ScriptedControls& c) {
        EXPECT_TRUE(c.isChecked("externCheck"));
        EXPECT_TRUE(c.isChecked("masterRadio"));
        EXPECT_TRUE(c.isChecked("beiStopRadio"));
        EXPECT_EQ(c.text("triggerblendeEdit"), "10");
        EXPECT_EQ(c.text("maxSapEdit"), std::to_string(0x4464 + 2 * 65536));
    });
    parameters<CmdSenderDlg>(window, "senderButton", [](CmdSenderDlg&, ScriptedControls& c) {
        EXPECT_TRUE(c.isChecked("energie4Radio"));
        for (const char* radio :
             {"ns450Radio", "ns250Radio", "ns150Radio", "ns100Radio", "ns50Radio", "ns25Radio"}) {
            EXPECT_FALSE(c.isChecked(radio)) << radio;
        }
    });
    parameters<CmdInputDlg>(window, "inputButton", [](CmdInputDlg&, ScriptedControls&) {});
    parameters<CmdHWconfigDlg>(window, "hwConfigButton", [](CmdHWconfigDlg&, ScriptedControls&) {});
    parameters<CmdCountDlg>(window, "countButton", [](CmdCountDlg&, ScriptedControls& c) {
        EXPECT_EQ(c.text("vorlaufEdit"), std::to_string(0x2345 + 1 * 65536));
        EXPECT_EQ(c.text("aufnahmeEdit"), std::to_string(1000 + 3 * 65536));
    });
    EXPECT_EQ(
        sent(),
        (std::vector<Command>{
            {k7proto::cmd::kShot, 1, {1u | 0u << 2 | 1u << 6 | 1u << 12 | 1u << 14 | 1u << 15}},
            // "extern" checked from bit 0 = 1 goes back as bit 0 = 0.
            {k7proto::cmd::kTrigger, 2, {0x24464, 1u << 4 | 0xAu << 8}},
            {k7proto::cmd::kSender, 1, {3}},
            {k7proto::cmd::kInput, 1, {2u | 1u << 2 | 1u << 8}},
            {k7proto::cmd::kHwConfig, 1, {6}},
            {k7proto::cmd::kCount, 2, {(1000u + 3u * 65536u) * 65536u + 0x12345u, 0}},
        }));
}

TEST_F(RecordedCommands, DefaultSendsTheTenCommandsAndSapDelayRefusesMoreThanSixteenBits) {
    CommandDlg window(session(), 1, 300);
    fixture.driver.failNthCommand(3, K7_ERROR_GEN_FAILURE);
    window.onCommand("defaultButton");
    std::vector<Command> expected;
    for (const CardCommand& c : defaultCommands()) {
        const auto count = static_cast<uint8_t>(k7proto::cmd::wordsOf(c.code));
        expected.push_back(
            {c.code, count, std::vector<uint32_t>(c.words.begin(), c.words.begin() + count)});
    }
    EXPECT_EQ(sent(), expected);
    // One line per command, as its own window would show it.
    ASSERT_EQ(window.lines.size(), 10u);
    EXPECT_EQ(window.lines[0], "Shot: OK");
    EXPECT_EQ(window.lines[3], "Gain: Error E0000001 (Fehlerwort des Treibers)");
    EXPECT_EQ(window.lines[9], "SW Config: OK");

    fixture.driver.clearRecords();
    uint32_t shown = 0;
    fixture.desktop.answerModal([&](Dialog& dialog) {
        auto& w = dynamic_cast<CmdSAPdelayDlg&>(dialog);
        shown = w.sapDelay;
        fixture.desktop.controlsOf(dialog)->type("sapDelayEdit", "70000");
        w.onOk();
        EXPECT_FALSE(w.ended());
        return kIdCancel;
    });
    window.onCommand("sapDelayButton");
    EXPECT_EQ(shown, 300u);
    EXPECT_EQ(window.sapDelay(), 300u);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(fixture.desktop.messageLines().back(),
              "Dialog: Ungültiger Wert in \"SAP-Delay\": erlaubt sind ganze Zahlen von 0 bis "
              "65535.");

    fixture.desktop.answerModal([&](Dialog& dialog) {
        fixture.desktop.controlsOf(dialog)->type("sapDelayEdit", "4464");
        dialog.onOk();
        return kIdCancel;
    });
    window.onCommand("sapDelayButton");
    EXPECT_EQ(window.sapDelay(), 4464u);
    ASSERT_FALSE(sent().empty());
    EXPECT_EQ(sent().back().data, std::vector<uint32_t>{4464});
}

TEST_F(RecordedCommands, DacTestAnsweredNoStillEndsTheRamps) {
    SelbsttestDlg window(session(), session().card(1));
    fixture.desktop.answerMessages({Answer::No});
    std::string result;
    EXPECT_FALSE(window.runTest(9, result));
    EXPECT_EQ(result, "DAC: nicht OK");
    EXPECT_EQ(sent(), (std::vector<Command>{
                          {0x1800, 0, {}}, {0x4001, 1, {0x80000200u}}, {0x4001, 1, {0x200u}}}));
    EXPECT_EQ(fixture.desktop.messageLines(), std::vector<std::string>{"DAC-Test: DAC-Rampen OK?"});
    EXPECT_FALSE(window.runTest(13, result));
    EXPECT_EQ(result, "Test 13 not exist");
}

// ---- on simulated cards ---------------------------------------------------------------------

class SimulatedCardChecks : public ::testing::Test {
  protected:
    void start(const std::string& ini = "") {
        sim = std::make_unique<k7sim::Simulator>(simtest::testConfig(2));
        ASSERT_TRUE(sim->install());
        desktop.onSleep([this] { sim->service(); });
        writeText(dir.file("KARVO7Check.INI"),
                  "[Bus]\nKanal1=Bus 1 Slot 12\nKanal2=Bus 1 Slot 13\n" + ini);
        session = std::make_unique<Session>(desktop);
        ASSERT_TRUE(session->startUp());
        desktop.clear();
    }
    ~SimulatedCardChecks() override {
        session.reset();
        sim.reset();
    }
    void fault(k7sim::Fault::Kind kind, uint32_t code = 0, uint32_t word = 0, uint32_t index = 0,
               uint32_t value = 0, bool matchValue = false) {
        k7sim::Fault f;
        f.kind = kind;
        f.code = code;
        f.word = word;
        f.index = index;
        f.value = value;
        f.matchValue = matchValue;
        sim->addFault(1, f);
    }

    TempDir dir;
    ScriptedDesktop desktop{dir.file("KARVO7Check")};
    std::unique_ptr<k7sim::Simulator> sim;
    std::unique_ptr<Session> session;
};

struct Lines : ResultSink {
    void appendResult(const std::string& line) override { lines.push_back(line); }
    void appendTestResult(const std::string& test, const std::string& line) override {
        tests.push_back(test);
        lines.push_back(line);
    }
    std::vector<std::string> lines;
    std::vector<std::string> tests;
};

TEST_F(SimulatedCardChecks, SelfTestZeroReadsThePatternBackThroughThePciFifo) {
    start();
    SelbsttestDlg window(*session, session->card(1));
    std::string result;
    EXPECT_TRUE(window.runTest(0, result));
    EXPECT_EQ(result, "DSP->PCI-FIFO: OK");

    fault(k7sim::Fault::Kind::SelfTest0Word, 0, 0, 3, 0x1234);
    EXPECT_FALSE(window.runTest(0, result));
    EXPECT_EQ(result, "DSP->PCI-FIFO: \r\n 3: soll = 0, ist = 1234");
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"DSP->PCI-FIFO: \r\n 3: soll = 0, ist = 1234"});

    // A FIFO that never reports empty: each drain ends after its reads, and the test fails.
    sim->clearFaults(1);
    fault(k7sim::Fault::Kind::SelfTest0NoEmpty);
    EXPECT_FALSE(window.runTest(0, result));
    EXPECT_EQ(result, "FIFO not empty");
    EXPECT_FALSE(window.runTest(0, result));
    EXPECT_EQ(result, "FIFO not empty");

    // The line has lost its prefix; the test still goes by its name.
    window.selected.fill(false);
    window.selected[0] = true;
    window.saveSettings();
    Lines sink;
    EXPECT_FALSE(window.runAutomatic("Selbsttest: ", result, sink));
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"Selbsttest: ", "   FIFO not empty"}));
    EXPECT_EQ(sink.tests, std::vector<std::string>{"DSP->PCI-FIFO"});
}

TEST_F(SimulatedCardChecks, SelfTestsReportTheCommandsErrorAndRunTheSelectedOnes) {
    start("[Selbstest]\nDAC=No\nSAP=1\nDS_FLAGsetzen=no\nLCA+ADC=yes\n");
    fault(k7sim::Fault::Kind::Command, 0x4001, 0x90010000u, 0, 0x8, true);
    SelbsttestDlg window(*session, session->card(1));
    std::string result;
    EXPECT_FALSE(window.runTest(3, result));
    EXPECT_EQ(result, "Aufnahme-FIFO: Error 90010000");
    EXPECT_TRUE(window.runTest(4, result));
    EXPECT_EQ(result, "Datensammler-FIFO: OK");

    Lines sink;
    std::string text;
    EXPECT_FALSE(window.runAutomatic("Selbsttest: ", text, sink));
    EXPECT_EQ(sink.lines, (std::vector<std::string>{
                              "Selbsttest: ", "   DSP->PCI-FIFO: OK", "   PCI-FIFO->DSP: OK",
                              "   LCA + ADC: OK", "   Aufnahme-FIFO: Error 90010000",
                              "   Datensammler-FIFO: OK", "   Datensammler-FIFO->PCI-FIFO: OK",
                              "   ext. DSP-RAM: OK", "   EEPROM + Version DSP/LCA: OK",
                              "   Delay-Line: OK", "   SAP: OK", "   DS_FLAG löschen: OK"}));
    EXPECT_EQ(sink.tests.front(), "DSP->PCI-FIFO");
    EXPECT_EQ(sink.tests.at(4), "Datensammler-FIFO");
    EXPECT_EQ(sink.tests.back(), "DS_FLAG löschen");
    EXPECT_TRUE(desktop.messages().empty()) << "test 9 is not selected";

    // "Save" writes every key; the window then reads them back as saved.
    window.selected.fill(false);
    window.selected[9] = true;
    window.saveSettings();
    SelbsttestDlg reread(*session, session->card(1));
    reread.loadSettings();
    EXPECT_EQ(reread.selected, window.selected);
    EXPECT_EQ(reread.zyklisch, window.zyklisch);
}

// One shot of set 0 of card 1: the identification in its record header, or nothing when the
// data is not in the record layout.
std::optional<int16_t> shotIdentification(Session& session, Desktop& desktop) {
    KARVO7HANDLE card = session.card(1);
    if (!simtest::prepare(card, 0, simtest::defaultSet())) {
        return std::nullopt;
    }
    uint32_t error = 0;
    EXPECT_EQ(KARVO7Start(card, &error), 1) << std::hex << error;
    std::vector<uint8_t> buffer(131072);
    uint32_t count = static_cast<uint32_t>(buffer.size());
    EXPECT_EQ(KARVO7StartGetData(card, &count, buffer.data(), nullptr, &error), 1);
    int polls = 0;
    while (KARVO7IsReadyGetDataIntReturn(card, &count, &error) == -3 && polls < 1000) {
        desktop.sleep(1);
        ++polls;
    }
    if (count < 6) {
        return std::nullopt;
    }
    buffer.resize(count);
    const simtest::Record record = simtest::header(buffer, 0);
    if (record.type != 0x60 || record.length != count) {
        return std::nullopt;
    }
    return record.kennung;
}

TEST_F(SimulatedCardChecks, CardLoadedAndCheckedStillDeliversTheRecordLayout) {
    start("[Init]\nVIRMA4=yes\n");
    ASSERT_EQ(shotIdentification(*session, desktop), session->virma4Id(1, 0));
    DSPDlg dsp(*session);
    std::string name = exampleFile("KARVO7DSP.hex");
    std::string result;
    ASSERT_TRUE(dsp.load(1, name, result)) << result;
    EXPECT_EQ(shotIdentification(*session, desktop), session->virma4Id(1, 0));
    CommandDlg command(*session, 1, 0);
    ASSERT_TRUE(command.automaticCheck(result)) << result;
    EXPECT_EQ(shotIdentification(*session, desktop), session->virma4Id(1, 0));
    command.onCommand("resetAllButton");
    EXPECT_EQ(shotIdentification(*session, desktop), session->virma4Id(1, 0));
    EXPECT_TRUE(session->virma4Mode());
}

TEST_F(SimulatedCardChecks, CommandCheckNamesAFailingStep) {
    start();
    CommandDlg window(*session, 1, 0);
    std::string result;
    EXPECT_TRUE(window.automaticCheck(result));
    EXPECT_EQ(result, "OK");

    for (const uint16_t failing :
         {k7proto::cmd::kReset, k7proto::cmd::kOffset, k7proto::cmd::kPowerDown}) {
        sim->clearFaults(1);
        fault(k7sim::Fault::Kind::Command, failing, 0xE7020001u);
        EXPECT_FALSE(window.automaticCheck(result));
        EXPECT_EQ(result, std::string(commandLabel(failing)) + "Command Error");
    }
}

TEST_F(SimulatedCardChecks, ResetAllWaitsForTheCardAndFailsWhenItNeverOrAtOnceReports) {
    start();
    CommandDlg window(*session, 1, 0);
    window.onCommand("resetAllButton");
    EXPECT_EQ(window.lines, std::vector<std::string>{"Reset OK nach 50 ms"});
    EXPECT_TRUE(session->virma4Mode());

    for (const auto kind : {k7sim::Fault::Kind::ResetNever, k7sim::Fault::Kind::ResetAtOnce}) {
        sim->clearFaults(1);
        fault(kind);
        const uint32_t before = desktop.now();
        window.onCommand("resetAllButton");
        EXPECT_EQ(window.lines.back(), "Reset Error");
        EXPECT_LE(desktop.now() - before, 10000u);
    }
    desktop.answerMessages({Answer::No});
    window.onCommand("resetAllButton");
    EXPECT_EQ(window.lines.size(), 3u);
    EXPECT_EQ(desktop.messageLines().back(), "Command: Hardware Reset?");
}

TEST_F(SimulatedCardChecks, AdcBoxReadsAgainOnNoAndEndsOtherwise) {
    start();
    CommandDlg window(*session, 1, 0);
    desktop.answerMessages({Answer::No, Answer::No, Answer::Yes});
    window.onCommand("adcButton");
    ASSERT_EQ(desktop.messages().size(), 3u);
    EXPECT_EQ(desktop.messages()[0].caption, "Temperatur/Spannungen");
    EXPECT_EQ(desktop.messages()[0].text.rfind("Temperatur = ", 0), 0u);
    EXPECT_NE(desktop.messages()[0].text.find("\n\nADC-Referenz = "), std::string::npos);
    // Closed without a button: the loop ends.
    desktop.clear();
    desktop.answerMessages({Answer::Cancel});
    window.onCommand("adcButton");
    EXPECT_EQ(desktop.messages().size(), 1u);
}

}  // namespace
