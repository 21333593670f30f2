// The headless "Check All" of production test stations.
#include <gtest/gtest.h>

#include <sstream>

#include "CheckTestSupport.h"
#include "HeadlessCheckAll.h"

using namespace k7check;
using namespace k7checktest;

namespace {

TEST(Headless, NoCardsEndsWithItsOwnCodeAndTheMessageOnTheErrorStream) {
    k7test::RecordingDriver driver;
    driver.setDevices({});
    k7test::ScopedDriver installed(driver);
    TempDir dir;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runHeadlessCheckAll(dir.file("KARVO7Check"), out, err), kHeadlessNoCards);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Program Cancel: Treiber KARVO7.sys ist nicht aktiv!\n");
}

TEST(Headless, RunsOnTheConfiguredCardsAndClosesThem) {
    k7test::RecordingDriver driver;
    driver.setDevices({{1, true}, {3, true}});
    answerDesignations(driver);
    k7test::ScopedDriver installed(driver);
    TempDir dir;
    writeText(dir.file("KARVO7Check.INI"), "[Init]\nKarte=2\n");
    std::ostringstream out;
    std::ostringstream err;
    const int code = runHeadlessCheckAll(dir.file("KARVO7Check"), out, err);
    // The program has no check windows yet: nothing runs, nothing fails.
    EXPECT_EQ(code, kHeadlessPassed);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "KARVO7Open: 2 Karten -> 3 Devices\n");
    EXPECT_EQ(closesOf(driver, 1), 1);
    EXPECT_EQ(closesOf(driver, 3), 1);
}

}  // namespace
