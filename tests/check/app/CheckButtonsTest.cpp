// The check buttons: window or automatic check, result lines and their prefixes, KARVO7F-only
// buttons, the guards on the selected card and set, "Clear List" and "Check All".
#include <gtest/gtest.h>

#include "CheckTestSupport.h"

using namespace k7check;
using namespace k7checktest;

namespace {

// A check window whose automatic check gives the verdicts it is told, one per run.
class FakeCheck : public CheckDialog {
  public:
    FakeCheck(std::vector<std::string>& log, std::string verdict, bool passes)
        : CheckDialog("FakeCheckDlg", "Fake"),
          log_(log),
          verdict_(std::move(verdict)),
          passes_(passes) {}
    bool automaticCheck(std::string& resultText) override {
        log_.push_back("check " + verdict_);
        resultText = verdict_;
        return passes_;
    }
    void afterModal(Session& main) override {
        (void)main;
        log_.push_back("after modal");
    }

  private:
    std::vector<std::string>& log_;
    std::string verdict_;
    bool passes_;
};

// A window without an automatic check of its own.
class PlainCheck : public CheckDialog {
  public:
    PlainCheck() : CheckDialog("PlainDlg", "Plain") {}
};

// A window that writes several lines, as the self tests do.
class MultiLineCheck : public CheckDialog {
  public:
    explicit MultiLineCheck(int tests)
        : CheckDialog("SelbsttestDlg", "Selbsttest"), tests_(tests) {}
    bool runAutomatic(const std::string& prefix, std::string& resultText,
                      ResultSink& results) override {
        results.appendResult(prefix);
        for (int t = 0; t < tests_; ++t) {
            resultText = "Test " + std::to_string(t) + " OK";
            results.appendResult("   " + resultText);
        }
        return true;
    }

  private:
    int tests_;
};

class CheckButtons : public MainWindowFixture, public ::testing::Test {
  protected:
    void registerFake(CheckId id, std::string verdict, bool passes = true) {
        registry.registerWindow(id, [this, verdict, passes](Session&) {
            return std::make_unique<FakeCheck>(log, verdict, passes);
        });
    }
    bool startWithAutomatic(std::initializer_list<CheckId> on) {
        if (!start(registry)) {
            return false;
        }
        window->session().settings().automatic.fill(false);
        for (CheckId id : on) {
            window->session().settings().automatic[index(id)] = true;
        }
        return true;
    }

    CheckRegistry registry;
    std::vector<std::string> log;
};

TEST_F(CheckButtons, AutomaticBoxWritesALineClearedBoxOpensTheWindow) {
    registerFake(CheckId::PciConfiguration, "OK");
    registerFake(CheckId::PciOperation, "Register 0x3C falsch");
    ASSERT_TRUE(startWithAutomatic({CheckId::PciConfiguration}));

    EXPECT_TRUE(window->onCheckButton(CheckId::PciConfiguration));
    EXPECT_EQ(window->fields().resultLines, std::vector<std::string>{"PCI Configuration: OK"});
    EXPECT_TRUE(desktop.windows().empty());

    EXPECT_TRUE(window->onCheckButton(CheckId::PciOperation));
    EXPECT_EQ(desktop.windows(), std::vector<std::string>{"FakeCheckDlg"});
    EXPECT_EQ(window->fields().resultLines.size(), 1u);
    EXPECT_EQ(log, (std::vector<std::string>{"check OK", "after modal"}));
}

TEST_F(CheckButtons, EachLineCarriesItsOwnVerdictAndTheLastIsSelected) {
    registerFake(CheckId::PciConfiguration, "OK");
    registerFake(CheckId::PciOperation, "Register 0x3C falsch", false);
    ASSERT_TRUE(startWithAutomatic({CheckId::PciConfiguration, CheckId::PciOperation}));
    EXPECT_TRUE(window->onCheckButton(CheckId::PciConfiguration));
    EXPECT_EQ(window->fields().resultSelection, 0);
    EXPECT_FALSE(window->onCheckButton(CheckId::PciOperation));
    EXPECT_EQ(
        window->fields().resultLines,
        (std::vector<std::string>{"PCI Configuration: OK", "PCI Operation: Register 0x3C falsch"}));
    EXPECT_EQ(window->fields().resultSelection, 1);
    EXPECT_EQ(window->session().resultText(), "Register 0x3C falsch");

    window->onClearList();
    EXPECT_TRUE(window->fields().resultLines.empty());
    EXPECT_EQ(window->fields().resultSelection, -1);
    EXPECT_TRUE(window->onCheckButton(CheckId::PciConfiguration));
    EXPECT_EQ(window->fields().resultLines, std::vector<std::string>{"PCI Configuration: OK"});
}

TEST_F(CheckButtons, AWindowWithoutACheckRepeatsTheLastVerdict) {
    registerFake(CheckId::PciEeprom, "OK");
    registry.registerWindow(CheckId::Kennung,
                            [](Session&) { return std::make_unique<PlainCheck>(); });
    ASSERT_TRUE(startWithAutomatic({CheckId::PciEeprom, CheckId::Kennung}));
    EXPECT_TRUE(window->onCheckButton(CheckId::Kennung));
    EXPECT_TRUE(window->onCheckButton(CheckId::PciEeprom));
    EXPECT_TRUE(window->onCheckButton(CheckId::Kennung));
    EXPECT_EQ(window->fields().resultLines,
              (std::vector<std::string>{"Kennung: Kein Fehler", "PCI EEPROM: OK", "Kennung: OK"}));
}

TEST_F(CheckButtons, SeveralLinesFromOneCheck) {
    registry.registerWindow(CheckId::Test,
                            [](Session&) { return std::make_unique<MultiLineCheck>(0); });
    ASSERT_TRUE(startWithAutomatic({CheckId::Test}));
    window->onCheckButton(CheckId::Test);
    EXPECT_EQ(window->fields().resultLines, std::vector<std::string>{"Selbsttest: "});
}

TEST_F(CheckButtons, KarvoFOnlyButtonsRefuseOlderCards) {
    cards({{1, false}});
    registerFake(CheckId::SteuerLca, "OK");
    ASSERT_TRUE(startWithAutomatic({CheckId::SteuerLca}));
    window->onHotPlug();
    ASSERT_FALSE(window->session().operatingVoltage());
    EXPECT_FALSE(window->onCheckButton(CheckId::SteuerLca));
    EXPECT_EQ(desktop.messageLines(), std::vector<std::string>{"Steuer-LCA: Keine KARVO7F!"});
    EXPECT_TRUE(desktop.windows().empty());
    EXPECT_TRUE(window->fields().resultLines.empty());
    EXPECT_FALSE(window->session().operatingVoltage());
    EXPECT_TRUE(log.empty());
}

TEST_F(CheckButtons, APressSwitchesTheOperatingVoltageOn) {
    registerFake(CheckId::Command, "OK");
    ASSERT_TRUE(startWithAutomatic({}));
    window->onHotPlug();
    EXPECT_FALSE(window->session().operatingVoltage());
    EXPECT_EQ(desktop.repaints(), 1);
    window->onCheckButton(CheckId::Command);
    EXPECT_TRUE(window->session().operatingVoltage());
}

TEST_F(CheckButtons, WindowsWithoutAnAutomaticCheckDoNothingInAutomaticMode) {
    registerFake(CheckId::DatenLca, "OK");
    registerFake(CheckId::Blenden, "OK");
    ASSERT_TRUE(startWithAutomatic({CheckId::DatenLca, CheckId::Blenden}));
    EXPECT_TRUE(window->onCheckButton(CheckId::DatenLca));
    EXPECT_TRUE(window->onCheckButton(CheckId::Blenden));
    EXPECT_TRUE(desktop.windows().empty());
    EXPECT_TRUE(window->fields().resultLines.empty());
    EXPECT_TRUE(log.empty());
}

TEST_F(CheckButtons, ACardNumberOutsideTheCardsIsRefusedAndKept) {
    cards({{1, true}, {2, true}});
    registerFake(CheckId::PciConfiguration, "OK");
    ASSERT_TRUE(startWithAutomatic({CheckId::PciConfiguration}));
    for (uint32_t karte : {0u, 3u, 4000000000u}) {
        desktop.clear();
        window->session().selectCard(karte);
        EXPECT_FALSE(window->onCheckButton(CheckId::PciConfiguration));
        EXPECT_EQ(desktop.messageLines(),
                  std::vector<std::string>{"PCI Configuration: Ungültige Kartennummer " +
                                           std::to_string(karte) + " (1 bis 2)!"});
        EXPECT_EQ(window->fields().karte, karte);
    }
    EXPECT_TRUE(window->fields().resultLines.empty());
    EXPECT_TRUE(log.empty());
}

TEST_F(CheckButtons, ALineOfAnotherCardThanTheLineAboveFollowsItsCardsHeading) {
    cards({{1, true}, {2, true}});
    registerFake(CheckId::PciConfiguration, "OK");
    ASSERT_TRUE(startWithAutomatic({CheckId::PciConfiguration}));
    for (uint32_t karte : {1u, 2u, 2u, 1u}) {
        window->session().selectCard(karte);
        EXPECT_TRUE(window->onCheckButton(CheckId::PciConfiguration));
    }
    EXPECT_EQ(
        window->fields().resultLines,
        (std::vector<std::string>{"PCI Configuration: OK", "Karte 2:", "PCI Configuration: OK",
                                  "PCI Configuration: OK", "Karte 1:", "PCI Configuration: OK"}));
    // An emptied list starts without a heading.
    window->session().selectCard(2);
    window->onCommand("clearListButton");
    window->onCheckButton(CheckId::PciConfiguration);
    EXPECT_EQ(window->fields().resultLines, std::vector<std::string>{"PCI Configuration: OK"});
}

TEST_F(CheckButtons, AWindowThatNeedsTheSelectedSetRefusesASetAboveSeven) {
    registry.registerWindow(CheckId::Command, [](Session& main) {
        std::unique_ptr<CheckDialog> dialog;
        if (main.selectedSet("Command") != nullptr) {
            dialog = std::make_unique<PlainCheck>();
        }
        return dialog;
    });
    ASSERT_TRUE(startWithAutomatic({}));
    window->session().selectSet(8);
    EXPECT_FALSE(window->onCheckButton(CheckId::Command));
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Command: Ungültiger Parametersatz 8 (0 bis 7)!"});
    EXPECT_TRUE(desktop.windows().empty());
    window->session().selectSet(7);
    EXPECT_TRUE(window->onCheckButton(CheckId::Command));
    EXPECT_EQ(desktop.windows(), std::vector<std::string>{"PlainDlg"});
}

TEST_F(CheckButtons, ButtonsWithoutAWindowAreUnavailable) {
    registerFake(CheckId::Dsp, "OK");
    EXPECT_TRUE(registry.available(CheckId::Dsp));
    EXPECT_FALSE(registry.available(CheckId::Kennung));
    ASSERT_TRUE(startWithAutomatic({CheckId::Kennung}));
    EXPECT_FALSE(window->onCheckButton(CheckId::Kennung));
    EXPECT_TRUE(window->fields().resultLines.empty());
    EXPECT_TRUE(desktop.windows().empty());
}

TEST_F(CheckButtons, CheckAllRunsEveryAutomaticCheckInButtonOrder) {
    registerFake(CheckId::Command, "OK");
    registerFake(CheckId::PciConfiguration, "OK");
    registerFake(CheckId::PciEeprom, "Wort 3 falsch", false);
    registerFake(CheckId::Dsp, "OK");
    registry.registerWindow(CheckId::Test,
                            [](Session&) { return std::make_unique<MultiLineCheck>(2); });
    bool pressedAutomatic = false;
    registry.registerPress(CheckId::Blockmessung, [&](Session& main, bool automatic) {
        pressedAutomatic = automatic;
        main.appendResult("Blockmessung Kanal 1: OK");
        return true;
    });
    ASSERT_TRUE(startWithAutomatic({CheckId::Command, CheckId::PciConfiguration, CheckId::PciEeprom,
                                    CheckId::Test, CheckId::Blockmessung, CheckId::Kennung}));
    const CheckAllOutcome outcome = window->onCheckAll();
    EXPECT_FALSE(outcome.passed);
    EXPECT_EQ(outcome.ran, 5);
    EXPECT_EQ(window->fields().resultLines,
              (std::vector<std::string>{"PCI Configuration: OK", "PCI EEPROM: Wort 3 falsch",
                                        "Selbsttest: ", "   Test 0 OK", "   Test 1 OK",
                                        "Command: OK", "Blockmessung Kanal 1: OK"}));
    EXPECT_TRUE(pressedAutomatic);
    EXPECT_EQ(window->fields().resultSelection, 6);
    EXPECT_TRUE(desktop.windows().empty());  // DSP's box is off: skipped, no window
    EXPECT_TRUE(desktop.messages().empty());
}

TEST_F(CheckButtons, CheckAllOnAnInvalidCardRunsNothing) {
    registerFake(CheckId::PciConfiguration, "OK");
    ASSERT_TRUE(startWithAutomatic({CheckId::PciConfiguration}));
    window->session().selectCard(0);
    const CheckAllOutcome outcome = window->onCheckAll();
    EXPECT_FALSE(outcome.passed);
    EXPECT_EQ(outcome.ran, 0);
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Check All: Ungültige Kartennummer 0 (1 bis 1)!"});
    EXPECT_TRUE(window->fields().resultLines.empty());
}

TEST_F(CheckButtons, CheckAllWithNothingChosenSaysSo) {
    registerFake(CheckId::PciConfiguration, "OK");
    registry.registerWindow(CheckId::Blenden,
                            [](Session&) { return std::make_unique<PlainCheck>(); });
    // No box set, or only the box of a button whose automatic mode checks nothing.
    for (const auto& boxes : {std::vector<CheckId>{}, std::vector<CheckId>{CheckId::Blenden}}) {
        ASSERT_TRUE(start(registry));
        window->session().settings().automatic.fill(false);
        for (const CheckId id : boxes) {
            window->session().settings().automatic[index(id)] = true;
        }
        desktop.clear();
        const CheckAllOutcome outcome = window->onCheckAll();
        EXPECT_EQ(outcome.ran, 0);
        EXPECT_EQ(desktop.messageLines(),
                  std::vector<std::string>{
                      "Check All: Keine Prüfung ausgewählt: kein automatisches Kästchen gesetzt!"});
        EXPECT_TRUE(window->fields().resultLines.empty());
    }
    // A box set beside a check that is not built.
    ASSERT_TRUE(startWithAutomatic({CheckId::Kennung}));
    desktop.clear();
    EXPECT_EQ(window->onCheckAll().ran, 0);
    EXPECT_EQ(
        desktop.messageLines(),
        std::vector<std::string>{"Check All: Keine der ausgewählten Prüfungen ist verfügbar!"});
}

TEST_F(CheckButtons, EveryLineRemembersItsCardCheckAndTest) {
    registerFake(CheckId::PciOperation, "OK");
    registry.registerWindow(CheckId::Test, [](Session&) {
        struct Named : PlainCheck {
            bool runAutomatic(const std::string& prefix, std::string&,
                              ResultSink& results) override {
                results.appendResult(prefix);
                results.appendTestResult("DSP->PCI-FIFO", "   FIFO not empty");
                return false;
            }
        };
        return std::make_unique<Named>();
    });
    ASSERT_TRUE(startWithAutomatic({CheckId::PciOperation, CheckId::Test}));
    window->onCheckAll();
    window->session().appendResult("Datenrate");  // outside any check
    const auto& origins = window->session().resultOrigins();
    ASSERT_EQ(origins.size(), 4u);
    EXPECT_EQ(origins[0].check, "PCI Operation");
    EXPECT_EQ(origins[0].test, "");
    EXPECT_EQ(origins[1].check, "Selbsttest");
    EXPECT_EQ(origins[2].check, "Selbsttest");
    EXPECT_EQ(origins[2].test, "DSP->PCI-FIFO");
    EXPECT_EQ(origins[2].card, 1u);
    EXPECT_EQ(origins[3].check, "");
}

TEST_F(CheckButtons, AWindowCanSendTheIdentificationsAgainAfterItClosed) {
    registry.registerWindow(CheckId::Dsp, [](Session&) {
        struct Dsp : PlainCheck {
            void afterModal(Session& main) override { main.resendVirma4Identifications(1); }
        };
        return std::make_unique<Dsp>();
    });
    ASSERT_TRUE(startWithAutomatic({}));
    driver.clearRecords();
    window->onCheckButton(CheckId::Dsp);
    EXPECT_EQ(identificationsTo(driver, 1).size(), 8u);
    EXPECT_EQ(identificationsTo(driver, 1)[7], (std::pair<uint32_t, int16_t>{7, -17}));

    window->session().setVirma4Mode(false);
    driver.clearRecords();
    window->onCheckButton(CheckId::Dsp);
    EXPECT_TRUE(identificationsTo(driver, 1).empty());
}

TEST(CheckButtonTable, CaptionsLabelsAndKeysInButtonOrder) {
    const auto& buttons = checkButtons();
    ASSERT_EQ(buttons.size(), kCheckCount);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(index(buttons[i].id), i);
    }
    EXPECT_STREQ(checkButton(CheckId::PciOperation).caption, "PCI  Operation");
    EXPECT_STREQ(checkButton(CheckId::Command).label, "Kommandos ausführen");
    EXPECT_STREQ(checkButton(CheckId::SteuerLca).automaticKey, "LCA");
    EXPECT_STREQ(checkButton(CheckId::SteuerLca).prefix, "LCA-Register: ");
    EXPECT_STREQ(checkButton(CheckId::ParameterShot).automaticKey, "Einzelmessung");
    EXPECT_TRUE(checkButton(CheckId::Blenden).needsKarvo7F);
    EXPECT_FALSE(checkButton(CheckId::Dsp).needsKarvo7F);
}

}  // namespace
