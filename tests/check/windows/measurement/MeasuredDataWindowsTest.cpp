// The two measured-data windows on the scripted desktop: a double click opens the data list on the
// same buffer, and both windows save through the file-save dialog, showing a failure once.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "CheckTestSupport.h"
#include "desktop/scripted/ScriptedDesktop.h"
#include "windows/measurement/AnzeigeDlg.h"
#include "windows/measurement/DataListDlg.h"

using namespace k7check;

namespace {

const std::vector<uint8_t> kFourSamples = {0x00, 0x40, 0x00, 0x80, 0x10, 0x00, 0xFF, 0xFF};

MeasuredDataInputs fourSamples() {
    MeasuredDataInputs in;
    in.data = kFourSamples.data();
    in.length = static_cast<uint32_t>(kFourSamples.size());
    in.number = 1;
    in.samplingRate = 4;
    return in;
}

TEST(MeasuredDataWindow, DoubleClickOpensTheDataListOnTheSameBuffer) {
    ScriptedDesktop desktop;
    AnzeigeDlg window(desktop);
    window.setInputs(fourSamples());
    std::vector<std::string> lines;
    desktop.answerModal([&](Dialog& dialog) {
        const DataList& list = dynamic_cast<DataListDlg&>(dialog).list();
        for (std::size_t i = 0; i < list.lineCount(); ++i) {
            lines.push_back(list.line(i));
        }
        return kIdOk;
    });
    window.onDoubleClick({10, 10});
    EXPECT_EQ(desktop.windows(), std::vector<std::string>{"DataListDlg"});
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "8 Bytes");
    EXPECT_EQ(lines[1], "   0.000µs    50.0% |    0  16384 ( 256) 0x4000");

    // Without data (a failed header check) a double click opens nothing.
    desktop.clear();
    MeasuredDataInputs bad = fourSamples();
    bad.recordLayout = true;
    window.setInputs(bad);
    window.onDoubleClick({10, 10});
    EXPECT_TRUE(desktop.windows().empty());
}

// The header check's messages carry the display's own texts under its caption, whatever the
// window's title: the run windows are titled by card and set, the message is the same.
TEST(MeasuredDataWindow, AFailedHeaderCheckShowsTheDisplaysTextUnderItsCaption) {
    // A record that says 14 bytes in a buffer of 12, and one of an unknown type.
    const std::vector<uint8_t> longer = {0x14, 0x0E, 0x00, 0x00, 0xF5, 0xFF, 1, 0, 2, 0, 3, 0};
    const std::vector<uint8_t> unknown = {0x22, 0x0C, 0x00, 0x00, 0xF5, 0xFF, 1, 0, 2, 0, 3, 0};
    for (const char* title : {"Anzeige Meßdaten", "Karte 2 Parametersatz 3"}) {
        ScriptedDesktop desktop;
        AnzeigeDlg window(desktop, title);
        MeasuredDataInputs in = fourSamples();
        in.recordLayout = true;
        in.data = longer.data();
        in.length = static_cast<uint32_t>(longer.size());
        window.setInputs(in);
        in.data = unknown.data();
        window.setInputs(in);
        EXPECT_EQ(desktop.messageLines(),
                  (std::vector<std::string>{"Anzeige: Datenlänge soll: 12 - ist: 14",
                                            "Anzeige: Datentyp 0x22 unbekannt"}))
            << title;
    }
}

TEST(MeasuredDataWindow, PictureSavedThroughTheSaveDialogAndAFailureShown) {
    ScriptedDesktop desktop;
    AnzeigeDlg window(desktop);
    window.setInputs(fourSamples());
    std::vector<std::string> written;
    const auto writer = [&](bool ok) {
        return [&written, ok](const std::string& path, std::string& error) {
            written.push_back(path);
            error = "Datenträger voll";
            return ok;
        };
    };
    // Cancelled: nothing written, nothing shown.
    window.savePicture(writer(true));
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(desktop.fileDialogs(),
              std::vector<std::string>{"save: Anzeige.png | PNG-Bild (*.png)|*.png||"});

    desktop.answerFileDialog("/tmp/a.png");
    window.savePicture(writer(true));
    desktop.answerFileDialog("/tmp/b.png");
    window.savePicture(writer(false));
    EXPECT_EQ(written, (std::vector<std::string>{"/tmp/a.png", "/tmp/b.png"}));
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{
                  "Anzeige: /tmp/b.png konnte nicht gespeichert werden: Datenträger voll"});
}

TEST(DataListWindow, SpeichernUnterWritesTheCsvThroughTheSaveDialog) {
    ScriptedDesktop desktop;
    const MeasuredDataInputs in = fourSamples();
    DataListDlg window(desktop, {false, false, in.data, in.length, in.samplingRate});
    k7checktest::TempDir dir;
    desktop.answerFileDialog(dir.file("werte.csv"));
    window.saveCsv();
    EXPECT_EQ(desktop.fileDialogs(),
              std::vector<std::string>{"save: Data.csv | CSV-Datei (*.csv)|*.csv||"});
    EXPECT_EQ(k7checktest::readText(dir.file("werte.csv")), window.list().csv());
    EXPECT_TRUE(desktop.messages().empty());

    desktop.answerFileDialog(dir.file("fehlt/werte.csv"));
    window.saveCsv();
    ASSERT_EQ(desktop.messages().size(), 1u);
    EXPECT_EQ(desktop.messages()[0].caption, "Data");
    EXPECT_EQ(desktop.messages()[0].text.rfind(
                  dir.file("fehlt/werte.csv") + " konnte nicht gespeichert werden: ", 0),
              0u)
        << desktop.messages()[0].text;
    EXPECT_EQ(k7checktest::filesIn(dir.path()), std::vector<std::string>{"werte.csv"});
}

}  // namespace
