// The headless "Check All" of production test stations.
#include <gtest/gtest.h>

#include <sstream>

#include "CheckTestSupport.h"
#include "HeadlessCheckAll.h"
#include "JUnitReport.h"

using namespace k7check;
using namespace k7checktest;

namespace {

struct Verdict : CheckDialog {
    explicit Verdict(std::string text) : CheckDialog("Fake", "Fake"), text_(std::move(text)) {}
    bool automaticCheck(std::string& resultText) override {
        resultText = text_;
        return text_ == "OK";
    }
    std::string text_;
};

class Headless : public ::testing::Test {
  protected:
    Headless() : installed(driver) {
        driver.setDevices({{1, true}, {3, true}});
        answerDesignations(driver);
    }
    int run(const std::string& ini, const CheckRegistry* checks = nullptr,
            const std::string& report = "") {
        writeText(dir.file("KARVO7Check.INI"), ini);
        HeadlessOptions options{dir.file("KARVO7Check"), report, checks};
        return runHeadlessCheckAll(options, out, err);
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

TEST(HeadlessWithoutCards, EndsWithItsOwnCodeAndTheMessageOnTheErrorStream) {
    k7test::RecordingDriver driver;
    driver.setDevices({});
    k7test::ScopedDriver installed(driver);
    TempDir dir;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runHeadlessCheckAll({dir.file("KARVO7Check"), "", nullptr}, out, err),
              kHeadlessNoCards);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Program Cancel: Treiber KARVO7.sys ist nicht aktiv!\n");
}

TEST_F(Headless, NothingCheckedIsNeverAPass) {
    // No automatic box set: the station must not read "passed".
    std::string ini = "[Init]\nKarte=2\n[Check]\n";
    for (const CheckButton& button : checkButtons()) {
        if (*button.automaticKey != '\0') {
            ini += std::string(button.automaticKey) + "=no\n";
        }
    }
    EXPECT_EQ(run(ini), kHeadlessNothingChecked);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("KARVO7Open: 2 Karten -> 3 Devices\n"), std::string::npos);
    EXPECT_NE(err.str().find("keine Prüfung ausgeführt"), std::string::npos);
    EXPECT_EQ(closesOf(driver, 1), 1);
    EXPECT_EQ(closesOf(driver, 3), 1);

    // A box set for a check whose window does not exist runs nothing either.
    out.str("");
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\n", &registry), kHeadlessNothingChecked);
}

TEST_F(Headless, VerdictsGiveTheExitCode) {
    registerVerdict(CheckId::PciConfiguration, "OK");
    registerVerdict(CheckId::Kennung, "OK");
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\nKennung=yes\n", &registry), kHeadlessPassed);
    EXPECT_EQ(out.str(), "PCI Configuration: OK\nKennung: OK\n");

    out.str("");
    registerVerdict(CheckId::Kennung, "Karte Soll: A Ist: B");
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\nKennung=yes\n", &registry), kHeadlessCheckFailed);
}

TEST_F(Headless, ACardThatFailedAtStartUpFailsTheRun) {
    registerVerdict(CheckId::PciConfiguration, "OK");
    driver.failNthCommand(0);  // the first command of the start-up: card 1.s warm-up
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\n", &registry), kHeadlessCheckFailed);
    EXPECT_EQ(out.str(), "PCI Configuration: OK\n");
    EXPECT_NE(err.str().find("WarmUp Karte 1 Error"), std::string::npos);
}

TEST_F(Headless, ReportHasOneTestCasePerResultLine) {
    registerVerdict(CheckId::PciConfiguration, "OK");
    registerVerdict(CheckId::PciEeprom, "Wort 3 <falsch> & \"anders\"");
    const std::string report = dir.file("report.xml");
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\nPCIEEPROM=yes\n", &registry, report),
              kHeadlessCheckFailed);
    const std::string xml = readText(report);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(xml.find("tests=\"2\" failures=\"1\""), std::string::npos);
    EXPECT_NE(xml.find("<testcase classname=\"Karte1\" name=\"PCI Configuration\""),
              std::string::npos);
    EXPECT_NE(xml.find("<failure message=\"PCI EEPROM: Wort 3 &lt;falsch&gt; &amp; "
                       "&quot;anders&quot;\"/>"),
              std::string::npos);
    EXPECT_EQ(xml.find("<falsch>"), std::string::npos);
}

TEST(JUnitReport, NamesAndVerdictsOfLines) {
    EXPECT_EQ(checkNameOf("Blockmessung Kanal 2: OK"), "Blockmessung Kanal 2");
    EXPECT_EQ(checkNameOf("   Test 0 OK"), "   Test 0 OK");
    EXPECT_TRUE(linePassed("Selbsttest: OK"));
    EXPECT_FALSE(linePassed("Selbsttest: "));
    EXPECT_FALSE(linePassed(""));
    EXPECT_TRUE(linePassed("DSP-Programm: Karte 1 OK (Reset nach 50 ms)"));
    EXPECT_FALSE(linePassed("Kennung: Karte Soll: OKAY Ist: B"));
    EXPECT_TRUE(isHeading("Selbsttest: "));
    EXPECT_FALSE(isHeading("   Test 0 OK"));
    const std::string xml = junitReport({{"Selbsttest: ", 1, 0}, {"   DSP->PCI-FIFO: OK", 1, 5}});
    EXPECT_NE(xml.find("tests=\"1\" failures=\"0\""), std::string::npos) << xml;
}

}  // namespace
