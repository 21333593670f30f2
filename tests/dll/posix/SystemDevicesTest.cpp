// POSIX systems have no driver of the cards of their own: without a hosted driver there are no
// cards. (On Windows the card family's kernel driver serves then, see tests/windows.)
#include <gtest/gtest.h>

#include "KARVO7DLL.h"

namespace {

TEST(Environment, WithoutADriverThereAreNoCards) {
    // No driver installed and no module named by the environment of the test run.
    EXPECT_EQ(KARVO7Scan(), 0);
}

}  // namespace
