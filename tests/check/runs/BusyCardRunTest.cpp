// The cards run "Karten 1..n Satz n" when a card of the channel table is held by another program:
// the run names that card as busy and touches no card; once the program has let the card go, the
// run takes it, without a restart of the check program.
#include <gtest/gtest.h>

#include "CheckTestSupport.h"
#include "SimFixture.h"
#include "app/Session.h"
#include "desktop/scripted/ScriptedDesktop.h"
#include "runs/DataRateRuns.h"
#include "runs/RunWindows.h"

using namespace k7check;
using namespace k7checktest;

namespace {

// Windows that show nothing: the run's line is what the tests look at.
struct NoWindows : RunWindows {
    struct Display : LiveDisplay {
        void show(const MeasuredDataInputs&) override {}
        void place(const Rect&) override {}
    };
    bool editSet(Session&, uint32_t, uint32_t, ParameterSet&) override { return false; }
    bool selectSets(Session&, std::array<bool, kSetsPerCard>&) override { return true; }
    void showData(Session&, const MeasuredDataInputs&) override {}
    void showGateValues(Session&, const uint8_t*, uint32_t) override {}
    std::unique_ptr<LiveDisplay> openDisplay(Session&, const std::string&) override {
        return std::make_unique<Display>();
    }
};

class BusyCard : public ::testing::Test {
  protected:
    void SetUp() override {
        writeText(dir.file("KARVO7Check.INI"),
                  "[Bus]\nKanal1=Bus 1 Slot 12\nKanal2=Bus 1 Slot 13\n"
                  "[Init]\nKarte=2\nParametersatz=1\nZyklen=20\nAnzeige=no\nKontinuierlich=no\n");
        sim = std::make_unique<k7sim::Simulator>(simtest::testConfig(2));
        ASSERT_TRUE(sim->install());
        desktop = std::make_unique<ScriptedDesktop>(dir.file("KARVO7Check"));
        desktop->onSleep([this] { sim->service(); });
    }
    void TearDown() override {
        session.reset();
        if (held != nullptr) {
            KARVO7Close(held);
        }
        desktop.reset();
        sim.reset();
    }
    const std::string& lastLine() const { return session->fields().resultLines.back(); }
    uint64_t shotsTaken(uint32_t card) {
        uint64_t taken = 0;
        EXPECT_EQ(K7DrvTestCount(card, K7DRV_COUNT_SHOTS_TAKEN, &taken), 1);
        return taken;
    }

    TempDir dir;
    std::unique_ptr<k7sim::Simulator> sim;
    std::unique_ptr<ScriptedDesktop> desktop;
    std::unique_ptr<Session> session;
    KARVO7HANDLE held = nullptr;
    NoWindows windows;
};

TEST_F(BusyCard, TheCardsRunNamesACardAnotherProgramHoldsAndTakesItOnceItIsFree) {
    held = KARVO7Open(1);
    ASSERT_NE(held, nullptr);
    session = std::make_unique<Session>(*desktop);
    ASSERT_TRUE(session->startUp());
    ASSERT_NE(session->missingCard(1), nullptr);
    const uint64_t before = shotsTaken(2);

    EXPECT_FALSE(runDataRateCards(*session, windows));
    EXPECT_EQ(lastLine(), "Karten 1..n Satz n, Karte 1: Kanal 1 (Bus 1 Slot 12) in Benutzung ");
    EXPECT_EQ(shotsTaken(2), before);  // the other card took no shot

    // The other program ends: the next run opens the card and measures both.
    KARVO7Close(held);
    held = nullptr;
    EXPECT_TRUE(runDataRateCards(*session, windows)) << lastLine();
    EXPECT_EQ(lastLine().rfind("2 Kanäle: Datenrate 1600 Samples -> ", 0), 0u) << lastLine();
    EXPECT_EQ(session->missingCard(1), nullptr);
    EXPECT_NE(session->card(1), nullptr);
    EXPECT_GE(shotsTaken(1), 20u);
}

}  // namespace
