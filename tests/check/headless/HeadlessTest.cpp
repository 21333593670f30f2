// The headless "Check All" of production test stations.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <new>
#include <sstream>

#include "CheckTestSupport.h"
#include "Format.h"
#include "SimFixture.h"
#include "app/KARVO7CheckDlg.h"
#include "headless/HeadlessCheckAll.h"
#include "headless/HeadlessFixture.h"
#include "headless/JUnitReport.h"

using namespace k7check;
using namespace k7checktest;

namespace {

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
    EXPECT_NE(err.str().find("Check All: Keine Prüfung ausgewählt: kein automatisches Kästchen "
                             "gesetzt!\n"),
              std::string::npos);
    EXPECT_EQ(closesOf(driver, 1), 1);
    EXPECT_EQ(closesOf(driver, 3), 1);

    // A box set for a check whose window does not exist runs nothing either.
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\n", &registry), kHeadlessNothingChecked);
    EXPECT_NE(err.str().find("Check All: Keine der ausgewählten Prüfungen ist verfügbar!\n"),
              std::string::npos);

    // Nor on every card: one message, no card headings.
    HeadlessOptions every{"", "", &registry};
    every.allCards = true;
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\n", every), kHeadlessNothingChecked);
    EXPECT_EQ(out.str(), "");
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
    EXPECT_NE(xml.find("<testcase classname=\"Karte1.PCI Configuration\" name=\"PCI "
                       "Configuration\""),
              std::string::npos);
    EXPECT_NE(xml.find("<failure message=\"PCI EEPROM: Wort 3 &lt;falsch&gt; &amp; "
                       "&quot;anders&quot;\"/>"),
              std::string::npos);
    EXPECT_EQ(xml.find("<falsch>"), std::string::npos);
}

TEST_F(Headless, CardOptionChecksThatCardOnly) {
    registerFailingOnCardTwo();
    const std::string ini = "[Init]\nKarte=1\n[Check]\nPCIconfig=yes\n";
    HeadlessOptions options{"", "", &registry};
    options.card = 2;
    EXPECT_EQ(run(ini, options), kHeadlessCheckFailed);
    EXPECT_EQ(out.str(), "PCI Configuration: Fehler Karte 2\n");
    options.card = 1;
    EXPECT_EQ(run(ini, options), kHeadlessPassed);
    EXPECT_EQ(out.str(), "PCI Configuration: OK\n");

    // A card that is not there: said so, nothing checked, every card closed once.
    options.card = 3;
    EXPECT_EQ(run(ini, options), kHeadlessBadArguments);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("Karte 3 gibt es nicht: 2 Karten gefunden.\n"), std::string::npos)
        << err.str();
    EXPECT_EQ(closesOf(driver, 1), 3);
    EXPECT_EQ(closesOf(driver, 3), 3);
}

// The parameter file's card is refused like --card when it names no card, rather than lowered
// to the last card as the window does: the station would check another card than it was set
// up for.
TEST_F(Headless, AParameterFileCardThatIsNotThereIsRefusedNamingTheKeyAndTheRange) {
    registerFailingOnCardTwo();
    for (const char* karte : {"3", "17", "-1", "257", "0", "2x"}) {
        EXPECT_EQ(
            run("[Init]\nKarte=" + std::string(karte) + "\n[Check]\nPCIconfig=yes\n", &registry),
            kHeadlessBadArguments)
            << karte;
        EXPECT_EQ(out.str(), "") << karte;
        EXPECT_NE(err.str().find("Parameterdatei " + dir.file("KARVO7Check.INI") +
                                 ": [Init] Karte = " + karte +
                                 ": erlaubt sind 1 bis 2 (2 Karten gefunden).\n"),
                  std::string::npos)
            << err.str();
    }
    EXPECT_EQ(closesOf(driver, 1), 6);
    EXPECT_EQ(closesOf(driver, 3), 6);
    // Cards that are there, and no key at all (card 1), are checked as before.
    EXPECT_EQ(run("[Init]\nKarte=2\n[Check]\nPCIconfig=yes\n", &registry), kHeadlessCheckFailed);
    EXPECT_EQ(out.str(), "PCI Configuration: Fehler Karte 2\n");
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\n", &registry), kHeadlessPassed);
    // --card and --all-cards choose without the key.
    HeadlessOptions options{"", "", &registry};
    options.card = 1;
    EXPECT_EQ(run("[Init]\nKarte=3\n[Check]\nPCIconfig=yes\n", options), kHeadlessPassed);
}

// A parameter file the station cannot read is refused by name before any check runs.
TEST_F(Headless, AParameterFileThatCannotBeReadIsNamed) {
    registerVerdict(CheckId::PciConfiguration, "OK");
    HeadlessOptions options{"", "", &registry};
    options.parameterFile = dir.path();  // a folder
    EXPECT_EQ(run("", options), kHeadlessBadArguments);
    EXPECT_EQ(err.str().rfind("Parameterdatei " + dir.path() + " nicht lesbar: ", 0), 0u)
        << err.str();
    EXPECT_EQ(closesOf(driver, 1), 0);

    // The file beside the program, when it is none.
    options.parameterFile = "";
    std::filesystem::remove(dir.file("KARVO7Check.INI"));
    out.str("");
    err.str("");
    options.executablePath = dir.file("KARVO7Check");
    EXPECT_EQ(runHeadlessCheckAll(options, out, err), kHeadlessBadArguments);
    EXPECT_NE(
        err.str().find("Parameterdatei " + dir.file("KARVO7Check.INI") + " nicht gefunden!\n"),
        std::string::npos)
        << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(closesOf(driver, 1), 1);
}

TEST_F(Headless, AllCardsChecksEveryCardIntoASuiteOfItsOwn) {
    registerFailingOnCardTwo();
    registerVerdict(CheckId::Kennung, "OK");
    driver.setPosition(1, 1, 11);
    driver.setPosition(3, 2, 13);
    HeadlessOptions options{"", dir.file("report.xml"), &registry};
    options.allCards = true;
    // Card 2 fails, card 1 passes: the run fails.
    EXPECT_EQ(run("[Init]\nKarte=1\n[Check]\nPCIconfig=yes\nKennung=yes\n", options),
              kHeadlessCheckFailed);
    EXPECT_EQ(out.str(),
              "Karte 1:\nPCI Configuration: OK\nKennung: OK\n"
              "Karte 2:\nPCI Configuration: Fehler Karte 2\nKennung: OK\n");
    const std::string xml = readText(dir.file("report.xml"));
    const size_t one = xml.find("<testsuite name=\"Karte1\" tests=\"2\" failures=\"0\"");
    const size_t two = xml.find("<testsuite name=\"Karte2\" tests=\"2\" failures=\"1\"");
    ASSERT_NE(one, std::string::npos) << xml;
    ASSERT_NE(two, std::string::npos) << xml;
    EXPECT_LT(one, two);
    // Card 2 is device 3, at the position the driver gives it.
    EXPECT_NE(xml.find("<property name=\"bus\" value=\"2\"/>\n"
                       "      <property name=\"slot\" value=\"13\"/>",
                       two),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<testcase classname=\"Karte2.PCI Configuration\" name=\"PCI "
                       "Configuration\"",
                       two),
              std::string::npos);
    EXPECT_NE(xml.find("<failure message=\"PCI Configuration: Fehler Karte 2\"/>", two),
              std::string::npos);

    // Both pass: the run passes.
    registerVerdict(CheckId::PciConfiguration, "OK");
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\nKennung=no\n", options), kHeadlessPassed);
    EXPECT_EQ(out.str(), "Karte 1:\nPCI Configuration: OK\nKarte 2:\nPCI Configuration: OK\n");
}

TEST_F(Headless, IniOptionStartsWithAnotherParameterFile) {
    registerFailingOnCardTwo();
    writeText(dir.file("station.ini"), "[Init]\nKarte=2\n[Check]\nPCIconfig=yes\n");
    HeadlessOptions options{"", "", &registry};
    options.parameterFile = dir.file("station.ini");
    // The file beside the program chooses nothing; the other one chooses card 2.
    EXPECT_EQ(run("[Check]\nPCIconfig=no\n", options), kHeadlessCheckFailed);
    EXPECT_EQ(out.str(), "PCI Configuration: Fehler Karte 2\n");

    // A file that is not there ends the run before any card is opened.
    options.parameterFile = dir.file("fehlt.ini");
    EXPECT_EQ(run("", options), kHeadlessBadArguments);
    EXPECT_EQ(err.str(), "Parameterdatei " + dir.file("fehlt.ini") + " nicht gefunden!\n");
    EXPECT_EQ(closesOf(driver, 1), 1);
}

TEST_F(Headless, ReportNamesEachTestByCardCheckAndTest) {
    registry.registerWindow(CheckId::Test, [](Session&) { return std::make_unique<SelfTests>(); });
    const std::string report = dir.file("report.xml");
    EXPECT_EQ(run("[Check]\nTest=yes\n", &registry, report), kHeadlessCheckFailed);
    EXPECT_EQ(out.str(), "Selbsttest: \n   FIFO not empty\n   PCI-FIFO->DSP: OK\n");
    const std::string xml = readText(report);
    EXPECT_NE(xml.find("<testcase classname=\"Karte1.Selbsttest\" name=\"DSP-&gt;PCI-FIFO\""),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<failure message=\"   FIFO not empty\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<testcase classname=\"Karte1.Selbsttest\" name=\"PCI-FIFO-&gt;DSP\""),
              std::string::npos);
    EXPECT_EQ(xml.find("name=\"   "), std::string::npos) << "no name keeps the line's indent";
    EXPECT_NE(xml.find("tests=\"2\" failures=\"1\""), std::string::npos);
}

TEST_F(Headless, ACheckRefusedWithoutALineStillFailsInTheReport) {
    driver.setDevices({{1, false}, {3, true}});  // card 1 is not a KARVO7F
    registerVerdict(CheckId::PciConfiguration, "OK");
    registerVerdict(CheckId::SteuerLca, "OK");
    const std::string report = dir.file("report.xml");
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\nLCA=yes\n", &registry, report), kHeadlessCheckFailed);
    EXPECT_EQ(out.str(), "PCI Configuration: OK\n");
    EXPECT_NE(err.str().find("Steuer-LCA: Keine KARVO7F!\n"), std::string::npos);
    const std::string xml = readText(report);
    EXPECT_NE(xml.find("tests=\"2\" failures=\"1\""), std::string::npos) << xml;
    const size_t lca =
        xml.find("<testcase classname=\"Karte1.LCA-Register\" name=\"LCA-Register\"");
    ASSERT_NE(lca, std::string::npos) << xml;
    EXPECT_NE(xml.find("<failure message=\"LCA-Register: Steuer-LCA: Keine KARVO7F!\"/>\n"
                       "    </testcase>",
                       lca),
              std::string::npos)
        << "no line of the list, so no output of its own";
}

// Something the run did not foresee ends it with a message and a code of its own, never with
// an exception out of the program; the cards are closed.
TEST_F(Headless, AnUnforeseenFailureEndsTheRunWithItsOwnCode) {
    registry.registerWindow(
        CheckId::PciConfiguration,
        [](Session&) -> std::unique_ptr<CheckDialog> { throw std::bad_alloc(); });
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\n", &registry), kHeadlessInternalError);
    EXPECT_NE(err.str().find("Check All: interner Fehler: std::bad_alloc\n"), std::string::npos)
        << err.str();
    EXPECT_EQ(closesOf(driver, 1), 1);
    EXPECT_EQ(closesOf(driver, 3), 1);
}

TEST_F(Headless, AReportThatCannotBeWrittenSaysWhy) {
    registerVerdict(CheckId::PciConfiguration, "OK");
    const std::string report = dir.file("fehlt/report.xml");
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\n", &registry, report), kHeadlessCheckFailed);
    EXPECT_EQ(out.str(), "PCI Configuration: OK\n");
    EXPECT_NE(err.str().find("Bericht " + report + " konnte nicht geschrieben werden: "),
              std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("No such file or directory\n"), std::string::npos) << err.str();
}

TEST_F(Headless, ACardWhoseOpenFailsIsNamedWithTheError) {
    registerVerdict(CheckId::PciConfiguration, "OK");
    driver.failOpen(K7_ERROR_NOT_ENOUGH_MEMORY);
    HeadlessOptions options{"", "", &registry};
    options.card = 1;
    EXPECT_EQ(run("[Bus]\nKanal1=Bus 1 Slot 11\n[Check]\nPCIconfig=yes\n", options),
              kHeadlessCardNotChecked);
    EXPECT_EQ(out.str(), "Karte 1: Kanal 1 (Bus 1 Slot 11) Fehler 8 beim Öffnen\n");

    // No channel expects them: each device keeps the number it would have had and fails under
    // it, named by its device.
    EXPECT_EQ(run("[Check]\nPCIconfig=yes\n", options), kHeadlessCardNotChecked);
    EXPECT_EQ(out.str(), "Karte 1: Device 1 Fehler 8 beim Öffnen\n");
    EXPECT_NE(err.str().find("Init: Karte 2: Device 2 Fehler 8 beim Öffnen\n"), std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find("Treiber"), std::string::npos) << err.str();
}

// Simulated cards on bus 1, slots 12 and 13, as the channel table of the parameter file
// expects them; the test holds a card as another program would.
class StationCards : public ::testing::Test {
  protected:
    static constexpr const char* kChannels =
        "[Bus]\nKanal1=Bus 1 Slot 12\nKanal2=Bus 1 Slot 13\n[Check]\nPCIconfig=yes\n";

    StationCards() {
        // The check names the position of the card it ran on.
        registry.registerWindow(CheckId::PciConfiguration, [](Session& session) {
            uint32_t bus = 0;
            uint32_t slot = 0;
            uint32_t error = 0;
            KARVO7GetCardPosition(session.card(session.fields().karte), &bus, &slot, &error);
            return std::make_unique<Verdict>(formatText("Bus %u Slot %u OK", bus, slot));
        });
        writeText(dir.file("KARVO7Check.INI"), kChannels);
    }
    ~StationCards() override {
        for (KARVO7HANDLE held : holds) {
            KARVO7Close(held);
        }
    }
    void start(uint32_t cards) {
        sim = std::make_unique<k7sim::Simulator>(simtest::testConfig(cards));
        ASSERT_TRUE(sim->install());
    }
    void hold(uint32_t device) {
        holds.push_back(KARVO7Open(device));
        ASSERT_NE(holds.back(), nullptr);
    }
    int run(uint32_t card, bool allCards = false) {
        HeadlessOptions options{dir.file("KARVO7Check"), dir.file("report.xml"), &registry};
        options.card = card;
        options.allCards = allCards;
        out.str("");
        err.str("");
        return runHeadlessCheckAll(options, out, err);
    }
    std::string report() const { return readText(dir.file("report.xml")); }

    k7test::VirtualClock clock;
    std::unique_ptr<k7sim::Simulator> sim;
    std::vector<KARVO7HANDLE> holds;
    TempDir dir;
    CheckRegistry registry;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(StationCards, ACardInUseFailsUnderItsOwnNumberAndTheOthersKeepTheirs) {
    start(2);
    hold(1);
    const std::string busy = "Karte 1: Kanal 1 (Bus 1 Slot 12) in Benutzung";
    EXPECT_EQ(run(0, true), kHeadlessCardNotChecked);
    EXPECT_EQ(out.str(), "Karte 1:\n" + busy + "\nKarte 2:\nPCI Configuration: Bus 1 Slot 13 OK\n");
    EXPECT_NE(err.str().find("Init: " + busy + "\n"), std::string::npos) << err.str();
    const std::string xml = report();
    const size_t one = xml.find("<testsuite name=\"Karte1\" tests=\"1\" failures=\"1\"");
    ASSERT_NE(one, std::string::npos) << xml;
    EXPECT_NE(xml.find("<property name=\"bus\" value=\"1\"/>\n"
                       "      <property name=\"slot\" value=\"12\"/>",
                       one),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<testcase classname=\"Karte1.Karte\" name=\"Karte\"", one),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<failure message=\"" + busy + "\"/>", one), std::string::npos);
    EXPECT_NE(xml.find("<testsuite name=\"Karte2\" tests=\"1\" failures=\"0\""), std::string::npos)
        << xml;

    // Asked for by number: the busy card is named, the other one is checked as card 2.
    EXPECT_EQ(run(1), kHeadlessCardNotChecked);
    EXPECT_EQ(out.str(), busy + "\n");
    EXPECT_EQ(run(2), kHeadlessPassed);
    EXPECT_EQ(out.str(), "PCI Configuration: Bus 1 Slot 13 OK\n");

    // Both in use: still no "no driver", each card named.
    hold(2);
    EXPECT_EQ(run(0, true), kHeadlessCardNotChecked);
    EXPECT_EQ(out.str(),
              "Karte 1:\n" + busy + "\nKarte 2:\nKarte 2: Kanal 2 (Bus 1 Slot 13) in Benutzung\n");
    EXPECT_EQ(err.str().find("Treiber"), std::string::npos) << err.str();

    // Free again: both checked under their numbers.
    for (KARVO7HANDLE held : holds) {
        KARVO7Close(held);
    }
    holds.clear();
    EXPECT_EQ(run(0, true), kHeadlessPassed);
    EXPECT_EQ(out.str(),
              "Karte 1:\nPCI Configuration: Bus 1 Slot 12 OK\n"
              "Karte 2:\nPCI Configuration: Bus 1 Slot 13 OK\n");
}

TEST_F(StationCards, ACardThatIsNotThereIsNamedToo) {
    start(1);
    EXPECT_EQ(run(0, true), kHeadlessCardNotChecked);
    EXPECT_EQ(out.str(),
              "Karte 1:\nPCI Configuration: Bus 1 Slot 12 OK\n"
              "Karte 2:\nKarte 2: Kanal 2 (Bus 1 Slot 13) nicht gefunden\n");
    EXPECT_EQ(run(1), kHeadlessPassed);

    // Without a channel table nothing is expected: the one card is all there is.
    writeText(dir.file("KARVO7Check.INI"), "[Check]\nPCIconfig=yes\n");
    EXPECT_EQ(run(0, true), kHeadlessPassed);
    EXPECT_EQ(out.str(), "Karte 1:\nPCI Configuration: Bus 1 Slot 12 OK\n");
}

// Without a channel table a busy card keeps its number too: the next card is not checked in
// its place, and the busy one fails the station.
TEST_F(StationCards, WithoutAChannelTableABusyCardKeepsItsNumberAndFailsTheStation) {
    writeText(dir.file("KARVO7Check.INI"), "[Check]\nPCIconfig=yes\n");
    start(3);
    hold(2);
    const std::string busy = "Karte 2: Device 2 in Benutzung";
    EXPECT_EQ(run(0, true), kHeadlessCardNotChecked);
    EXPECT_EQ(out.str(), "Karte 1:\nPCI Configuration: Bus 1 Slot 12 OK\nKarte 2:\n" + busy +
                             "\nKarte 3:\nPCI Configuration: Bus 1 Slot 14 OK\n");
    EXPECT_NE(err.str().find("Init: " + busy + "\n"), std::string::npos) << err.str();
    const std::string xml = report();
    const size_t two = xml.find("<testsuite name=\"Karte2\" tests=\"1\" failures=\"1\"");
    ASSERT_NE(two, std::string::npos) << xml;
    EXPECT_NE(xml.find("<failure message=\"" + busy + "\"/>", two), std::string::npos) << xml;
    // The busy card asked for: named; the card behind it keeps its number.
    EXPECT_EQ(run(2), kHeadlessCardNotChecked);
    EXPECT_EQ(out.str(), busy + "\n");
    EXPECT_EQ(run(3), kHeadlessPassed);
    EXPECT_EQ(out.str(), "PCI Configuration: Bus 1 Slot 14 OK\n");

    // The first card busy: card 1, the parameter file's default, is that one.
    for (KARVO7HANDLE held : holds) {
        KARVO7Close(held);
    }
    holds.clear();
    hold(1);
    EXPECT_EQ(run(0), kHeadlessCardNotChecked);
    EXPECT_EQ(out.str(), "Karte 1: Device 1 in Benutzung\n");
}

TEST_F(StationCards, TheWindowNamesABusyCardAtStartUpAndWhenItIsChosen) {
    start(2);
    hold(1);
    ScriptedDesktop desktop(dir.file("KARVO7Check"), false);
    KARVO7CheckDlg window(desktop, registry);
    ASSERT_TRUE(window.onInit());
    const std::string busy = "Karte 1: Kanal 1 (Bus 1 Slot 12) in Benutzung";
    EXPECT_EQ(desktop.messageLines(),
              (std::vector<std::string>{"KARVO7Open: 1 Karten -> 2 Devices", "Init: " + busy}));
    EXPECT_EQ(window.cardCount(), 2u);
    EXPECT_EQ(window.fields().karteLabel, "von 2 Karten");
    EXPECT_EQ(window.card(1), nullptr);
    window.session().selectCard(1);
    EXPECT_FALSE(window.onCheckButton(CheckId::PciConfiguration));
    EXPECT_EQ(desktop.messageLines().back(), "PCI Configuration: " + busy);
    window.session().selectCard(2);
    EXPECT_TRUE(window.onCheckButton(CheckId::PciConfiguration));
    EXPECT_EQ(window.fields().resultLines.back(), "PCI Configuration: Bus 1 Slot 13 OK");

    // Once the other program has let it go, the card is there when it is chosen again, under
    // its own number and without a restart.
    for (KARVO7HANDLE held : holds) {
        KARVO7Close(held);
    }
    holds.clear();
    window.session().selectCard(1);
    EXPECT_TRUE(window.onCheckButton(CheckId::PciConfiguration));
    EXPECT_EQ(window.fields().resultLines.back(), "PCI Configuration: Bus 1 Slot 12 OK");
    EXPECT_NE(window.card(1), nullptr);
    EXPECT_TRUE(window.session().missingCards().empty());
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

TEST(JUnitReport, LinesOfACheckWithoutTestNamesAreNamedByTheirTextAndNeverTwice) {
    const std::string xml = junitReport({{"Blockmessung Kanal 1: OK", 1, 0, "Blockmessung"},
                                         {"Blockmessung Kanal 1: OK", 1, 0, "Blockmessung"},
                                         {"Einzelmessung Kanal 1: GetData Error", 2, 0, ""}});
    EXPECT_NE(xml.find("classname=\"Karte1.Blockmessung\" name=\"Blockmessung Kanal 1\""),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("classname=\"Karte1.Blockmessung\" name=\"Blockmessung Kanal 1 #2\""),
              std::string::npos);
    // A card's only line of a check is named after the check.
    EXPECT_NE(xml.find("classname=\"Karte2.Einzelmessung Kanal 1\" name=\"Einzelmessung Kanal "
                       "1\""),
              std::string::npos);
    EXPECT_NE(xml.find("<testsuite name=\"Karte2\" tests=\"1\" failures=\"1\""), std::string::npos);
}

}  // namespace
