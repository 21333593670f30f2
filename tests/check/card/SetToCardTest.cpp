// Handing a parameter set to a card: the record built from the set and the commands that
// follow the preparation; leaving a card stopped and empty.
#include <gtest/gtest.h>

#include <algorithm>

#include "CheckTestSupport.h"
#include "card/SetToCard.h"

using namespace k7check;
using namespace k7checktest;
using k7test::Command;

namespace {

constexpr uint16_t kTriggerDelay = k7proto::cmd::kTriggerDelay;
constexpr uint16_t kGate = k7proto::cmd::kGate;
constexpr uint16_t kExternalClock = k7proto::cmd::kExternalClock;

ParameterSet sampleSet() {
    ParameterSet set;
    set.start = 9;
    set.bit8 = true;
    set.aufnahmedelay = 300;
    set.gates[2].schwelle = 50 * 16;
    set.enable[0] = true;
    set.triggerdelay = 40;
    set.esbLevel = 12;
    set.esbTime = 345;
    set.esbRelativ = true;
    return set;
}

TEST(CardRecord, CarriesTheSetFieldByFieldWithStartAlwaysAsGiven) {
    ParameterSet set = sampleSet();
    set.taTabelle[0] = 1;
    set.taReferenz = true;
    const CardRecord r = cardRecordOf(set);
    EXPECT_EQ(r.measure.Start, 1);
    EXPECT_EQ(cardRecordOf(set, 3).measure.Start, 3);
    EXPECT_EQ(r.measure.Bit8, 1u);
    EXPECT_EQ(r.measure.Samplerate, 1);
    EXPECT_EQ(r.measure.Aufnahmelaenge, 1600);
    EXPECT_EQ(r.measure.Aufnahmedelay, 300u);
    EXPECT_EQ(r.measure.TAStuetzstellen, 1u);
    EXPECT_EQ(r.measure.TATabelle, set.taTabelle.data());
    EXPECT_EQ(r.special.Filter, 3);
    EXPECT_EQ(r.verstaerkung, 200u);
    EXPECT_EQ(r.gates.Gate[2].Schwelle, 800u);
    EXPECT_EQ(r.gates.Gate[4].Anfang, 1100u);
    EXPECT_EQ(r.gates.Gate[4].Ende, 1400u);
    EXPECT_EQ(r.gates.Enables.Enable[0], 1u);
    EXPECT_EQ(r.gates.Enables.Enable[1], 1u);
    EXPECT_EQ(cardRecordOf(ParameterSet{}).measure.TATabelle, nullptr);
}

class SetToCard : public MainWindowFixture, public ::testing::Test {
  protected:
    // Opens device 1 and hands `set` to it as set 3; returns the commands after the gates.
    std::vector<Command> handOver(const ParameterSet& set, bool& ok, uint32_t& error) {
        KARVO7HANDLE card = KARVO7Open(1);
        driver.clearRecords();
        ok = handSetToCard(card, 3, set, error);
        KARVO7Close(card);
        std::vector<Command> all = commandsTo(driver, 1);
        all.pop_back();  // the closing command
        return all;
    }
};

TEST_F(SetToCard, PreparesThenSendsTriggerDelayExternalClockAndEchoStartGate) {
    ParameterSet set = sampleSet();
    set.triggerExtern = true;
    bool ok = false;
    uint32_t error = 1;
    const std::vector<Command> sent = handOver(set, ok, error);
    ASSERT_TRUE(ok);
    EXPECT_EQ(error, 0u);
    ASSERT_GE(sent.size(), 5u);
    const std::vector<Command> tail(sent.end() - 5, sent.end());
    EXPECT_EQ(tail, (std::vector<Command>{{kSelectSet, 1, {3}},
                                          {kTriggerDelay, 1, {40}},
                                          {kExternalClock, 1, {0xFFFFFFFFu}},
                                          {kSelectSet, 1, {3}},
                                          {kGate, 2, {0xFFFF | 345u << 16, 12u | 1u << 16}}}));
}

TEST_F(SetToCard, TheFineUnitAndOlderCards) {
    cards({{1, false}});
    ParameterSet set = sampleSet();
    set.trigger25ns = true;
    bool ok = false;
    uint32_t error = 0;
    const std::vector<Command> sent = handOver(set, ok, error);
    ASSERT_TRUE(ok);
    // No echo-start gate on a card that is no KARVO7F.
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(
        std::vector<Command>(sent.end() - 2, sent.end()),
        (std::vector<Command>{{kTriggerDelay, 1, {40u | 0x80000000u}}, {kExternalClock, 1, {0}}}));
}

// A card that refuses the trigger delay still gets the external clock and the echo-start gate,
// and the hand-over names the step it refused.
TEST_F(SetToCard, ARefusalAfterThePreparationIsReportedAndTheRestIsStillSent) {
    bool ok = false;
    uint32_t error = 0;
    const std::vector<Command> whole = handOver(sampleSet(), ok, error);
    const auto delay = std::find_if(whole.begin(), whole.end(),
                                    [](const Command& c) { return c.code == kTriggerDelay; });
    ASSERT_NE(delay, whole.end());
    driver.setErrorWord(0xE0000042u);
    KARVO7HANDLE card = KARVO7Open(1);
    driver.clearRecords();
    driver.failNthCommand(static_cast<int>(delay - whole.begin()));
    const HandOver handed = handSetToCard(card, 3, cardRecordOf(sampleSet()));
    EXPECT_EQ(handed.failed, HandOverStep::TriggerDelay);
    EXPECT_EQ(handed.error, 0xE0000042u);
    EXPECT_TRUE(handed.prepared());
    EXPECT_EQ(commandsTo(driver, 1), whole);
    KARVO7Close(card);
}

TEST_F(SetToCard, AFailedPreparationSendsNothingMore) {
    bool ok = true;
    uint32_t error = 0;
    driver.setErrorWord(0xE0000042u);
    KARVO7HANDLE card = KARVO7Open(1);
    driver.clearRecords();
    driver.failNthCommand(0);
    ok = handSetToCard(card, 3, sampleSet(), error);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, 0xE0000042u);
    EXPECT_EQ(commandsTo(driver, 1).size(), 1u);
    KARVO7Close(card);
}

TEST_F(SetToCard, AnInvalidSetIsRefusedByTheLibraryBeforeAnythingIsSent) {
    ParameterSet set = sampleSet();
    set.average = 8;
    KARVO7HANDLE card = KARVO7Open(1);
    driver.clearRecords();
    uint32_t error = 0;
    EXPECT_FALSE(handSetToCard(card, 0, set, error));
    EXPECT_EQ(error, KARVO7_ERR_AVERAGE);
    EXPECT_TRUE(commandsTo(driver, 1).empty());
    KARVO7Close(card);
}

// A card that is not running refuses the stop; that is no failure, and its FIFO is cleared.
TEST_F(SetToCard, StopAndEmptyClearsTheFifoOfACardThatIsNotRunning) {
    cards({{1, false}});
    KARVO7HANDLE card = KARVO7Open(1);
    driver.clearRecords();
    uint32_t error = 1;
    EXPECT_TRUE(stopAndEmpty(card, error));
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(commandsTo(driver, 1), (std::vector<Command>{{k7proto::cmd::kClearFifo, 0, {}}}));
    driver.failNthCommand(0);
    EXPECT_FALSE(stopAndEmpty(card, error));
    EXPECT_NE(error, 0u);
    KARVO7Close(card);
}

}  // namespace
