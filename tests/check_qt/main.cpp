// The widget tests run on the offscreen platform: no display is needed and nothing is shown.
// Numbers are formatted as in the program, whatever the machine's language.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "NumericLocale.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    k7qt::keepDecimalPoint();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
