// Start-up of the main window: opening and counting the cards, ordering them by the channel
// table, warm-up and the VIRMA4 identifications, and the fields it leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "CheckTestSupport.h"
#include "paramfile/IniFile.h"

using namespace k7check;
using namespace k7checktest;
using k7test::Command;

namespace {

using Ids = std::vector<std::pair<uint32_t, int16_t>>;

Ids identifications(uint32_t card, bool on) {
    Ids ids;
    for (uint32_t s = 0; s < 8; ++s) {
        ids.emplace_back(s, on ? static_cast<int16_t>(-static_cast<int32_t>(10 * card + s)) : 0);
    }
    return ids;
}

class Startup : public MainWindowFixture, public ::testing::Test {};

TEST_F(Startup, GapsInTheDeviceNumbersAreReportedAndTheCardsUsed) {
    cards({{1, true}, {2, true}, {4, true}});
    ASSERT_TRUE(start());
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"KARVO7Open: 3 Karten -> 4 Devices"});
    EXPECT_EQ(window->cardCount(), 3u);
    EXPECT_EQ(window->fields().karteLabel, "von 3 Karten");
    EXPECT_EQ(deviceOf(window->card(3)), 4u);
    EXPECT_EQ(window->card(4), nullptr);
}

TEST_F(Startup, NoCardEndsTheWindowAndInitialisesNothing) {
    cards({});
    EXPECT_FALSE(start());
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Program Cancel: Treiber KARVO7.sys ist nicht aktiv!"});
    EXPECT_TRUE(window->ended());
    EXPECT_EQ(window->result(), 0);
    EXPECT_EQ(window->cardCount(), 0u);
    EXPECT_TRUE(window->session().profileFile().empty());
    EXPECT_EQ(window->session().dataCapacity(), 0u);
    EXPECT_EQ(window->fields().karteLabel, "von 0 Karten");
}

TEST_F(Startup, TheParameterFileIsReadOnceForAllItsKeysAndTheWindowsReadingIt) {
    std::string text = "[Init]\r\nZyklen=321\r\n[DSP]\r\nFilename=prog.hex\r\n";
    for (int set = 0; set < 8; ++set) {
        text += "[Karte1-Satz" + std::to_string(set) + "]\r\nActive=yes\r\nFilter=4\r\n";
    }
    parameterFile(text);
    std::filesystem::last_write_time(
        profile(), std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    const uint64_t before = IniFile::loadCount();
    ASSERT_TRUE(start());
    EXPECT_EQ(window->fields().zyklen, 321u);
    EXPECT_EQ(window->session().parameterSets().set(1, 7).filter, 4);
    EXPECT_EQ(IniFile::loadCount() - before, 1u);
    // A window reading its keys one by one through the desktop reads nothing anew.
    for (int key = 0; key < 14; ++key) {
        EXPECT_EQ(desktop.profileString(profile(), "DSP", "Filename", " "), "prog.hex");
    }
    EXPECT_EQ(IniFile::loadCount() - before, 1u);
}

TEST_F(Startup, FieldsAfterAStartWithoutParameterFile) {
    ASSERT_TRUE(start());
    EXPECT_TRUE(desktop.messages().empty());
    EXPECT_EQ(window->session().profileFile(), dir.file("KARVO7Check.INI"));
    EXPECT_EQ(window->fields().parameterFiles, std::vector<std::string>{profile()});
    EXPECT_EQ(window->fields().parameterFileSelection, 0);
    const MainWindowFields& f = window->fields();
    EXPECT_EQ(f.karte, 1u);
    EXPECT_EQ(f.parametersatz, 1u);
    EXPECT_EQ(f.anzeigefaktor, 1);
    EXPECT_EQ(f.zyklen, 200u);
    EXPECT_EQ(f.timeOut, 10);
    EXPECT_TRUE(f.dma);
    EXPECT_FALSE(f.prepAll);
    EXPECT_FALSE(f.random);
    EXPECT_FALSE(f.kontinuierlich);
    EXPECT_TRUE(f.anzeige);
    EXPECT_TRUE(f.hotPlugAutomatic);
    EXPECT_TRUE(f.automatic[index(CheckId::PciConfiguration)]);
    EXPECT_TRUE(f.automatic[index(CheckId::Blockmessung)]);
    EXPECT_FALSE(f.automatic[index(CheckId::DatenLca)]);  // not kept in the file
    EXPECT_EQ(f.hotPlugLabel, "Betriebsspannung ist EIN");
    EXPECT_EQ(f.checkLabels[index(CheckId::PciConfiguration)], "PCI Konfiguration prüfen");
    EXPECT_EQ(f.checkLabels[index(CheckId::ParameterShot)],
              "Parameter setzen/Einzelmessung ausführen");
    EXPECT_TRUE(f.resultLines.empty());
    EXPECT_EQ(window->session().resultText(), "Kein Fehler");
    EXPECT_TRUE(window->session().operatingVoltage());
    EXPECT_EQ(window->session().dataCapacity(), 131072u);
    EXPECT_TRUE(window->session().data().empty());
    EXPECT_TRUE(window->session().virma4Mode());
    EXPECT_EQ(window->session().randomLimits().upper.aufnahmelaenge, 16000);
}

TEST_F(Startup, UnmatchedCardsKeepTheirEnumerationOrder) {
    cards({{1, true}, {2, true}, {3, true}});
    ASSERT_TRUE(start());
    for (uint32_t k = 1; k <= 3; ++k) {
        EXPECT_EQ(deviceOf(window->card(k)), k);
        EXPECT_EQ(window->session().channels()[k - 1].card, k);
        EXPECT_EQ(window->session().channels()[k - 1].konfig, "Karte-" + std::to_string(k));
    }
    EXPECT_EQ(window->session().channels()[3].konfig, "");
}

TEST_F(Startup, CardsAreNumberedInChannelOrder) {
    cards({{1, true}, {2, true}});
    // Device 1 sits on channel 5, device 2 on channel 2.
    parameterFile("[Bus]\nKanal5=Bus 1 Slot 11\nKanal2=Bus 1 Slot 12\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(deviceOf(window->card(1)), 2u);
    EXPECT_EQ(deviceOf(window->card(2)), 1u);
    EXPECT_EQ(window->session().channels()[1].card, 1u);
    EXPECT_EQ(window->session().channels()[4].card, 2u);
    EXPECT_EQ(window->session().channels()[1].konfig, "Karte-2");
    EXPECT_EQ(window->session().channels()[4].konfig, "Karte-1");
    // Card numbers, not device numbers, give the identifications.
    EXPECT_EQ(identificationsTo(driver, 2), identifications(1, true));
    EXPECT_EQ(identificationsTo(driver, 1), identifications(2, true));
}

TEST_F(Startup, AMatchedCardTakesItsChannelFromAnUnmatchedOne) {
    cards({{1, true}, {2, true}, {3, true}});
    // Device 1 matches no channel and would keep entry 1; device 2 belongs to channel 1.
    parameterFile("[Bus]\nKanal1=Bus 1 Slot 12\nKanal3=Bus 1 Slot 13\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(window->cardCount(), 3u);
    EXPECT_EQ(deviceOf(window->card(1)), 2u);
    EXPECT_EQ(deviceOf(window->card(2)), 3u);
    EXPECT_EQ(deviceOf(window->card(3)), 1u);  // appended behind the placed cards
    EXPECT_EQ(window->session().channels()[0].konfig, "Karte-2");
    window->onOk();
    for (uint32_t d = 1; d <= 3; ++d) {
        EXPECT_EQ(closesOf(driver, d), 1) << d;
    }
}

TEST_F(Startup, AnUnmatchedCardWhoseEntryIsTakenIsAppended) {
    cards({{1, true}, {2, true}});
    // Device 1 belongs to channel 2, whose entry is device 2's enumeration position.
    parameterFile("[Bus]\nKanal2=Bus 1 Slot 11\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(window->cardCount(), 2u);
    EXPECT_EQ(deviceOf(window->card(1)), 1u);
    EXPECT_EQ(deviceOf(window->card(2)), 2u);
    EXPECT_EQ(window->session().channels()[1].card, 1u);
    EXPECT_EQ(window->session().channels()[0].card, 0u);  // device 2 has no channel
}

TEST_F(Startup, AnUnreadablePositionStopsOrderingButKeepsTheCards) {
    cards({{1, true}, {2, true}, {3, true}});
    parameterFile("[Bus]\nKanal4=Bus 1 Slot 11\n");
    driver.setErrorWord(0xE0001234u);
    int positionReads = 0;
    driver.handle(k7proto::req::kCardPosition,
                  [&](const uint8_t*, uint32_t, uint8_t* out, uint32_t outSize,
                      uint32_t* returned) -> uint32_t {
                      // The first card answers; the second read fails; later ones would answer
                      // again.
                      if (++positionReads == 2) {
                          return K7_ERROR_GEN_FAILURE;
                      }
                      const uint32_t device = driver.requests().back().device;
                      const k7test::Bytes position = k7test::words({1, 10 + device});
                      std::memcpy(out, position.data(), std::min<size_t>(outSize, position.size()));
                      *returned = outSize;
                      return K7_ERROR_SUCCESS;
                  });
    ASSERT_TRUE(start());
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Init: GetCardPosition 2 Error E0001234"});
    EXPECT_EQ(window->cardCount(), 3u);
    // Device 1 was placed on channel 4; the others follow in enumeration order.
    EXPECT_EQ(window->session().channels()[3].card, 1u);
    EXPECT_EQ(deviceOf(window->card(2)), 2u);
    EXPECT_EQ(deviceOf(window->card(3)), 3u);
    window->onOk();
    for (uint32_t d = 1; d <= 3; ++d) {
        EXPECT_EQ(closesOf(driver, d), 1) << d;
    }
}

TEST_F(Startup, ACardThatIsNoKarvo7FSwitchesVirma4OffForAll) {
    cards({{1, true}, {2, false}});
    parameterFile("[Init]\nParametersatz=5\nVIRMA4=yes\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(window->fields().parametersatz, 0u);
    EXPECT_FALSE(window->session().virma4Mode());
    EXPECT_EQ(identificationsTo(driver, 1), identifications(1, false));
    EXPECT_TRUE(identificationsTo(driver, 2).empty());
    // The table still holds the identifications for a later switch-on.
    EXPECT_EQ(window->session().virma4Id(2, 3), -23);
}

TEST_F(Startup, Virma4OffInTheFileSendsZeroIdentifications) {
    parameterFile("[Init]\nVIRMA4=No\n");
    ASSERT_TRUE(start());
    EXPECT_FALSE(window->session().virma4Mode());
    EXPECT_EQ(identificationsTo(driver, 1), identifications(1, false));
}

TEST_F(Startup, ACardNumberAboveTheCountIsLoweredAndZeroIsLeftForTheNextActionToRefuse) {
    cards({{1, true}, {2, true}});
    parameterFile("[Init]\nKarte=5\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(window->fields().karte, 2u);

    destroy();
    parameterFile("[Init]\nKarte=0\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(window->fields().karte, 0u);
    desktop.clear();
    window->onKarteKillFocus();
    EXPECT_EQ(window->fields().karte, 0u);
    EXPECT_EQ(window->session().selectedCard("Check"), nullptr);
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Check: Ungültige Kartennummer 0 (1 bis 2)!"});
}

TEST_F(Startup, AFailedWarmUpIsReportedAndTheNextCardWarmedUp) {
    cards({{1, true}, {2, true}});
    driver.setErrorWord(0xE0000077u);
    // Opening sends no command; the first command of the start-up is card 1's warm-up.
    driver.failNthCommand(0);
    ASSERT_TRUE(start());
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Init: WarmUp Karte 1 Error E0000077"});
    // Card 2 was still warmed up and identified.
    EXPECT_FALSE(commandsTo(driver, 2).empty());
    EXPECT_EQ(identificationsTo(driver, 2), identifications(2, true));
}

TEST_F(Startup, SixteenCardsWithEveryChannelShuffled) {
    std::map<uint32_t, bool> devices;
    std::string bus = "[Bus]\n";
    for (uint32_t d = 1; d <= 16; ++d) {
        devices[d] = true;
        // Channel n holds device 17 - n.
        bus += "Kanal" + std::to_string(17 - d) + "=Bus 1 Slot " + std::to_string(10 + d) + "\n";
    }
    cards(devices);
    parameterFile(bus);
    ASSERT_TRUE(start());
    ASSERT_EQ(window->cardCount(), 16u);
    for (uint32_t k = 1; k <= 16; ++k) {
        EXPECT_EQ(deviceOf(window->card(k)), 17 - k);
    }
}

}  // namespace
