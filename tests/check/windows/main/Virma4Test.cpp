// The VIRMA4 window and the main window's three outcomes of it: mode off, one identification,
// renumbering every card.
#include <gtest/gtest.h>

#include "CheckTestSupport.h"
#include "windows/main/VIRMA4Dlg.h"

using namespace k7check;
using namespace k7checktest;

namespace {

using Ids = std::vector<std::pair<uint32_t, int16_t>>;

// Enters `number` into the window's edit and presses OK.
ScriptedDesktop::ModalHandler enter(int32_t number, std::vector<int32_t>* shown = nullptr) {
    return [number, shown](Dialog& dialog) {
        auto& window = dynamic_cast<VIRMA4Dlg&>(dialog);
        if (shown != nullptr) {
            shown->push_back(window.kennung);
        }
        window.kennung = number;
        window.onOk();
        return kIdCancel;
    };
}

TEST(Virma4Window, ShowsAndStoresTheNegatedIdentification) {
    ScriptedDesktop desktop;
    std::vector<int32_t> shown;
    int16_t stored = -21;
    desktop.answerModal(enter(35, &shown));
    {
        VIRMA4Dlg dialog(desktop, stored);
        EXPECT_EQ(desktop.runModal(dialog), kIdOk);
    }
    EXPECT_EQ(shown, std::vector<int32_t>{21});
    EXPECT_EQ(stored, -35);

    stored = 0;
    desktop.answerModal(enter(0, &shown));
    VIRMA4Dlg zero(desktop, stored);
    EXPECT_EQ(desktop.runModal(zero), kIdOk);
    EXPECT_EQ(shown.back(), 0);
    EXPECT_EQ(stored, 0);

    desktop.answerModal(enter(-32768, &shown));
    VIRMA4Dlg lowest(desktop, stored);
    EXPECT_EQ(desktop.runModal(lowest), kIdOk);
    EXPECT_EQ(stored, -32768);
    desktop.answerModal(enter(5, &shown));
    VIRMA4Dlg again(desktop, stored);
    desktop.runModal(again);
    EXPECT_EQ(shown.back(), -32768);  // 16-bit negation of -32768
}

TEST(Virma4Window, CancelAndNumbersBeyondSixteenBitsLeaveTheIdentification) {
    ScriptedDesktop desktop;
    int16_t stored = -21;
    VIRMA4Dlg cancelled(desktop, stored);
    EXPECT_EQ(desktop.runModal(cancelled), kIdCancel);  // unscripted: Cancel
    EXPECT_EQ(stored, -21);

    VIRMA4Dlg tooBig(desktop, stored);
    tooBig.onInit();
    tooBig.kennung = 40000;
    tooBig.onOk();
    EXPECT_FALSE(tooBig.ended());
    EXPECT_EQ(stored, -21);
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{
                  "VIRMA4: Ungültiger Wert in \"Kennung\": erlaubt sind ganze Zahlen "
                  "von -32768 bis 32767."});
    tooBig.kennung = 32767;
    tooBig.onOk();
    EXPECT_TRUE(tooBig.ended());
    EXPECT_EQ(stored, -32767);
}

class Virma4 : public MainWindowFixture, public ::testing::Test {};

TEST_F(Virma4, BelowMinus999RenumbersEveryCardAndSet) {
    cards({{1, true}, {2, true}});
    ASSERT_TRUE(start());
    window->session().selectCard(1);
    window->session().selectSet(0);
    driver.clearRecords();
    desktop.answerModal(enter(1234));  // stored as -1234
    window->onVirma4();
    EXPECT_EQ(desktop.windows(), std::vector<std::string>{"VIRMA4Dlg"});
    EXPECT_TRUE(window->session().virma4Mode());
    EXPECT_EQ(window->session().virma4Id(2, 3), -1223);
    Ids card2;
    for (uint32_t s = 0; s < 8; ++s) {
        card2.emplace_back(s, static_cast<int16_t>(-1220 - static_cast<int32_t>(s)));
    }
    EXPECT_EQ(identificationsTo(driver, 2), card2);
    EXPECT_EQ(identificationsTo(driver, 1).front(), (std::pair<uint32_t, int16_t>{0, -1210}));
}

TEST_F(Virma4, ZeroSwitchesTheModeOffOnCardsUpToTheSelectedOne) {
    cards({{1, true}, {2, true}, {3, true}});
    ASSERT_TRUE(start());
    window->session().selectCard(2);
    window->session().selectSet(4);
    driver.clearRecords();
    desktop.answerModal(enter(0));
    window->onVirma4();
    EXPECT_FALSE(window->session().virma4Mode());
    EXPECT_EQ(window->session().virma4Id(2, 4), 0);
    EXPECT_EQ(identificationsTo(driver, 1), (Ids{{0, 0}}));
    EXPECT_EQ(identificationsTo(driver, 2), (Ids{{0, 0}}));
    EXPECT_TRUE(identificationsTo(driver, 3).empty());
}

TEST_F(Virma4, AnyOtherValueSetsOnlyTheSelectedCardAndSet) {
    cards({{1, true}, {2, true}});
    parameterFile("[Init]\nVIRMA4=no\n");
    ASSERT_TRUE(start());
    window->session().selectCard(2);
    window->session().selectSet(6);
    driver.clearRecords();
    std::vector<int32_t> shown;
    desktop.answerModal(enter(999, &shown));
    window->onVirma4();
    EXPECT_EQ(shown, std::vector<int32_t>{26});
    EXPECT_TRUE(window->session().virma4Mode());
    EXPECT_EQ(window->session().virma4Id(2, 6), -999);
    EXPECT_EQ(window->session().virma4Id(2, 5), -25);
    EXPECT_EQ(identificationsTo(driver, 2), (Ids{{6, -999}}));
    EXPECT_TRUE(identificationsTo(driver, 1).empty());
}

TEST_F(Virma4, CancelChangesNothing) {
    ASSERT_TRUE(start());
    driver.clearRecords();
    window->session().selectSet(2);
    window->onVirma4();  // unscripted window: Cancel
    EXPECT_EQ(desktop.windows(), std::vector<std::string>{"VIRMA4Dlg"});
    EXPECT_TRUE(driver.commandBlocks().empty());
    EXPECT_EQ(window->session().virma4Id(1, 2), -12);
}

TEST_F(Virma4, RefusedOnACardThatIsNoKarvo7F) {
    cards({{1, true}, {2, false}});
    ASSERT_TRUE(start());
    window->session().selectCard(2);
    window->onVirma4();
    EXPECT_EQ(desktop.messageLines(), std::vector<std::string>{"VIRMA4: Keine KARVO7F!"});
    EXPECT_TRUE(desktop.windows().empty());
}

TEST_F(Virma4, RefusesInvalidCardAndSetNumbers) {
    ASSERT_TRUE(start());
    window->session().selectCard(2);
    window->onVirma4();
    window->session().selectCard(1);
    window->session().selectSet(8);
    window->onVirma4();
    EXPECT_EQ(desktop.messageLines(),
              (std::vector<std::string>{"VIRMA4: Ungültige Kartennummer 2 (1 bis 1)!",
                                        "VIRMA4: Ungültiger Parametersatz 8 (0 bis 7)!"}));
    EXPECT_TRUE(desktop.windows().empty());
    EXPECT_EQ(window->fields().parametersatz, 8u);
}

TEST_F(Virma4, ARenumberingBeyondSixteenBitsIsRefused) {
    std::map<uint32_t, bool> devices;
    for (uint32_t d = 1; d <= 7; ++d) {
        devices[d] = true;
    }
    cards(devices);
    ASSERT_TRUE(start());
    window->session().selectSet(0);
    driver.clearRecords();
    // -32700 - (10 * 7 + 7) does not fit 16 bits.
    desktop.answerModal(enter(32700));
    window->onVirma4();
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"VIRMA4: Kennung 32700 ist zu groß für 7 Karten!"});
    EXPECT_TRUE(driver.commandBlocks().empty());
    EXPECT_EQ(window->session().virma4Id(7, 7), -77);

    // With 6 cards the lowest, -32700 - 67, still fits.
    destroy();
    devices.erase(7);
    cards(devices);
    ASSERT_TRUE(start());
    window->session().selectSet(0);
    desktop.answerModal(enter(32700));
    window->onVirma4();
    EXPECT_EQ(window->session().virma4Id(6, 7), -32767);
}

}  // namespace
