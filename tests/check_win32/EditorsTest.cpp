// Editors and card windows on a simulated card, driven through their real Win32 windows: Enter
// confirms a parameter window and Escape cancels one; entries a window cannot take are refused
// naming the field, the entry kept as typed and nothing written; radio rows and check boxes.
#include <gtest/gtest.h>

#include <cstring>

#include "SimulatedProgram.h"
#include "windows/card/CommandParameterDlgs.h"
#include "windows/card/KennungDlg.h"
#include "windows/editors/AnzeigeVorgabenDlg.h"
#include "windows/pci/PCIeepromRegisterDlg.h"

using namespace k7check;

namespace k7w32test {

namespace {

class Editors : public SimulatedProgram {
  protected:
    HWND control(Dialog& window, const char* name) {
        k7w32::Win32DialogView* view = desktop.viewOf(window);
        return view == nullptr ? nullptr : view->control(name);
    }
    HWND windowOf(Dialog& window) {
        k7w32::Win32DialogView* view = desktop.viewOf(window);
        return view == nullptr ? nullptr : view->hwnd();
    }
    // Types `typed` into `edit`, presses `button`, answers the window's `question` "Ja" where it
    // asks one first, and expects the message `expected` naming the field; the box answered,
    // the entry stays as typed and the window stays open; then Escape cancels it.
    void refuse(Dialog& window, const char* edit, const char* typed, const char* button,
                const std::string& expected, const std::string& question = {}) {
        script.then([=, this, &window] {
            type(control(window, edit), typed);
            click(control(window, button));
        });
        if (!question.empty()) {
            script.then([=] {
                HWND box = shownBox();
                ASSERT_NE(box, nullptr) << edit;
                EXPECT_EQ(boxText(box), question);
                click(boxButton(box, IDYES));
            });
        }
        script
            .then([=, this, &window] {
                HWND box = shownBox();
                ASSERT_NE(box, nullptr) << edit;
                EXPECT_EQ(boxText(box), expected);
                // The box's caption is the window's title: the window itself is disabled.
                EXPECT_FALSE(IsWindowEnabled(windowOf(window)));
                click(boxButton(box, IDOK));
            })
            .then([=, this, &window] {
                EXPECT_EQ(shownBox(), nullptr);
                EXPECT_TRUE(IsWindowEnabled(windowOf(window)));
                EXPECT_EQ(textOf(control(window, edit)), typed);
                EXPECT_FALSE(window.ended());
                key(windowOf(window), VK_ESCAPE);
            });
        EXPECT_EQ(script.run(desktop, window), kIdCancel);
    }

    Script script;
};

TEST_F(Editors, EnterConfirmsTheParameterWindowEscapeCancelsIt) {
    ParameterSet set;
    set.filter = 3;
    AnzeigeVorgabenDlg window(desktop, session().card(1), set);
    script.then([&] {
        HWND filter = control(window, "filterEdit");
        EXPECT_EQ(textOf(filter), "3");
        // OK is the default button.
        EXPECT_EQ(LOWORD(SendMessageW(windowTitled(window.title()), DM_GETDEFID, 0, 0)), IDOK);
        type(filter, "5");
        key(filter, VK_RETURN);
    });
    EXPECT_EQ(script.run(desktop, window), kIdOk);
    EXPECT_EQ(set.filter, 5);

    ParameterSet kept;
    kept.filter = 3;
    AnzeigeVorgabenDlg again(desktop, session().card(1), kept);
    Script escape;
    escape.then([&] {
        type(control(again, "filterEdit"), "6");
        key(control(again, "filterEdit"), VK_ESCAPE);
    });
    EXPECT_EQ(escape.run(desktop, again), kIdCancel);
    EXPECT_EQ(kept.filter, 3);
}

TEST_F(Editors, ANegativeFilterIsRefusedByName) {
    ParameterSet set;
    set.filter = 3;
    AnzeigeVorgabenDlg window(desktop, session().card(1), set);
    refuse(window, "filterEdit", "-1", "okButton",
           "Anzeige Meßparameter: Ungültiger Wert in \"Filter\": erlaubt sind ganze Zahlen von 0 "
           "bis 7.");
    EXPECT_EQ(set.filter, 3);
}

TEST_F(Editors, AKennungOf300IsRefusedAndNothingWritten) {
    KonfigRecord before{};
    uint32_t error = 0;
    ASSERT_EQ(KARVO7GetKonfig(session().card(1), &before, &error), 1);
    KennungDlg window(session(), session().card(1));
    refuse(window, "dynamikEdit", "300", "writeButton",
           "Kennung: Ungültiger Wert in \"Dynamik\": erlaubt sind ganze Zahlen von 0 bis 255.",
           "Kennung: Wollen Sie wirklich schreiben?");
    KonfigRecord after{};
    ASSERT_EQ(KARVO7GetKonfig(session().card(1), &after, &error), 1);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
}

TEST_F(Editors, ACommaInAnEepromFieldIsRefusedAndTheEepromKept) {
    const uint32_t before = KARVO7ReadPCIEEPROMbyte(session().card(1), 0x7F);
    PCIeepromRegisterDlg window(desktop, session().card(1), profile());
    refuse(window, "maxLatencyEdit", "1,5", "writeButton",
           "PCI EEPROM: Ungültiger Wert in \"Max Latency\": erlaubt sind Hexadezimalzahlen von 00 "
           "bis FF.");
    EXPECT_EQ(KARVO7ReadPCIEEPROMbyte(session().card(1), 0x7F), before);
}

TEST_F(Editors, RadioRowsStayExclusiveAndCheckBoxesAreTaken) {
    CmdShotDlg window(desktop,
                      [this](uint32_t r) { return KARVO7ReadRegister(session().card(1), r); });
    script
        .then([&] {
            click(control(window, "hfRadio"));
            click(control(window, "clock14Radio"));
            click(control(window, "iffCheck"));
        })
        .then([&] {
            const auto on = [&](const char* name) {
                return SendMessageW(control(window, name), BM_GETCHECK, 0, 0) == BST_CHECKED;
            };
            EXPECT_TRUE(on("hfRadio"));
            EXPECT_FALSE(on("aScanRadio"));
            EXPECT_TRUE(on("clock14Radio"));
            EXPECT_FALSE(on("clock11Radio"));
            EXPECT_TRUE(on("iffCheck"));
            // Each radio row is a group of its own: only its first button is a tab stop.
            const auto style = [&](const char* name) {
                return GetWindowLongPtrW(control(window, name), GWL_STYLE);
            };
            EXPECT_NE(style("aScanRadio") & WS_GROUP, 0);
            EXPECT_EQ(style("hfRadio") & WS_GROUP, 0);
            EXPECT_NE(style("clock11Radio") & WS_GROUP, 0);
            click(control(window, "okButton"));
        });
    EXPECT_EQ(script.run(desktop, window), kIdOk);
    EXPECT_EQ(window.output, 1);
    EXPECT_EQ(window.clock, 2);
    EXPECT_TRUE(window.iff);
}

}  // namespace

}  // namespace k7w32test
