// The Win32 desktop services as the program uses them: message boxes answered by their buttons
// and by Escape, the file-open dialog with the program's filter and a folder with umlauts, the
// progress window of a long operation that nothing dismisses while the work runs, and the
// conversions at the Win32 boundary.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "DesktopBoxes.h"
#include "PngImage.h"
#include "ScratchFolder.h"
#include "Text.h"
#include "Win32TestSupport.h"

using k7check::Answer;
using k7check::Buttons;

namespace k7w32test {

namespace {

class DesktopServices : public ::testing::Test {
  protected:
    TestDesktop desktop{"C:\\KARVO7\\bin\\KARVO7Check.exe"};
    Script script;
};

TEST_F(DesktopServices, MessageBoxesShowCaptionTextAndButtonsAndAnswerWithThePressedOne) {
    script
        .then([] {
            HWND box = shownBox();
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(boxText(box), "KARVO7 Check: Wollen Sie die Änderungen übernehmen?");
            EXPECT_NE(boxButton(box, IDYES), nullptr);
            EXPECT_NE(boxButton(box, IDNO), nullptr);
            EXPECT_EQ(boxButton(box, IDCANCEL), nullptr);
            click(boxButton(box, IDNO));
        })
        .then([] { click(boxButton(shownBox(), IDCANCEL)); })
        .then([] { click(boxButton(shownBox(), IDYES)); })
        .then([] { key(shownBox(), VK_RETURN); });
    script.start();
    EXPECT_EQ(
        desktop.messageBox("KARVO7 Check", "Wollen Sie die Änderungen übernehmen?", Buttons::YesNo),
        Answer::No);
    EXPECT_EQ(desktop.messageBox("Sichern", "Satz 3 sichern?", Buttons::YesNoCancel),
              Answer::Cancel);
    EXPECT_EQ(desktop.messageBox("Sichern", "Satz 3 sichern?", Buttons::YesNoCancel), Answer::Yes);
    // Enter presses the first button.
    EXPECT_EQ(desktop.messageBox("Kennung", "Fertig.", Buttons::Ok), Answer::Ok);
    EXPECT_TRUE(script.done());
}

TEST_F(DesktopServices, EscapeGivesTheAnswerThatChangesNothing) {
    script.then([] { key(shownBox(), VK_ESCAPE); }).then([] { key(shownBox(), VK_ESCAPE); });
    script.start();
    EXPECT_EQ(desktop.messageBox("A", "b", Buttons::YesNoCancel), Answer::Cancel);
    EXPECT_EQ(desktop.messageBox("A", "c", Buttons::Ok), Answer::Ok);
    EXPECT_EQ(k7w32::answerOf(IDCANCEL, Buttons::YesNo), Answer::No);
    EXPECT_EQ(k7w32::answerOf(0, Buttons::YesNoCancel), Answer::Cancel);
}

TEST_F(DesktopServices, TheFileDialogOffersTheFilterAndReturnsTheChosenPath) {
    const std::string folder = k7test::makeScratchFolder("check_win32_files") + "/Prüfplätze äöü";
    std::filesystem::create_directories(std::filesystem::u8path(folder));
    const std::string file = folder + "/Prüfplan.ini";
    std::ofstream(std::filesystem::u8path(file)) << "[Init]\n";
    std::string chosen = file;
    std::replace(chosen.begin(), chosen.end(), '/', '\\');
    script
        .then([&] {
            HWND dialog = shownBox();
            ASSERT_NE(dialog, nullptr);
            // The filter's first type is shown.
            HWND types = GetDlgItem(dialog, 0x470);
            ASSERT_NE(types, nullptr);
            EXPECT_EQ(SendMessageW(types, CB_GETCOUNT, 0, 0), 2);
            std::wstring first(256, L'\0');
            first.resize(static_cast<std::size_t>(
                SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first.data()))));
            EXPECT_EQ(k7base::utf8Of(first), "Parameterdatei (*.ini)");
            HWND name = GetDlgItem(dialog, 0x47C);
            if (name == nullptr) {
                name = GetDlgItem(dialog, 0x480);
            }
            ASSERT_NE(name, nullptr);
            EXPECT_EQ(textOf(name), "Prüfplan.ini");
            SetWindowTextW(name, k7base::wideOf(chosen).c_str());
            click(boxButton(dialog, IDOK));
        })
        .then([] { click(boxButton(shownBox(), IDCANCEL)); });
    script.start();
    EXPECT_EQ(desktop.openFileDialog(folder + "/Prüfplan.ini",
                                     "Parameterdatei (*.ini)|*.ini|Alle Dateien (*.*)|*.*||"),
              chosen);
    EXPECT_EQ(desktop.openFileDialog("Prüfplan.ini", "*.ini"), std::nullopt);
}

TEST_F(DesktopServices, TheProgressWindowStaysThroughEscapeAndItsCloseUntilTheWorkEnds) {
    desktop.setProgressDelay(0);
    std::atomic<bool> release{false};
    std::atomic<bool> worked{false};
    HWND progress = nullptr;
    script
        .then([&] {
            progress = windowTitled("DSP");
            ASSERT_NE(progress, nullptr);
            key(progress, VK_ESCAPE);
            PostMessageW(progress, WM_CLOSE, 0, 0);
            PostMessageW(progress, WM_SYSCOMMAND, SC_CLOSE, 0);
        })
        .then([&] {
            EXPECT_TRUE(IsWindowVisible(progress));
            EXPECT_FALSE(worked);
            release = true;
        });
    script.start();
    desktop.runLong("DSP", "DSP-Programm wird geladen...", 2000, [&] {
        while (!release) {
            std::this_thread::yield();
        }
        worked = true;
    });
    EXPECT_TRUE(worked);
    EXPECT_FALSE(IsWindow(progress));
}

TEST(Win32Boundary, TextsFiltersAndPictures) {
    EXPECT_EQ(k7base::utf8Of(k7base::wideOf("Meßdaten äöüÄÖÜ µs")), "Meßdaten äöüÄÖÜ µs");
    EXPECT_EQ(k7base::wideOf("Verstärkung"), L"Verst\u00e4rkung");
    EXPECT_EQ(k7w32::fileFilter("*.ini"), std::wstring(L"*.ini\0*.ini\0\0", 13));
    EXPECT_EQ(k7w32::fileFilter("PNG-Bild (*.png)|*.png||"),
              std::wstring(L"PNG-Bild (*.png)\0*.png\0\0", 24));
    EXPECT_EQ(k7w32::defaultSuffix(k7w32::fileFilter("CSV-Datei (*.csv)|*.csv||")), L"csv");
    // A PNG file: signature, the header's size, and the end chunk.
    const std::string png = k7w32::encodePng(3, 2, std::vector<uint32_t>(6, 0x00FF0000u));
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\0\3\0\0\0\2", 8));
    EXPECT_EQ(png.substr(png.size() - 12), std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12));
}

}  // namespace

}  // namespace k7w32test
