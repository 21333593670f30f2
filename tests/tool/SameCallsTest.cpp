// The check program's windows, karvo7, the C interface and the Python package run the card
// operations with the same library calls: every request each of them sends to a recording card,
// from the open to the close (a set's hand-over, a shot and a stream's start: from the open card
// on, inside karvo7's whole command), is compared whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <tuple>

#include "Commands.h"
#include "HandOver.h"
#include "KARVO7Ops.h"
#include "RecordingDriver.h"
#include "SetOptions.h"
#include "ToolProcess.h"
#include "app/Session.h"
#include "card/DspImage.h"
#include "desktop/scripted/ScriptedDesktop.h"
#include "k7base/RegularFile.h"
#include "paramfile/IniFile.h"
#include "profile/ParameterFile.h"
#include "runs/MeasurementRuns.h"
#include "runs/RunWindows.h"
#include "windows/card/SelbsttestDlg.h"
#include "windows/pci/PCIeepromRegisterDlg.h"

namespace tooltest {
namespace {

using Calls = std::vector<std::tuple<uint32_t, uint32_t, k7test::Bytes, uint32_t>>;

class SameCalls : public ::testing::Test {
  protected:
    SameCalls() {
        // A reset ends at the third poll after it.
        driver.handle(k7proto::req::kReset,
                      [this](const uint8_t*, uint32_t, uint8_t*, uint32_t, uint32_t* returned) {
                          polls = 0;
                          *returned = 0;
                          return uint32_t{K7_ERROR_SUCCESS};
                      });
        driver.handle(k7proto::req::kResetFinished, [this](const uint8_t*, uint32_t, uint8_t* out,
                                                           uint32_t size, uint32_t* returned) {
            const uint32_t done = ++polls >= 3 ? 1 : 0;
            std::memcpy(out, &done, size < 4 ? size : 4);
            *returned = size < 4 ? size : 4;
            return uint32_t{K7_ERROR_SUCCESS};
        });
    }

    Calls recorded() const {
        Calls calls;
        for (const k7test::RecordedRequest& r : driver.requests()) {
            calls.emplace_back(r.device, r.code, r.input, r.outputSize);
        }
        return calls;
    }
    // What `work` asks of card 1 opened as karvo7 opens it.
    Calls onCard(const std::function<void(KARVO7HANDLE)>& work) {
        driver.clearRecords();
        KARVO7Scan();
        KARVO7HANDLE card = KARVO7Open(1);
        work(card);
        KARVO7Close(card);
        return recorded();
    }
    // What `work` asks of card 1 once it is open, up to the close.
    Calls onOpenCard(const std::function<void(KARVO7HANDLE)>& work) {
        KARVO7Scan();
        KARVO7HANDLE card = KARVO7Open(1);
        driver.clearRecords();
        work(card);
        const Calls calls = recorded();
        KARVO7Close(card);
        return calls;
    }
    Calls ofTool(const std::function<int(std::ostream&, std::ostream&)>& command) {
        driver.clearRecords();
        std::ostringstream out, err;
        command(out, err);
        return recorded();
    }

    k7check::ScriptedDesktop desktop;  // its virtual clock is the card library's
    k7test::RecordingDriver driver;
    k7test::ScopedDriver installed{driver};
    uint32_t polls = 0;
    TempFolder folder;
};

TEST_F(SameCalls, SelfTests) {
    const Calls opened = onCard([](KARVO7HANDLE) {});
    for (uint32_t test = 0; test < k7check::kSelfTestCount; ++test) {
        const Calls window = onCard([&](KARVO7HANDLE card) {
            k7check::Session session(desktop);
            k7check::SelbsttestDlg dialog(session, card);
            std::string line;
            dialog.runTest(test, line);
        });
        const Calls library = onCard([&](KARVO7HANDLE card) {
            K7OpsVerdict verdict;
            uint32_t error = 0;
            K7OpsSelfTest(card, test, nullptr, nullptr, &verdict, &error);
        });
        EXPECT_GT(library.size(), opened.size()) << "self test " << test;
        EXPECT_EQ(window, library) << "self test " << test;
        if (test == k7check::kObservedSelfTest) {
            continue;  // karvo7 runs the DAC ramps only when asked on a terminal
        }
        const Calls tool = ofTool([&](std::ostream& out, std::ostream& err) {
            return karvo7::runSelftest({1, {test}, false, {}}, out, err);
        });
        EXPECT_EQ(window, tool) << "self test " << test;
    }
}

// A DSP program file is judged by the same rules whoever loads it: what the DSP window refuses
// before its question, karvo7 and the C interface refuse too, and nothing of it reaches the
// card; what the window loads (any .bin of whole bytes up to 255 blocks: the image has no
// further form to check), they load.
TEST_F(SameCalls, DspFilesAreJudgedAlikeAndARefusedOneReachesNoCard) {
    std::string random;
    for (uint32_t i = 0; i < 1000; ++i) {
        random += static_cast<char>((i * 2654435761u) >> 24);
    }
    const std::pair<std::string, std::string> files[] = {
        {"random.bin", random},
        {"empty.bin", ""},
        {"big.bin", std::string(k7check::kDspMaxImageBytes + 1, '\x01')},
        {"bad.hex", "12AB\r\nxyz\r\n"},
        {"program.txt", "12AB\r\n"},
    };
    for (const auto& [name, bytes] : files) {
        const std::string program = folder.file(name);
        writeFile(program, bytes);
        const bool window = k7check::readDspImage(program).ok();
        int32_t loaded = -1;
        const Calls library = onOpenCard([&](KARVO7HANDLE card) {
            K7OpsVerdict verdict;
            uint32_t error = 0;
            loaded = K7OpsLoadDsp(card, program.c_str(), &verdict, &error);
        });
        int code = -1;
        const Calls tool = ofTool([&](std::ostream& out, std::ostream& err) {
            return code = karvo7::runDsp({1, program, false, false, {}}, out, err);
        });
        EXPECT_EQ(loaded == 1, window) << name;
        EXPECT_EQ(code, window ? 0 : 2) << name;
        if (!window) {
            EXPECT_TRUE(library.empty()) << name;
            EXPECT_TRUE(tool.empty()) << name << ": not even opened";
        }
    }
}

// The DSP window sends the sets' identifications again after a load; the load itself is the
// operation karvo7 and the C interface run.
TEST_F(SameCalls, DspLoadAndReset) {
    const std::string program = folder.file("program.bin");
    writeFile(program, std::string(512, '\x5A'));
    const Calls library = onCard([&](KARVO7HANDLE card) {
        K7OpsVerdict verdict;
        uint32_t error = 0;
        K7OpsLoadDsp(card, program.c_str(), &verdict, &error);
    });
    const Calls tool = ofTool([&](std::ostream& out, std::ostream& err) {
        return karvo7::runDsp({1, program, false, false, {}}, out, err);
    });
    EXPECT_GT(library.size(), onCard([](KARVO7HANDLE) {}).size());
    EXPECT_EQ(library, tool);

    const Calls reset = onCard([&](KARVO7HANDLE card) {
        K7OpsVerdict verdict;
        uint32_t error = 0;
        K7OpsResetCard(card, &verdict, &error);
    });
    const Calls resetTool = ofTool([&](std::ostream& out, std::ostream& err) {
        return karvo7::runReset({1, false, {}}, out, err);
    });
    EXPECT_EQ(reset, resetTool);
}

TEST_F(SameCalls, EepromCheck) {
    const std::string ini = std::string(KARVO7_EXAMPLES) + "/KARVO7Check.INI";
    const Calls window = onCard([&](KARVO7HANDLE card) {
        k7check::PCIeepromRegisterDlg dialog(desktop, card, ini);
        std::string line;
        dialog.automaticCheck(line);
    });
    const Calls library = onCard([&](KARVO7HANDLE card) {
        K7OpsVerdict verdict;
        uint32_t error = 0;
        K7OpsCheck(card, K7OPS_CHECK_PCI_EEPROM, ini.c_str(), nullptr, nullptr, &verdict, &error);
    });
    const Calls tool = ofTool([&](std::ostream& out, std::ostream& err) {
        return karvo7::runCheck({1, {"pci-eeprom"}, ini, false, {}}, out, err);
    });
    EXPECT_GT(library.size(), onCard([](KARVO7HANDLE) {}).size());
    EXPECT_EQ(window, library);
    EXPECT_EQ(window, tool);
}

// A set whose every part differs from the defaults: the depth compensation, the echo-start
// gate, the external clock, the trigger delay.
constexpr const char* kHandedSet = R"([Karte1-Satz2]
Active=yes
IFF=500
8Bit=yes
Average=2
Aufnahmelaenge=1000
Aufnahmedelay=120
Verstaerkung=345
Filter=5
Sendeenergie=3
B0-enable=yes
B2-Anfang=700
B2-Ende=900
B2-Schwelle=40
ESB-Level=12
ESB-Time=345
ESB-relativ=yes
TriggerExtern=yes
Triggerdelay=77
TA-Verzoegerung=8
TA-Abstand=64
TA-Enable=yes
TA-Stuetzstellen=3
TA-Tabelle=10 20 30 40
)";

#ifdef K7_PYTHON
// The requests a file of the recording driver module lists, a line each.
Calls callsIn(const std::string& file) {
    Calls calls;
    std::istringstream lines(readFile(file));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        uint32_t device = 0, code = 0, outputSize = 0;
        std::string hex;
        fields >> device >> code >> outputSize >> hex;
        k7test::Bytes input;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            input.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
        }
        calls.emplace_back(device, code, input, outputSize);
    }
    return calls;
}

// The requests the Python package's Card.apply sent with start code 1 and 3, as the recording
// driver module in the interpreter's process wrote them.
std::vector<Calls> ofPython(const TempFolder& folder, const std::string& ini) {
    const std::string prefix = folder.file("python-start");
    const std::string command = std::string("env -u KARVO7_SIM KARVO7_DRIVER='") +
                                K7_RECORDING_DRIVER + "' KARVO7_LIBRARY_PATH='" +
                                K7_LIBRARY_FOLDER + "' PYTHONPATH='" + K7_PYTHON_PACKAGE + "' " +
                                K7_PYTHON + " -B '" + K7_HAND_OVER_SCRIPT + "' '" + ini +
                                "' Karte1-Satz2 2 '" + prefix + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<Calls> both;
    for (const char* start : {"1", "3"}) {
        both.push_back(callsIn(prefix + start));
    }
    return both;
}
#endif

// One set of a parameter file, read and handed to a card by the check program (as its runs do,
// start code 1 and the data-rate runs' 3), by karvo7 (as shot and stream do) and by Python's
// Card.apply: the same requests.
TEST_F(SameCalls, HandingASetToACard) {
    const std::string ini = folder.file("sets.ini");
    writeFile(ini, kHandedSet);
    std::vector<Calls> check;
    std::vector<Calls> tool;
    for (const uint8_t start : {uint8_t{1}, uint8_t{3}}) {
        check.push_back(onOpenCard([&](KARVO7HANDLE card) {
            std::string text;
            ASSERT_TRUE(k7base::readRegularFile(ini, text));
            k7check::ParameterSet set;
            bool active = false;
            k7check::readSet(k7check::IniFile::parse(text), "Karte1-Satz2", set, active);
            EXPECT_TRUE(k7check::handSetToCard(card, 2, k7check::cardRecordOf(set, start)).ok());
        }));
        tool.push_back(onOpenCard([&](KARVO7HANDLE card) {
            std::ostringstream err;
            karvo7::SetOverrides overrides;
            overrides.ini = ini;
            k7check::ParameterSet set;
            ASSERT_TRUE(karvo7::buildSet(overrides, 1, 2, set, err)) << err.str();
            EXPECT_TRUE(karvo7::handSet(card, 2, k7check::cardRecordOf(set, start), err));
        }));
        EXPECT_EQ(check.back(), tool.back()) << "start code " << int{start};
    }
    // The record, the trigger delay, the external clock, the echo-start gate at least.
    EXPECT_GT(check.front().size(), 4u);
    EXPECT_NE(check.front(), check.back());
#ifdef K7_PYTHON
    EXPECT_EQ(ofPython(folder, ini), check);
#else
    GTEST_SKIP() << "the Python package's hand-over is compared in builds without sanitizers";
#endif
}

// Whether `part` stands in `calls` whole and in its order: a karvo7 command's requests hold
// the card opened and warmed up, the layout set up, and what the card operations send.
bool holds(const Calls& calls, const Calls& part) {
    return !part.empty() &&
           std::search(calls.begin(), calls.end(), part.begin(), part.end()) != calls.end();
}

// Windows of a run that take the shot and show nothing.
class QuietWindows : public k7check::RunWindows {
  public:
    bool editSet(k7check::Session&, uint32_t, uint32_t, k7check::ParameterSet&) override {
        return true;
    }
    bool selectSets(k7check::Session&, std::array<bool, k7check::kSetsPerCard>&) override {
        return true;
    }
    void showData(k7check::Session&, const k7check::MeasuredDataInputs&) override {}
    void showGateValues(k7check::Session&, const uint8_t*, uint32_t) override {}
    std::unique_ptr<k7check::LiveDisplay> openDisplay(k7check::Session&,
                                                      const std::string&) override {
        return nullptr;
    }
};

#ifdef K7_PYTHON
// The requests of the Python package's Card.shot and of its Card.stream's start (a stream of no
// shots: prepared, and left stopped with an empty FIFO), in the record layout, as the recording
// driver module in the interpreter's process wrote them.
std::pair<Calls, Calls> ofPythonShotAndStream(const TempFolder& folder, const std::string& ini) {
    const std::string prefix = folder.file("python-");
    const std::string command = std::string("env -u KARVO7_SIM KARVO7_DRIVER='") +
                                K7_RECORDING_DRIVER + "' KARVO7_LIBRARY_PATH='" +
                                K7_LIBRARY_FOLDER + "' PYTHONPATH='" + K7_PYTHON_PACKAGE + "' " +
                                K7_PYTHON + " -B '" + K7_SHOT_SCRIPT + "' '" + ini +
                                "' Karte1-Satz2 2 '" + prefix + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return {callsIn(prefix + "shot"), callsIn(prefix + "stream")};
}
#endif

// A single shot of set 2 in the record layout, from the check program's single measurement,
// the C interface, karvo7 and Python's Card.shot: from the hand-over to the FIFO emptied behind
// the shot, the same requests. The recording card delivers a buffer of zeros rather than the
// set's record, so that the shot fails its length check everywhere, after the same requests.
TEST_F(SameCalls, ASingleShot) {
    const std::string ini = folder.file("sets.ini");
    writeFile(ini, kHandedSet);
    Calls window;
    {
        k7check::Session session(desktop);
        session.useParameterFile(ini);
        ASSERT_TRUE(session.startUp());
        ASSERT_TRUE(session.virma4Mode());  // the sets' identifications: the record layout
        session.selectCard(1);
        session.selectSet(2);
        driver.clearRecords();
        QuietWindows windows;
        EXPECT_FALSE(k7check::runSingleShot(session, true, windows));
        EXPECT_NE(session.fields().resultLines.back().find("Datenlänge soll: 2006 - ist: 131072"),
                  std::string::npos)
            << session.fields().resultLines.back();
        window = recorded();
    }
    const Calls library = onOpenCard([&](KARVO7HANDLE card) {
        K7OpsSet record{};
        uint16_t table[K7OPS_TA_ENTRIES]{};
        int32_t active = 0;
        uint32_t error = 0, step = 0;
        ASSERT_TRUE(
            K7OpsReadSet(ini.c_str(), 1, 2, 1, &record, table, &active, nullptr, 0, &error));
        K7OpsShotLayout layout{};
        ASSERT_TRUE(
            K7OpsPrepareShot(card, 2, &record, K7OPS_LAYOUT_RECORD, 1, &layout, &step, &error));
        std::vector<uint8_t> data(layout.readBytes);
        K7OpsShot shot{};
        EXPECT_FALSE(K7OpsTakeShot(card, 2, &record, &layout, data.data(),
                                   static_cast<uint32_t>(data.size()), &shot, &error));
        EXPECT_EQ(shot.step, K7OPS_SHOT_STEP_LENGTH);
    });
    // The hand-over, the mode, the FIFO emptied, start, the gate values, the FIFO emptied.
    EXPECT_GT(library.size(), 8u);
    EXPECT_EQ(window, library);
    karvo7::ShotOptions o;
    o.card = 1;
    o.set = 2;
    o.overrides.ini = ini;
    o.overrides.layout = karvo7::Layout::Record;
    o.output = folder.file("shot.csv");
    const Calls tool =
        ofTool([&](std::ostream& out, std::ostream& err) { return karvo7::runShot(o, out, err); });
    EXPECT_TRUE(holds(tool, library));
#ifdef K7_PYTHON
    EXPECT_EQ(ofPythonShotAndStream(folder, ini).first, library);
#else
    GTEST_SKIP() << "the Python package's shot is compared in builds without sanitizers";
#endif
}

// The start of a stream of set 2 in the record layout, from karvo7 stream, the C interface and
// Python's Card.stream: the set handed over with the continuous start code, made the active
// one, the mode, the set selected, the card stopped and its FIFO emptied, the same requests.
TEST_F(SameCalls, AStreamStart) {
    const std::string ini = folder.file("sets.ini");
    writeFile(ini, kHandedSet);
    const Calls library = onOpenCard([&](KARVO7HANDLE card) {
        std::vector<K7OpsSet> records(K7OPS_SETS);
        uint16_t table[K7OPS_TA_ENTRIES]{};
        int32_t active = 0;
        uint32_t error = 0, step = 0, failedSet = 0;
        ASSERT_TRUE(
            K7OpsReadSet(ini.c_str(), 1, 2, 1, &records[2], table, &active, nullptr, 0, &error));
        K7OpsStreamLayout stream{};
        ASSERT_TRUE(K7OpsPrepareStream(card, records.data(), 1u << 2, K7OPS_LAYOUT_RECORD, 1,
                                       &stream, &failedSet, &step, &error))
            << std::hex << error;
        EXPECT_EQ(stream.shotBytes, 2006u);
        EXPECT_EQ(stream.shotsPerSecond, 500u);
    });
    EXPECT_GT(library.size(), 8u);
    karvo7::StreamOptions o;
    o.card = 1;
    o.sets = {2};
    o.count = 1;
    o.overrides.ini = ini;
    o.overrides.layout = karvo7::Layout::Record;
    o.output = folder.file("capture.k7");
    const Calls tool =
        ofTool([&](std::ostream&, std::ostream& err) { return karvo7::runStream(o, -1, err); });
    EXPECT_TRUE(holds(tool, library));
#ifdef K7_PYTHON
    EXPECT_EQ(ofPythonShotAndStream(folder, ini).second, library);
#else
    GTEST_SKIP() << "the Python package's stream is compared in builds without sanitizers";
#endif
}

}  // namespace
}  // namespace tooltest
