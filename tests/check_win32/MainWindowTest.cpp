// The main window of the program on two simulated cards, driven as a technician drives it:
// Escape, Enter and Tab, the close box, "Check All", and an empty "Zyklen" refused by name.
#include <gtest/gtest.h>

#include "Environment.h"
#include "SimulatedProgram.h"
#include "Text.h"
#include "app/KARVO7CheckDlg.h"

using k7check::KARVO7CheckDlg;

namespace k7w32test {

namespace {

class MainWindow : public SimulatedProgram {
  protected:
    HWND main() const { return windowTitled("KARVO7 Check (simulierte Karten)"); }
    HWND control(const char* name) {
        k7w32::Win32DialogView* view = desktop.viewOf(*window);
        return view == nullptr ? nullptr : view->control(name);
    }
    std::vector<std::string> results() {
        HWND list = control("resultList");
        std::vector<std::string> lines;
        const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            std::wstring line(static_cast<std::size_t>(
                                  SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)),
                              L'\0');
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(line.data()));
            lines.push_back(k7w32::utf8(line));
        }
        return lines;
    }
    void run() {
        k7test::setEnvironment("KARVO7_SIM", "2");
        window = std::make_unique<KARVO7CheckDlg>(desktop);
        result = script.run(desktop, *window);
        k7test::unsetEnvironment("KARVO7_SIM");
    }
    void closeBox() {
        script.then([this] { PostMessageW(main(), WM_SYSCOMMAND, SC_CLOSE, 0); });
    }

    Script script;
    std::unique_ptr<KARVO7CheckDlg> window;
    int result = -1;
};

TEST_F(MainWindow, EscapeAndEnterKeepTheProgramTabFollowsTheFormTheCloseBoxEndsIt) {
    script
        .then([this] {
            ASSERT_NE(main(), nullptr) << "no main window titled for simulated cards";
            EXPECT_EQ(textOf(control("karteCountLabel")), "von 2 Karten");
            // Escape on the window and in an edit: it is also the key of "Stopp".
            key(main(), VK_ESCAPE);
            key(control("zyklenEdit"), VK_ESCAPE);
        })
        .then([this] {
            EXPECT_FALSE(window->ended());
            // Enter leaves the edit, with what was typed, and presses no button.
            type(control("karteEdit"), "2");
            key(control("karteEdit"), VK_RETURN);
        })
        .then([this] {
            EXPECT_FALSE(window->ended());
            EXPECT_EQ(shownBox(), nullptr);
            EXPECT_EQ(textOf(control("karteEdit")), "2");
            EXPECT_EQ(window->fields().karte, 2u);
            EXPECT_TRUE(results().empty());
            // The form's tab stops: "Karte" is followed by "Parametersatz".
            key(control("karteEdit"), VK_TAB);
        })
        .then([this] {
            EXPECT_EQ(GetFocus(), control("parametersatzEdit"));
            EXPECT_TRUE(IsWindowVisible(main()));
        });
    closeBox();
    run();
    EXPECT_TRUE(window->ended());
    EXPECT_EQ(result, k7check::kIdCancel);
    EXPECT_EQ(window->cardCount(), 2u);
}

// Hangs under Wine inside the block measurement of "Check All"; left out until that is found.
TEST_F(MainWindow, DISABLED_CheckAllWritesAnOkLineForEveryCheck) {
    std::vector<std::string> asked;
    script.then([this] { click(control("checkAllButton")); })
        .repeat([&] {
            // The checks' questions, answered as a technician at a healthy card does: the file
            // dialog takes the file it offers beside the program, a question is answered "Ja".
            HWND box = shownBox();
            if (box == nullptr) {
                // Until "Check All" has ended (it may keep the windows painted meanwhile).
                return desktop.viewOf(*window)->input().acting();
            }
            asked.push_back(boxText(box));
            HWND yes = boxButton(box, IDYES);
            click(yes != nullptr ? yes : boxButton(box, IDOK));
            return true;
        })
        .then([this, &asked] {
            const std::vector<std::string> lines = results();
            EXPECT_GE(lines.size(), 10u);
            for (const std::string& line : lines) {
                EXPECT_EQ(line.find("Error"), std::string::npos) << line;
                EXPECT_EQ(line.find("Fehler"), std::string::npos) << line;
            }
            EXPECT_FALSE(asked.empty());
            for (const std::string& question : asked) {
                EXPECT_EQ(question.find("Fehler"), std::string::npos) << question;
            }
            // The last line is selected, as the list follows the run.
            EXPECT_EQ(SendMessageW(control("resultList"), LB_GETCURSEL, 0, 0),
                      static_cast<LRESULT>(lines.size()) - 1);
        });
    closeBox();
    run();
}

TEST_F(MainWindow, AnEmptyZyklenIsRefusedByItsName) {
    script
        .then([this] {
            type(control("zyklenEdit"), "");
            click(control("virma4Button"));
        })
        .then([this] {
            HWND box = shownBox();
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(boxText(box),
                      "VIRMA4: Ungültiger Wert in \"Zyklen\": erlaubt sind ganze Zahlen von 0 bis "
                      "4294967295.");
            // The window is disabled while its box is up.
            EXPECT_FALSE(IsWindowEnabled(main()));
            click(boxButton(box, IDOK));
        })
        .then([this] {
            EXPECT_EQ(shownBox(), nullptr);
            EXPECT_TRUE(IsWindowEnabled(main()));
            EXPECT_EQ(textOf(control("zyklenEdit")), "");
            EXPECT_EQ(window->fields().zyklen, 200u);
        });
    closeBox();
    run();
}

}  // namespace

}  // namespace k7w32test
