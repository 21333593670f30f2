// The rules of a window's input that every view follows: what a click, Enter, Escape and a lost
// focus do to the window, and that actions never nest.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/KARVO7CheckDlg.h"
#include "desktop/DialogInput.h"
#include "desktop/scripted/ScriptedDesktop.h"

using namespace k7check;

namespace {

class LoggingWindow : public Dialog {
  public:
    LoggingWindow() : Dialog("LoggingWindow", "Fenster") {}
    std::vector<std::string> log;
    std::function<void()> whileActing;
    bool keysEnd = true;

    bool keysEndWindow() const override { return keysEnd; }
    void onOk() override {
        log.push_back("ok");
        Dialog::onOk();
    }
    void onCancel() override {
        log.push_back("cancel");
        Dialog::onCancel();
    }
    void onCommand(const std::string& control) override {
        log.push_back("command " + control);
        if (whileActing) {
            whileActing();
        }
    }
    void onEditChanged(const std::string& control) override { log.push_back("changed " + control); }
    void onEditLeft(const std::string& control) override { log.push_back("left " + control); }
    void onDoubleClick(Point at) override {
        log.push_back("double " + std::to_string(at.x) + "," + std::to_string(at.y));
    }
};

using Log = std::vector<std::string>;

TEST(DialogInput, ClicksGoToOkCancelOrTheWindowsCommands) {
    LoggingWindow window;
    DialogInput input(window);
    input.clicked("dmaCheck");
    input.clicked("okButton");
    input.clicked("cancelButton");
    input.doubleClicked({30, 40});
    input.edited("karteEdit");
    EXPECT_EQ(window.log,
              (Log{"command dmaCheck", "ok", "cancel", "double 30,40", "changed karteEdit"}));
}

TEST(DialogInput, EnterLeavesTheEditThenPressesTheFocusedOrTheDefaultButton) {
    LoggingWindow window;
    DialogInput input(window);
    EXPECT_EQ(input.defaultButton(), "okButton");
    EXPECT_EQ(input.enter("verstaerkungEdit", ""), "okButton");
    EXPECT_EQ(input.enter("", "cancelButton"), "cancelButton");
    EXPECT_EQ(input.enter("", ""), "okButton");
    EXPECT_EQ(window.log, (Log{"left verstaerkungEdit"}));
    input.escape();
    EXPECT_EQ(window.log.back(), "cancel");
    EXPECT_TRUE(window.ended());
}

TEST(DialogInput, AWindowThatKeysMustNotEndKeepsEscapeAndEnterFromEndingIt) {
    LoggingWindow window;
    window.keysEnd = false;
    DialogInput input(window);
    EXPECT_FALSE(input.defaultButton());
    EXPECT_FALSE(input.enter("karteEdit", ""));
    EXPECT_FALSE(input.enter("", "hotPlugButton"));
    input.escape();
    EXPECT_EQ(window.log, (Log{"left karteEdit"}));
    EXPECT_FALSE(window.ended());
    // The OK and Cancel buttons still end it.
    input.clicked("cancelButton");
    EXPECT_TRUE(window.ended());
}

TEST(DialogInput, TheMainWindowIsSuchAWindow) {
    ScriptedDesktop desktop;
    KARVO7CheckDlg window(desktop);
    EXPECT_FALSE(window.keysEndWindow());
    EXPECT_FALSE(DialogInput(window).defaultButton());
}

TEST(DialogInput, LeavingAnEditCountsOnlyWithinTheWindow) {
    LoggingWindow window;
    DialogInput input(window);
    input.focusLeft("a", FocusLoss::OtherWindow);
    input.focusLeft("b", FocusLoss::Popup);
    input.focusLeft("c", FocusLoss::WithinWindow);
    EXPECT_EQ(window.log, (Log{"left c"}));
}

TEST(DialogInput, ActionsNeverNestAndNothingReachesAWindowThatIsGone) {
    LoggingWindow window;
    DialogInput input(window);
    // A message box of an action takes the focus and gets clicked on: none of it is an action.
    window.whileActing = [&] {
        EXPECT_TRUE(input.acting());
        input.focusLeft("karteEdit", FocusLoss::WithinWindow);
        input.clicked("hotPlugButton");
        input.edited("karteEdit");
    };
    input.clicked("saveButton");
    EXPECT_FALSE(input.acting());
    EXPECT_EQ(window.log, (Log{"command saveButton"}));
    window.whileActing = {};
    input.detach();
    input.clicked("saveButton");
    input.ok();
    input.escape();
    EXPECT_EQ(input.enter("karteEdit", ""), std::nullopt);
    EXPECT_EQ(window.log, (Log{"command saveButton"}));
}

}  // namespace
