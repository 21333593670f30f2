// POSIX systems have no driver of the cards of their own: without a hosted driver there are no
// cards. (On Windows the card family's kernel driver serves then, see tests/windows.)
#include <gtest/gtest.h>

#include "CapturedOutput.h"
#include "KARVO7DLL.h"
#include "RecordingDriver.h"

namespace {

TEST(Environment, WithoutADriverThereAreNoCards) {
    // No driver installed and no module named by the environment of the test run.
    EXPECT_EQ(KARVO7Scan(), 0);
}

TEST(Scan, NoCardsNoDriver) {
    k7test::RecordingDriver driver;
    driver.setDevices({});
    {
        k7test::ScopedDriver installed(driver);
        EXPECT_EQ(KARVO7Scan(), 0);
    }
    EXPECT_EQ(KARVO7Scan(), 0);
    k7test::CapturedOutput printed;
    EXPECT_EQ(KARVO7Open(1), nullptr);
    EXPECT_EQ(printed.text(), "Das war wohl nix !!\n");
}

}  // namespace
