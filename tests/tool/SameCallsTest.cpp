// The check program's windows, karvo7 and the C interface run the card operations with the same
// library calls: every request each of them sends to a recording card, from the open to the
// close, is compared whole.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
#include <tuple>

#include "Commands.h"
#include "KARVO7Ops.h"
#include "RecordingDriver.h"
#include "ToolProcess.h"
#include "app/Session.h"
#include "desktop/scripted/ScriptedDesktop.h"
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
            return karvo7::runSelftest({1, {test}, false}, out, err);
        });
        EXPECT_EQ(window, tool) << "self test " << test;
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
        return karvo7::runDsp({1, program, false}, out, err);
    });
    EXPECT_GT(library.size(), onCard([](KARVO7HANDLE) {}).size());
    EXPECT_EQ(library, tool);

    const Calls reset = onCard([&](KARVO7HANDLE card) {
        K7OpsVerdict verdict;
        uint32_t error = 0;
        K7OpsResetCard(card, &verdict, &error);
    });
    const Calls resetTool = ofTool([&](std::ostream& out, std::ostream& err) {
        return karvo7::runReset({1, false}, out, err);
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
        return karvo7::runCheck({1, {"pci-eeprom"}, ini, false}, out, err);
    });
    EXPECT_GT(library.size(), onCard([](KARVO7HANDLE) {}).size());
    EXPECT_EQ(window, library);
    EXPECT_EQ(window, tool);
}

}  // namespace
}  // namespace tooltest
