// The unattended run's tests: checks that give a verdict, and the fixture that runs "Check All"
// on recorded cards with a parameter file of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "CheckTestSupport.h"
#include "app/KARVO7CheckDlg.h"
#include "headless/HeadlessCheckAll.h"
#include "headless/JUnitReport.h"

namespace k7checktest {

using namespace k7check;

// A check that writes `text` and passes when the text carries the verdict "OK".
struct Verdict : CheckDialog {
    explicit Verdict(std::string text) : CheckDialog("Fake", "Fake"), text_(std::move(text)) {}
    bool automaticCheck(std::string& resultText) override {
        resultText = text_;
        return linePassed(text_);
    }
    std::string text_;
};

// Self tests as the card's window writes them: the first test's failing line has lost its
// prefix.
struct SelfTests : CheckDialog {
    SelfTests() : CheckDialog("Fake", "Fake") {}
    bool runAutomatic(const std::string& prefix, std::string& resultText,
                      ResultSink& results) override {
        results.appendResult(prefix);
        results.appendTestResult("DSP->PCI-FIFO", "   FIFO not empty");
        resultText = "PCI-FIFO->DSP: OK";
        results.appendTestResult("PCI-FIFO->DSP", "   " + resultText);
        return false;
    }
};

class Headless : public ::testing::Test {
  protected:
    Headless() : installed(driver) {
        driver.setDevices({{1, true}, {3, true}});
        answerDesignations(driver);
    }
    int run(const std::string& ini, const CheckRegistry* checks = nullptr,
            const std::string& report = "") {
        HeadlessOptions options{dir.file("KARVO7Check"), report, checks};
        return run(ini, options);
    }
    int run(const std::string& ini, HeadlessOptions options) {
        writeText(dir.file("KARVO7Check.INI"), ini);
        options.executablePath = dir.file("KARVO7Check");
        out.str("");
        err.str("");
        return runHeadlessCheckAll(options, out, err);
    }
    // "PCI Configuration" fails on card 2 only.
    void registerFailingOnCardTwo() {
        registry.registerWindow(CheckId::PciConfiguration, [](Session& session) {
            return std::make_unique<Verdict>(session.fields().karte == 2 ? "Fehler Karte 2" : "OK");
        });
    }
    void registerVerdict(CheckId id, const std::string& text) {
        registry.registerWindow(id, [text](Session&) { return std::make_unique<Verdict>(text); });
    }

    k7test::RecordingDriver driver;
    k7test::ScopedDriver installed;
    TempDir dir;
    CheckRegistry registry;
    std::ostringstream out;
    std::ostringstream err;
};

}  // namespace k7checktest
