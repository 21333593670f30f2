// The unattended run on a POSIX system: SIGINT and SIGTERM end the check in progress.
#include <gtest/gtest.h>

#include <csignal>
#include <new>
#include <sstream>

#include "CheckTestSupport.h"
#include "Format.h"
#include "SimFixture.h"
#include "app/KARVO7CheckDlg.h"
#include "headless/HeadlessCheckAll.h"
#include "headless/HeadlessFixture.h"

using namespace k7check;
using namespace k7checktest;

namespace {

// A check that raises `signal` while it runs, as Ctrl-C or a station's stop would.
struct Interrupted : CheckDialog {
    explicit Interrupted(int signal) : CheckDialog("Fake", "Fake"), signal_(signal) {}
    bool automaticCheck(std::string& resultText) override {
        std::raise(signal_);
        resultText = "OK";
        return true;
    }
    int signal_;
};

TEST_F(Headless, ASignalEndsTheCheckInProgressAndStartsNoOther) {
    registry.registerWindow(CheckId::PciConfiguration,
                            [](Session&) { return std::make_unique<Interrupted>(SIGINT); });
    registerVerdict(CheckId::Kennung, "OK");
    HeadlessOptions options{"", dir.file("report.xml"), &registry};
    options.allCards = true;
    // As a program started from a terminal has it, whatever the test program inherited.
    struct sigaction inherited {};
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    ::sigaction(SIGINT, &byDefault, &inherited);
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\nKennung=yes\n", options), kHeadlessInterrupted + SIGINT);
    // The line of the check in progress; "Kennung" and card 2 never started.
    EXPECT_EQ(out.str(), "Karte 1:\nPCI Configuration: OK\n");
    EXPECT_NE(err.str().find("Check All: SIGINT während \"PCI Configuration\" auf Karte 1: "
                             "abgebrochen\n"),
              std::string::npos)
        << err.str();
    const std::string xml = readText(dir.file("report.xml"));
    EXPECT_NE(xml.find("<testsuite name=\"Karte1\" tests=\"1\" failures=\"0\" errors=\"1\""),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<property name=\"verdict\" value=\"abgebrochen\"/>\n      </properties>\n"
                       "      <error message=\"Abgebrochen (SIGINT)\"/>"),
              std::string::npos)
        << xml;
    EXPECT_EQ(xml.find("Karte2"), std::string::npos) << xml;
    // The cards are closed, and the program's own handling of the signal ended with the run.
    EXPECT_EQ(closesOf(driver, 1), 1);
    EXPECT_EQ(closesOf(driver, 3), 1);
    struct sigaction now {};
    ::sigaction(SIGINT, &inherited, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);

    // Started with Ctrl-C ignored (a background job): it stays ignored.
    struct sigaction ignored {};
    ignored.sa_handler = SIG_IGN;
    ::sigaction(SIGINT, &ignored, &inherited);
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\nKennung=yes\n", options), kHeadlessPassed);
    ::sigaction(SIGINT, &inherited, nullptr);

    // SIGTERM the same way, with its own code; a check that wrote no line is an error case.
    registry.registerWindow(CheckId::PciConfiguration,
                            [](Session&) { return std::make_unique<Interrupted>(SIGTERM); });
    registry.registerWindow(CheckId::Kennung, [](Session&) {
        std::raise(SIGTERM);
        return std::unique_ptr<CheckDialog>();  // refused without a line
    });
    EXPECT_EQ(run("[Check]\nPCIconfig=no\nKennung=yes\n", options), kHeadlessInterrupted + SIGTERM);
    EXPECT_EQ(out.str(), "Karte 1:\n");
    const std::string second = readText(dir.file("report.xml"));
    EXPECT_NE(second.find("<testcase classname=\"Karte1.Kennung\" name=\"Kennung\""),
              std::string::npos)
        << second;
    EXPECT_NE(second.find("<error message=\"Abgebrochen (SIGTERM)\"/>"), std::string::npos);
}

}  // namespace
