// The check program's desktop services on simulated cards: poll loops that end in virtual time
// because every sleep gives the cards their turn, the reset wait, and set hand-over bounds.
#include <gtest/gtest.h>

#include "SimFixture.h"
#include "card/CardReset.h"
#include "card/ParameterSet.h"
#include "card/SetToCard.h"
#include "desktop/scripted/ScriptedDesktop.h"

using namespace k7check;

namespace {

class SimulatedSession : public ::testing::Test {
  protected:
    SimulatedSession() {
        sim = std::make_unique<k7sim::Simulator>(simtest::testConfig(1));
        EXPECT_TRUE(sim->install());
        desktop.onSleep([this] { sim->service(); });
        card = KARVO7Open(1);
        uint32_t error = 0;
        EXPECT_EQ(KARVO7WarmUp(card, &error), 1);
    }
    ~SimulatedSession() override {
        KARVO7Close(card);
        sim.reset();
    }

    ScriptedDesktop desktop;  // installs its virtual clock first, so the cards follow it
    std::unique_ptr<k7sim::Simulator> sim;
    KARVO7HANDLE card = nullptr;
};

TEST_F(SimulatedSession, APollLoopEndsBecauseSleepingServicesTheCards) {
    uint32_t error = 0;
    ASSERT_EQ(KARVO7SetDataTimeOut(card, 1, &error), 1);
    std::vector<uint8_t> buffer(4096);
    uint32_t count = static_cast<uint32_t>(buffer.size());
    // No measurement runs: the read stays pending until the card's data time-out, and only
    // the driver ends it - with no worker thread, when the cards get their turn on a sleep.
    ASSERT_EQ(KARVO7StartGetData(card, &count, buffer.data(), nullptr, &error), 1);
    int polls = 0;
    int ready = -3;
    while ((ready = KARVO7IsReadyGetDataIntReturn(card, &count, &error)) == -3 && polls < 1000) {
        desktop.sleep(10);
        ++polls;
    }
    EXPECT_EQ(ready, -2);
    EXPECT_EQ(polls, 100);  // 1 s of virtual time
    EXPECT_EQ(count, 0u);
    EXPECT_NE(error, 0u);
}

TEST_F(SimulatedSession, AnswersFromTheCardsArriveWhileTheDesktopSleeps) {
    ParameterSet set;
    uint32_t error = 0;
    ASSERT_TRUE(handSetToCard(card, 0, set, error)) << std::hex << error;
    ASSERT_EQ(KARVO7Start(card, &error), 1);
    std::vector<uint8_t> buffer(131072);
    uint32_t count = static_cast<uint32_t>(buffer.size());
    ASSERT_EQ(KARVO7StartGetData(card, &count, buffer.data(), nullptr, &error), 1);
    int polls = 0;
    while (KARVO7IsReadyGetDataIntReturn(card, &count, &error) == -3 && polls < 1000) {
        desktop.sleep(1);
        ++polls;
    }
    EXPECT_LT(polls, 1000);
    EXPECT_EQ(count, 3200u);  // one A-scan of 1600 16-bit samples
}

TEST_F(SimulatedSession, ResetWaitCountsTenMillisecondPollsInVirtualTime) {
    const uint32_t before = desktop.now();
    const ResetOutcome outcome = resetAndWait(card, desktop, 1000);
    EXPECT_EQ(outcome.kind, ResetOutcome::Kind::Ready);
    EXPECT_EQ(outcome.polls, 5u);  // the default card finishes its reset after 50 ms
    EXPECT_EQ(desktop.now() - before, 50u);
}

TEST_F(SimulatedSession, ACardThatNeverFinishesItsResetIsNotReady) {
    k7sim::Fault never;
    std::string message;
    ASSERT_TRUE(k7sim::Config::parseFault("reset-never", never, message)) << message;
    sim->addFault(1, never);
    const ResetOutcome outcome = resetAndWait(card, desktop, 100);
    EXPECT_EQ(outcome.kind, ResetOutcome::Kind::NeverReady);
    EXPECT_EQ(outcome.polls, 100u);
    EXPECT_FALSE(outcome.ok());
}

TEST_F(SimulatedSession, ASetWithTheLargestCountReadsOnlyItsOwnTable) {
    // 255 support points asked for, three values held: the library reads 256 entries of the
    // set's fixed table and never past it (checked under AddressSanitizer).
    ParameterSet set;
    set.taStuetzstellen = 255;
    set.taTabelle[0] = 10;
    set.taTabelle[1] = 20;
    set.taTabelle[2] = 30;
    set.taReferenz = true;
    set.taAbstand = 1000;
    uint32_t error = 0;
    EXPECT_TRUE(handSetToCard(card, 1, set, error)) << std::hex << error;

    // A run keeps copies: the copy carries its own table.
    const ParameterSet copy = set;
    const CardRecord record = cardRecordOf(copy);
    EXPECT_EQ(record.measure.TATabelle, copy.taTabelle.data());
    EXPECT_NE(record.measure.TATabelle, set.taTabelle.data());
    EXPECT_EQ(record.measure.TATabelle[2], 30);
}

}  // namespace
