// The session's own rules: the filled part of the data buffer never reaches beyond it, card and
// set numbers outside the table change nothing, and an entered VIRMA4 identification renumbers
// every card or sets one.
#include <gtest/gtest.h>

#include "CheckTestSupport.h"

using namespace k7check;
using namespace k7checktest;

namespace {

class SessionOperations : public MainWindowFixture, public ::testing::Test {
  protected:
    Session& session() { return window->session(); }
};

TEST_F(SessionOperations, TheFilledLengthStaysWithinTheBuffer) {
    // Before start-up there is no buffer: nothing can be filled, and a read has nowhere to go.
    window = std::make_unique<KARVO7CheckDlg>(desktop);
    session().setDataLength(10);
    EXPECT_TRUE(session().data().empty());
    uint32_t error = 0;
    EXPECT_FALSE(session().readData(session().card(1), error));
    EXPECT_TRUE(session().data().empty());

    ASSERT_TRUE(start());
    session().setDataLength(kDataBufferSize + 1);
    EXPECT_EQ(session().data().size(), kDataBufferSize);
    session().setDataLength(40);
    session().zeroData();
    EXPECT_EQ(session().data().size(), 40u);
    EXPECT_EQ(session().dataCapacity(), kDataBufferSize);
}

TEST_F(SessionOperations, AReadFillsWhatTheCardDeliveredAndAFailedReadNothing) {
    ASSERT_TRUE(start());
    k7test::ReadScript shot;
    shot.data = {1, 2, 3, 4, 5, 6};
    driver.scriptRead(shot);
    uint32_t error = 0;
    ASSERT_TRUE(session().readData(session().card(1), error));
    EXPECT_EQ(std::vector<uint8_t>(session().data().begin(), session().data().end()), shot.data);

    k7test::ReadScript failed;
    failed.mode = k7test::ReadScript::Mode::FailNow;
    failed.status = K7_ERROR_GEN_FAILURE;
    driver.scriptRead(failed);
    EXPECT_FALSE(session().readData(session().card(1), error));
    EXPECT_NE(error, 0u);
    EXPECT_TRUE(session().data().empty());
}

TEST_F(SessionOperations, NumbersOutsideTheTableChangeNothing) {
    ASSERT_TRUE(start());
    for (const auto& [card, set] : std::vector<std::pair<uint32_t, uint32_t>>{
             {0, 0}, {kMaxCards + 1, 0}, {1, kSetsPerCard}}) {
        SCOPED_TRACE(testing::Message() << "card " << card << " set " << set);
        EXPECT_EQ(session().editableSet(card, set), nullptr);
        EXPECT_FALSE(session().setActive(card, set, true));
        EXPECT_FALSE(session().setVirma4Id(card, set, -5));
        EXPECT_EQ(session().virma4Id(card, set), 0);
        driver.clearRecords();
        EXPECT_EQ(session().enterVirma4Id(card, set, -7), Session::Virma4Entry::Refused);
        EXPECT_TRUE(driver.commandBlocks().empty());
        EXPECT_TRUE(session().virma4Mode());
    }
    EXPECT_FALSE(session().setActiveFlags(0, {true}));
    EXPECT_FALSE(session().setActiveFlags(kMaxCards + 1, {true}));

    // Inside the table the same calls reach the table.
    ASSERT_NE(session().editableSet(kMaxCards, 7), nullptr);
    session().editableSet(kMaxCards, 7)->sapDelay = 77;
    EXPECT_EQ(session().parameterSets().set(kMaxCards, 7).sapDelay, 77);
    EXPECT_TRUE(session().setActive(1, 7, true));
    EXPECT_TRUE(session().parameterSets().active(1, 7));
    EXPECT_TRUE(session().setActiveFlags(2, {true, false, true}));
    EXPECT_EQ(session().parameterSets().activeFlags(2),
              (std::array<bool, kSetsPerCard>{true, false, true}));
    EXPECT_TRUE(session().setVirma4Id(1, 3, -42));
    EXPECT_EQ(session().virma4Id(1, 3), -42);
}

TEST_F(SessionOperations, AnEnteredIdentificationRenumbersOrSetsOne) {
    std::map<uint32_t, bool> devices;
    for (uint32_t d = 1; d <= 7; ++d) {
        devices[d] = true;
    }
    cards(devices);
    ASSERT_TRUE(start());
    driver.clearRecords();
    EXPECT_EQ(session().enterVirma4Id(2, 5, -2345), Session::Virma4Entry::Renumbered);
    for (uint32_t k = 1; k <= 7; ++k) {
        for (uint32_t s = 0; s < kSetsPerCard; ++s) {
            EXPECT_EQ(session().virma4Id(k, s), -2300 - static_cast<int32_t>(10 * k + s));
        }
        EXPECT_EQ(identificationsTo(driver, k).size(), kSetsPerCard) << "card " << k;
    }

    // A value whose renumbering of seven cards leaves 16 bits keeps every identification and sends
    // nothing.
    driver.clearRecords();
    EXPECT_EQ(session().enterVirma4Id(1, 0, -32767), Session::Virma4Entry::TooLarge);
    EXPECT_EQ(session().virma4Id(3, 7), -2337);
    EXPECT_TRUE(driver.commandBlocks().empty());

    // One identification from -999 up is that card's and set's alone.
    EXPECT_EQ(session().enterVirma4Id(3, 1, -999), Session::Virma4Entry::Stored);
    EXPECT_EQ(identificationsTo(driver, 3), (std::vector<std::pair<uint32_t, int16_t>>{{1, -999}}));
    EXPECT_EQ(session().virma4Id(3, 0), -2330);

    // Zero switches the mode off; the kept identifications of the other sets stay.
    EXPECT_EQ(session().enterVirma4Id(2, 5, 0), Session::Virma4Entry::Off);
    EXPECT_FALSE(session().virma4Mode());
    EXPECT_EQ(session().virma4Id(2, 5), 0);
    EXPECT_EQ(session().virma4Id(2, 4), -2324);
}

}  // namespace
