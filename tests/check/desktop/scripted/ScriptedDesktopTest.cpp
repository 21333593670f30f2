// The scripted desktop itself: scripted and default answers, what it records, its clock.
#include <gtest/gtest.h>

#include "KARVO7Os.h"
#include "desktop/scripted/ScriptedDesktop.h"

using namespace k7check;

namespace {

TEST(ScriptedDesktop, AnswersFromTheScriptThenWithTheDefaultButton) {
    ScriptedDesktop desktop;
    desktop.answerMessages({Answer::No, Answer::Cancel});
    EXPECT_EQ(desktop.messageBox("Check", "Wollen Sie wirklich sichern?", Buttons::YesNo),
              Answer::No);
    EXPECT_EQ(desktop.messageBox("A", "b", Buttons::YesNoCancel), Answer::Cancel);
    EXPECT_EQ(desktop.messageBox("A", "c", Buttons::YesNo), Answer::Yes);
    EXPECT_EQ(desktop.messageBox("A", "d", Buttons::Ok), Answer::Ok);
    ASSERT_EQ(desktop.messages().size(), 4u);
    EXPECT_EQ(desktop.messages()[0].answer, Answer::No);
    EXPECT_EQ(desktop.messageLines()[3], "A: d");
}

TEST(ScriptedDesktop, SleepsInVirtualTimeThroughTheLibraryClock) {
    ScriptedDesktop desktop;
    const uint32_t start = desktop.tickCount();
    desktop.sleep(200);
    K7OsSleep(1000);  // a pause inside the library runs on the same clock
    EXPECT_EQ(desktop.tickCount() - start, 1200u);
    EXPECT_EQ(K7OsGetTickCount(), desktop.tickCount());
}

}  // namespace
