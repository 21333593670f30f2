// The main window's own small actions and its end: the time-out field, "OK" and destruction.
#include <gtest/gtest.h>

#include <stdexcept>

#include "CheckTestSupport.h"
#include "desktop/scripted/ScriptedControls.h"

using namespace k7check;
using namespace k7checktest;

namespace {

class MainWindow : public MainWindowFixture, public ::testing::Test {
  protected:
    std::vector<std::pair<uint32_t, uint32_t>> timeOutsSent() const {
        std::vector<std::pair<uint32_t, uint32_t>> sent;
        for (const auto& r : driver.requests()) {
            if (r.code == kTimeOutCode) {
                sent.emplace_back(r.device, k7test::le32(r.input, 0));
            }
        }
        return sent;
    }
};

TEST_F(MainWindow, TheTimeOutGoesToCardsUpToTheSelectedOne) {
    cards({{1, true}, {2, true}, {3, true}});
    ASSERT_TRUE(start());
    driver.clearRecords();
    window->session().selectCard(2);
    window->session().settings().timeOut = 25;
    window->onTimeOutChange();
    EXPECT_EQ(timeOutsSent(), (std::vector<std::pair<uint32_t, uint32_t>>{{1, 25}, {2, 25}}));

    driver.clearRecords();
    window->session().selectCard(4);
    window->onTimeOutChange();
    EXPECT_TRUE(timeOutsSent().empty());
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Time Out: Ungültige Kartennummer 4 (1 bis 3)!"});
}

TEST_F(MainWindow, OkClosesEveryCardOnceAndReportsFailures) {
    cards({{1, true}, {2, true}});
    ASSERT_TRUE(start());
    driver.failClose(K7_ERROR_GEN_FAILURE);
    window->onOk();
    EXPECT_EQ(desktop.messageLines(), (std::vector<std::string>{"Close: Karte 1 Close Error",
                                                                "Close: Karte 2 Close Error"}));
    EXPECT_TRUE(window->ended());
    EXPECT_EQ(window->result(), kIdOk);
    EXPECT_EQ(window->card(1), nullptr);
    destroy();
    EXPECT_EQ(closesOf(driver, 1), 1);
    EXPECT_EQ(closesOf(driver, 2), 1);
    EXPECT_EQ(desktop.messages().size(), 2u);
}

TEST_F(MainWindow, DestructionClosesSilentlyWhatIsStillOpen) {
    cards({{1, true}, {2, true}});
    ASSERT_TRUE(start());
    window->onCancel();
    EXPECT_EQ(window->result(), kIdCancel);
    destroy();
    EXPECT_TRUE(desktop.messages().empty());
    EXPECT_EQ(closesOf(driver, 1), 1);
    EXPECT_EQ(closesOf(driver, 2), 1);
    // The devices were released: they open again.
    KARVO7HANDLE again = KARVO7Open(2);
    ASSERT_NE(again, nullptr);
    KARVO7Close(again);
}

// A desktop that breaks down at the first message box.
class FailingDesktop : public ScriptedDesktop {
  public:
    using ScriptedDesktop::ScriptedDesktop;
    Answer messageBox(const std::string&, const std::string&, Buttons) override {
        throw std::runtime_error("desktop gone");
    }
};

TEST(MainWindowStartUp, EveryCardIsClosedOnceWhateverBreaksOffTheStartUp) {
    k7test::RecordingDriver driver;
    driver.setDevices({{1, true}, {2, true}, {4, true}});
    answerDesignations(driver);
    k7test::ScopedDriver installed(driver);
    TempDir dir;
    for (const bool failWarmUp : {false, true}) {
        driver.clearRecords();
        FailingDesktop desktop(dir.file("KARVO7Check"));
        if (failWarmUp) {
            // Two devices only: no gap message; a warm-up fails instead, after the ordering.
            driver.setDevices({{1, true}, {2, true}});
            driver.failNthCommand(2);
        }
        {
            KARVO7CheckDlg window(desktop);
            EXPECT_THROW(window.onInit(), std::runtime_error);
        }
        EXPECT_EQ(closesOf(driver, 1), 1);
        EXPECT_EQ(closesOf(driver, 2), 1);
    }
}

TEST_F(MainWindow, HotPlugTogglesTheOperatingVoltageAndKeepsTheLabel) {
    ASSERT_TRUE(start());
    // It switches nothing on a card: the button is disabled and says so.
    ScriptedControls shown;
    WriteBinder binder(shown);
    window->bindFields(binder);
    EXPECT_FALSE(shown.isEnabled("hotPlugButton"));
    EXPECT_EQ(shown.toolTip("hotPlugButton"),
              "Hot Plug schaltet die Betriebsspannung der Karten nicht; sie bleibt EIN.");

    window->onHotPlug();
    EXPECT_FALSE(window->session().operatingVoltage());
    window->onHotPlug();
    EXPECT_TRUE(window->session().operatingVoltage());
    EXPECT_EQ(desktop.repaints(), 2);
    EXPECT_EQ(window->fields().hotPlugLabel, "Betriebsspannung ist EIN");
}

// A view that plays the controls: what the technician typed is read, what the window shows is
// recorded.
class RecordingView : public DialogView {
  public:
    Controls& controls() override { return controls_; }
    void close(int result) override { closedWith = result; }
    void windowDestroyed() override { destroyed = true; }

    ScriptedControls controls_;
    int closedWith = -1;
    bool destroyed = false;
};

TEST_F(MainWindow, ActionsReadTheControlsFirstAndShowTheirOutcome) {
    cards({{1, true}, {2, true}});
    window = std::make_unique<KARVO7CheckDlg>(desktop);
    RecordingView view;
    window->attachView(&view);
    ASSERT_TRUE(window->onInit());
    EXPECT_EQ(view.controls_.text("karteCountLabel"), "von 2 Karten");

    // A number that names no card stays as typed; the next action refuses it and runs nothing.
    for (const std::string karte : {"7", "0"}) {
        view.controls_.type("karteEdit", karte);
        window->onEditLeft("karteEdit");
        EXPECT_EQ(view.controls_.text("karteEdit"), karte);
        EXPECT_FALSE(window->onCheckButton(CheckId::PciConfiguration));
        EXPECT_EQ(desktop.messageLines(),
                  std::vector<std::string>{"PCI Configuration: Ungültige Kartennummer " + karte +
                                           " (1 bis 2)!"});
        EXPECT_TRUE(window->fields().resultLines.empty());
        EXPECT_TRUE(desktop.windows().empty());
        desktop.clear();
    }
    view.controls_.type("karteEdit", "1");
    window->onEditLeft("karteEdit");
    // A text that is no card number keeps the field and waits for the next action.
    view.controls_.type("karteEdit", "x");
    window->onEditLeft("karteEdit");
    EXPECT_EQ(view.controls_.text("karteEdit"), "x");
    EXPECT_EQ(window->fields().karte, 1u);
    EXPECT_TRUE(desktop.messageLines().empty());
    view.controls_.type("karteEdit", "1");

    window->session().appendResult("Kennung: OK");
    EXPECT_EQ(view.controls_.lines("resultList"), std::vector<std::string>{"Kennung: OK"});
    window->onCommand("clearListButton");
    EXPECT_TRUE(view.controls_.lines("resultList").empty());

    window->onOk();
    EXPECT_EQ(view.closedWith, kIdOk);
    destroy();
    EXPECT_TRUE(view.destroyed);
}

TEST_F(MainWindow, ANumberFieldThatIsNotItsValueStopsEveryActionBeforeItStarts) {
    cards({{1, true}, {2, true}});
    window = std::make_unique<KARVO7CheckDlg>(desktop);
    RecordingView view;
    window->attachView(&view);
    ASSERT_TRUE(window->onInit());
    const std::string file = readText(profile());
    const bool voltage = window->session().operatingVoltage();
    for (const CheckButton& button : checkButtons()) {
        window->session().settings().automatic[index(button.id)] = true;
    }
    window->writeFieldsToControls();
    driver.clearRecords();

    const std::string zyklen =
        "Ungültiger Wert in \"Zyklen\": erlaubt sind ganze Zahlen von 0 bis 4294967295.";
    view.controls_.type("zyklenEdit", "abc");
    const CheckAllOutcome outcome = window->onCheckAll();
    EXPECT_FALSE(outcome.passed);
    EXPECT_EQ(outcome.ran, 0);
    view.controls_.type("zyklenEdit", "-1");
    window->onCheckButton(checkButtons().front().id);
    view.controls_.type("zyklenEdit", "1,5");
    window->onHotPlug();
    window->onCommand("karteSatzButton");  // the data-rate run does not start
    view.controls_.type("zyklenEdit", "200");
    view.controls_.type("anzeigefaktorEdit", "3000000000");
    window->onSave();
    view.controls_.type("anzeigefaktorEdit", "1");
    view.controls_.type("timeOutEdit", "-1");
    window->onTimeOutChange();  // typing: nothing sent, nothing said
    window->onVirma4();
    EXPECT_EQ(
        desktop.messageLines(),
        (std::vector<std::string>{
            "Check All: " + zyklen, std::string(checkButtons().front().caption) + ": " + zyklen,
            "Hot Plug: " + zyklen, "Check: " + zyklen,
            "Check: Ungültiger Wert in \"Anzeigefaktor\": erlaubt sind ganze Zahlen von "
            "-2147483648 bis 2147483647.",
            "VIRMA4: Ungültiger Wert in \"Time Out in s\": erlaubt sind ganze Zahlen von 0 "
            "bis 2147483647."}));
    // Nothing reached a card or the parameter file, and the fields kept their values.
    EXPECT_TRUE(driver.requests().empty());
    EXPECT_EQ(readText(profile()), file);
    EXPECT_EQ(window->session().operatingVoltage(), voltage);
    EXPECT_EQ(window->fields().zyklen, 200u);
    EXPECT_EQ(window->fields().timeOut, kDefaultTimeOut);
    EXPECT_TRUE(desktop.windows().empty());
    EXPECT_TRUE(desktop.work().empty());
    window->onOk();
    destroy();  // before the view it reports to
}

TEST_F(MainWindow, TimeOutZeroIsRefusedAndTheFieldKeepsItsValue) {
    ASSERT_TRUE(start());
    window->session().settings().timeOut = 5;
    window->onTimeOutChange();
    driver.clearRecords();
    window->session().settings().timeOut = 0;
    window->onTimeOutChange();
    EXPECT_EQ(window->fields().timeOut, 5);
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Time Out: Time Out 0 s ist nicht erlaubt!"});
    // Nothing reached the card: a driver time-out of 0 waits forever.
    EXPECT_TRUE(driver.requests().empty());
}

}  // namespace
