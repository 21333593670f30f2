// The main window of the program on two simulated cards, driven as a technician drives it:
// Escape, Enter and Tab, the close box, "Check All", and an empty "Zyklen" refused by name.
#include <gtest/gtest.h>

#include <algorithm>

#include "ProgramWindow.h"

namespace k7w32test {

namespace {

class MainWindow : public ProgramWindow {};

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

TEST_F(MainWindow, CheckAllWritesAnOkLineForEveryCheck) {
    std::vector<std::string> asked;
    std::vector<std::string> shown;
    script.then([this] { click(control("checkAllButton")); })
        .repeat([&] {
            // The checks' questions, answered as a technician at a healthy card does: the file
            // dialog takes the file it offers beside the program, a question is answered "Ja".
            // The block measurement's "ASCAN?" comes back after each picture until it is
            // answered "Abbrechen", which ends the block.
            if (HWND box = shownBox(); box != nullptr) {
                const std::string text = boxText(box);
                asked.push_back(text);
                const bool ascan = text.find("ASCAN?") != std::string::npos;
                HWND answer = boxButton(box, ascan ? IDCANCEL : IDYES);
                click(answer != nullptr ? answer : boxButton(box, IDOK));
                return true;
            }
            // A window a check shows its results in is looked at and closed.
            if (HWND other = openWindow(); other != nullptr) {
                shown.push_back(textOf(other));
                key(other, VK_ESCAPE);
                return true;
            }
            // Until "Check All" has ended (it keeps the windows painted meanwhile).
            return desktop.viewOf(*window)->input().acting();
        })
        .then([&] {
            const std::vector<std::string> lines = results();
            EXPECT_GE(lines.size(), 10u);
            for (const std::string& line : lines) {
                EXPECT_EQ(line.find("Error"), std::string::npos) << line;
                EXPECT_EQ(line.find("Fehler"), std::string::npos) << line;
            }
            EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                                   [](const std::string& line) {
                                       return line.rfind("Blockmessung Kanal 1: ", 0) == 0;
                                   }),
                      lines.end());
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
