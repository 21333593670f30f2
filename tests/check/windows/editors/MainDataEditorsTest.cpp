// "Random Limits", "Busbelegung" and "automatische Messung", and the main window's buttons that
// open the set editors.
#include <gtest/gtest.h>

#include "CheckTestSupport.h"
#include "desktop/scripted/ScriptedDesktop.h"
#include "paramfile/ParameterKeys.h"
#include "windows/editors/BlockmessungDlg.h"
#include "windows/editors/BusbelegungDlg.h"
#include "windows/editors/RandomLimitsDlg.h"

using namespace k7check;
using namespace k7checktest;

namespace {

TEST(RandomLimits, OkTakesBothColumnsEscapeNothing) {
    ScriptedDesktop desktop;
    RandomLimits limits = defaultRandomLimits();
    const RandomLimits before = limits;
    desktop.answerModal([&](Dialog& dialog) {
        ScriptedControls& c = *desktop.controlsOf(dialog);
        EXPECT_EQ(c.text("aufnahmeMinEdit"), "16");
        EXPECT_EQ(c.text("aufnahmeMaxEdit"), "16000");
        EXPECT_EQ(c.text("breite4MaxEdit"), "2000");
        c.type("verstaerkungMaxEdit", "500");
        dialog.onCancel();
        return kIdCancel;
    });
    {
        RandomLimitsDlg window(desktop, limits);
        EXPECT_EQ(desktop.runModal(window), kIdCancel);
    }
    EXPECT_EQ(limits.upper.verstaerkung, before.upper.verstaerkung);

    desktop.answerModal([&](Dialog& dialog) {
        ScriptedControls& c = *desktop.controlsOf(dialog);
        c.type("verstaerkungMaxEdit", "500");
        c.type("anfang2MinEdit", "-5");
        c.type("filterMinEdit", "4");  // above its maximum of 3
        dialog.onOk();
        EXPECT_FALSE(dialog.ended());
        c.type("filterMinEdit", "2");
        dialog.onOk();
        return kIdCancel;
    });
    {
        RandomLimitsDlg window(desktop, limits);
        EXPECT_EQ(desktop.runModal(window), kIdOk);
    }
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Random Limits: \"Filter\": Minimum größer als Maximum!"});
    EXPECT_EQ(limits.upper.verstaerkung, 500);
    EXPECT_EQ(limits.lower.gates[2].anfang, -5);
    EXPECT_EQ(limits.lower.filter, 2);
}

TEST(RandomLimits, AnEntryBeyondItsSetFieldIsRefusedAndNoLimitChanges) {
    ScriptedDesktop desktop;
    RandomLimits limits;
    const RandomLimits before = limits;
    desktop.answerModal([&](Dialog& dialog) {
        ScriptedControls& c = *desktop.controlsOf(dialog);
        c.type("verstaerkungMaxEdit", "500");  // a good entry: not taken either
        for (const char* typed : {"-1", "8", "1,5", "x"}) {
            c.type("filterMinEdit", typed);
            dialog.onOk();
            EXPECT_FALSE(dialog.ended()) << typed;
        }
        return kIdCancel;
    });
    {
        RandomLimitsDlg window(desktop, limits);
        EXPECT_EQ(desktop.runModal(window), kIdCancel);
    }
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>(4,
                                       "Random Limits: Ungültiger Wert in \"Filter Minimum\": "
                                       "erlaubt sind ganze Zahlen von 0 bis 7."));
    EXPECT_EQ(limits.upper.verstaerkung, before.upper.verstaerkung);
    EXPECT_EQ(limits.lower.filter, before.lower.filter);
}

TEST(Busbelegung, ListsAssignedChannelsUpToTheFirstFreeOne) {
    std::array<Channel, kMaxCards> channels{};
    channels[0] = {1, 1, 3, "KARVO7F Rev. B"};
    channels[1] = {2, 1, 4, ""};
    channels[3] = {0, 2, 5, ""};
    EXPECT_EQ(BusbelegungDlg::linesOf(channels),
              (std::vector<std::string>{"Kanal  1  (Bus 1  Slot 3)  Karte 1   KARVO7F Rev. B",
                                        "Kanal  2  (Bus 1  Slot 4)  Karte 2   "}));
    // PCI bus 0 with a slot is an assignment; a channel without a card shows no "Karte".
    channels[2] = {0, 0, 7, ""};
    const auto lines = BusbelegungDlg::linesOf(channels);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "Kanal  3  (Bus 0  Slot 7)");
    EXPECT_EQ(lines[3], "Kanal  4  (Bus 2  Slot 5)");
}

TEST(AutomatischeMessung, OnlyTheCheckedSetsTakePart) {
    ScriptedDesktop desktop;
    std::array<bool, kSetsPerCard> active{true, true, false, false, false, true, false, false};
    desktop.answerModal([&](Dialog& dialog) {
        ScriptedControls& c = *desktop.controlsOf(dialog);
        EXPECT_TRUE(c.isChecked("blockCheck"));
        EXPECT_TRUE(c.isChecked("satz5Check"));
        for (const char* name : {"blockCheck", "satz1Check", "satz5Check"}) {
            c.click(name, false);
        }
        c.click("satz3Check", true);
        dialog.onOk();
        return kIdCancel;
    });
    {
        BlockmessungDlg window(active);
        EXPECT_EQ(desktop.runModal(window), kIdOk);
    }
    EXPECT_EQ(active, (std::array<bool, kSetsPerCard>{false, false, false, true, false, false,
                                                      false, false}));
    desktop.answerModal([&](Dialog& dialog) {
        desktop.controlsOf(dialog)->click("satz6Check", true);
        dialog.onCancel();
        return kIdCancel;
    });
    BlockmessungDlg window(active);
    EXPECT_EQ(desktop.runModal(window), kIdCancel);
    EXPECT_FALSE(active[6]);
}

TEST(SetEditorButtons, MainWindowOpensTheEditors) {
    MainWindowFixture f;
    f.cards({{1, false}});
    f.parameterFile("[Bus]\r\nKanal1=Bus 1 Slot 11\r\n[Init]\r\nKarte=1\r\nParametersatz=2\r\n");
    ASSERT_TRUE(f.start());
    f.desktop.clear();
    std::vector<std::string> busLines;
    f.desktop.answerModal([&](Dialog& dialog) {
        busLines = f.desktop.controlsOf(dialog)->lines("busList");
        return kIdCancel;
    });
    f.window->onCommand("busbelegungButton");
    f.window->onCommand("randomLimitsButton");
    f.window->onCommand("tiefenausgleichButton");
    f.window->onCommand(KARVO7CheckDlg::checkButtonControl(CheckId::Blenden));
    EXPECT_EQ(f.desktop.windows(),
              (std::vector<std::string>{"BusbelegungDlg", "RandomLimitsDlg", "TAlist"}));
    ASSERT_EQ(busLines.size(), 1u);
    EXPECT_EQ(busLines[0].rfind("Kanal  1  (Bus 1  Slot 11)  Karte 1   ", 0), 0u) << busLines[0];
    // "Blenden" needs a KARVO7F.
    EXPECT_EQ(f.desktop.messageLines(), std::vector<std::string>{"Blenden: Keine KARVO7F!"});
}

TEST(SetEditorButtons, BusbelegungListsTheCardsNoChannelNamesAfterTheChannels) {
    MainWindowFixture f;
    f.cards({{1, true}, {2, true}, {3, true}, {4, true}});
    f.parameterFile("[Bus]\r\nKanal1=Bus 1 Slot 11\r\nKanal2=Bus 1 Slot 12\r\n");
    ASSERT_TRUE(f.start());
    std::vector<std::string> busLines;
    f.desktop.answerModal([&](Dialog& dialog) {
        busLines = f.desktop.controlsOf(dialog)->lines("busList");
        return kIdCancel;
    });
    f.window->onCommand("busbelegungButton");
    ASSERT_EQ(busLines.size(), 4u);
    EXPECT_EQ(busLines[2], "ohne Kanal (Bus 1  Slot 13)  Karte 3");
    EXPECT_EQ(busLines[3], "ohne Kanal (Bus 1  Slot 14)  Karte 4");
}

TEST(SetEditorButtons, BlendenOpensOnAKarvo7FAndWritesNoLineInAutomaticMode) {
    MainWindowFixture f;
    f.cards({{1, true}});
    ASSERT_TRUE(f.start());
    f.desktop.clear();
    f.window->onCommand(KARVO7CheckDlg::checkButtonControl(CheckId::Blenden));
    EXPECT_EQ(f.desktop.windows(), std::vector<std::string>{"BlendenDlg"});
    f.window->session().settings().automatic[index(CheckId::Blenden)] = true;
    const std::size_t lines = f.window->fields().resultLines.size();
    f.window->onCommand(KARVO7CheckDlg::checkButtonControl(CheckId::Blenden));
    EXPECT_EQ(f.desktop.windows().size(), 1u);
    EXPECT_EQ(f.window->fields().resultLines.size(), lines);
}

}  // namespace
