// The desktop of the unattended run: what it answers to each kind of question, and that every
// answer is logged.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "desktop/Dialog.h"
#include "desktop/scripted/HeadlessDesktop.h"

using namespace k7check;

namespace {

TEST(HeadlessDesktop, LogsEveryAnswerAndAgreesToNothing) {
    std::ostringstream err;
    HeadlessDesktop desktop("/opt/karvo7/bin/KARVO7Check", err, /*virtualClock=*/true);
    EXPECT_EQ(desktop.messageBox("Init", "WarmUp Karte 1 Error 5", Buttons::Ok), Answer::Ok);
    EXPECT_EQ(desktop.messageBox("Check", "Wollen Sie wirklich sichern?", Buttons::YesNo),
              Answer::No);
    EXPECT_EQ(err.str(),
              "Init: WarmUp Karte 1 Error 5\nCheck: Wollen Sie wirklich sichern? [Ja/Nein]\n");
    EXPECT_EQ(desktop.messageBox("Lauf", "Weiter?", Buttons::YesNoCancel), Answer::Cancel);
    // Nobody chooses a file: a file dialog is cancelled, even one proposing a name.
    EXPECT_FALSE(desktop.attended());
    EXPECT_EQ(desktop.saveFileDialog("Data.csv", "CSV-Datei (*.csv)|*.csv||"), std::nullopt);
    EXPECT_EQ(desktop.openFileDialog("KARVO7DSP.hex", "*.hex"), std::nullopt);
    EXPECT_EQ(err.str(),
              "Init: WarmUp Karte 1 Error 5\nCheck: Wollen Sie wirklich sichern? [Ja/Nein]\n"
              "Lauf: Weiter? [Ja/Nein/Abbrechen]\n");
    EXPECT_EQ(desktop.messageLines(),
              (std::vector<std::string>{"Init: WarmUp Karte 1 Error 5",
                                        "Check: Wollen Sie wirklich sichern?", "Lauf: Weiter?"}));
}

TEST(HeadlessDesktop, AModalWindowIsClosedWithCancelAndLogged) {
    std::ostringstream err;
    HeadlessDesktop desktop("/opt/karvo7/bin/KARVO7Check", err, /*virtualClock=*/true);
    Dialog window("BlendenDlg", "Blenden");
    EXPECT_EQ(desktop.runModal(window), kIdCancel);
    EXPECT_EQ(err.str(), "Blenden: (Fenster ohne Bildschirm geschlossen)\n");
    EXPECT_EQ(desktop.windows(), std::vector<std::string>{"BlendenDlg"});
}

}  // namespace
