// A single shot whose data is not as long as its set makes it is a failed shot: whatever the
// card delivered, the line never says "OK" for data that is not the shot's.
#include <gtest/gtest.h>

#include "CheckTestSupport.h"
#include "runs/MeasurementRuns.h"

using namespace k7check;
using namespace k7checktest;

namespace {

class ShownOnly : public RunWindows {
  public:
    bool editSet(Session&, uint32_t, uint32_t, ParameterSet&) override { return true; }
    bool selectSets(Session&, std::array<bool, kSetsPerCard>&) override { return true; }
    void showData(Session&, const MeasuredDataInputs& inputs) override {
        shownLengths.push_back(inputs.length);
    }
    void showGateValues(Session&, const uint8_t*, uint32_t) override {}
    std::unique_ptr<LiveDisplay> openDisplay(Session&, const std::string&) override {
        return nullptr;
    }
    std::vector<uint32_t> shownLengths;
};

class ShotLength : public MainWindowFixture, public ::testing::Test {
  protected:
    Session& session() { return window->session(); }
    ShownOnly windows;
};

TEST_F(ShotLength, DataShorterOrLongerThanTheShotFailsTheShot) {
    ASSERT_TRUE(start());
    session().selectCard(1);
    session().selectSet(1);
    session().editableSet(1, 1)->aufnahmelaenge = 1600;  // a record of 3206 bytes
    for (const uint32_t delivered : {4u, 3206u, 3208u}) {
        SCOPED_TRACE(delivered);
        k7test::ReadScript shot;
        shot.data.assign(delivered, 0);
        driver.scriptRead(shot);
        const bool passed = runSingleShot(session(), true, windows);
        const std::string& line = session().fields().resultLines.back();
        if (delivered == 3206u) {
            EXPECT_TRUE(passed);
            EXPECT_EQ(line, "Einzelmessung Kanal 1: OK");
        } else {
            EXPECT_FALSE(passed);
            EXPECT_EQ(line, "Einzelmessung Kanal 1: Datenlänge soll: 3206 - ist: " +
                                std::to_string(delivered));
        }
        EXPECT_EQ(windows.shownLengths.back(), delivered);  // shown all the same
    }
}

}  // namespace
