// The card's own windows on simulated cards: "Kennung" and "Kennung Vorgaben", "DSP-Programm
// laden", "Selbsttest" and "Command", each by its window and by its automatic check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <type_traits>

#include "CheckTestSupport.h"
#include "ExampleFiles.h"
#include "SimFixture.h"
#include "app/Session.h"
#include "card/DspImage.h"
#include "desktop/scripted/HeadlessDesktop.h"
#include "windows/card/CommandDlg.h"
#include "windows/card/CommandParameterDlgs.h"
#include "windows/card/DSPDlg.h"
#include "windows/card/KennungDlg.h"
#include "windows/card/KennungVorgabenDlg.h"
#include "windows/card/SelbsttestDlg.h"

using namespace k7check;
using namespace k7checktest;

namespace {

constexpr uint32_t kKonfigAreaRequest = 0x80026006u;

// The scripted desktop of the tests, or the headless desktop of the unattended run on the
// virtual clock, its answers written to `log`.
template <typename DesktopType>
DesktopType desktopIn(const std::string& executable, std::ostream& log) {
    if constexpr (std::is_same_v<DesktopType, HeadlessDesktop>) {
        return DesktopType(executable, log, /*virtualClock=*/true);
    } else {
        return DesktopType(executable);
    }
}

// A session on simulated cards, started from a parameter file in a scratch folder that names
// the shipped identification file and DSP program by absolute paths.
template <typename DesktopType>
class CardWindowsOn : public ::testing::Test {
  protected:
    void start(uint32_t cards = 2, bool persist = false, const std::string& extraIni = "") {
        config = simtest::testConfig(cards);
        if (persist) {
            config.persist = true;
            config.stateDir = dir.path();
        }
        sim = std::make_unique<k7sim::Simulator>(config);
        ASSERT_TRUE(sim->install());
        desktop.onSleep([this] { sim->service(); });
        // A channel for each card started: a channel without its card is a missing card.
        std::string channels = "[Bus]\n";
        for (uint32_t n = 1; n <= cards; ++n) {
            channels +=
                "Kanal" + std::to_string(n) + "=Bus 1 Slot " + std::to_string(11 + n) + "\n";
        }
        writeText(dir.file("KARVO7Check.INI"),
                  channels + "[Kennung]\nFilename=" + exampleFile("KARVO7Kennung.txt") +
                      "\n[DSP]\nFilename=" + exampleFile("KARVO7DSP.hex") + "\n" + extraIni);
        session = std::make_unique<Session>(desktop);
        ASSERT_TRUE(session->startUp());
        desktop.clear();
    }
    ~CardWindowsOn() override {
        session.reset();
        sim.reset();
    }
    KARVO7HANDLE card(uint32_t number = 1) { return session->card(number); }
    KonfigRecord cardRecord(uint32_t number = 1) {
        uint32_t error = 0;
        return readCardKennung(card(number), error).value_or(KonfigRecord{});
    }
    void fault(uint32_t number, k7sim::Fault::Kind kind, uint32_t code = 0, uint32_t word = 0) {
        k7sim::Fault f;
        f.kind = kind;
        f.code = code;
        f.word = word;
        sim->addFault(number, f);
    }
    // The shipped Kennung file as the parameter file's [Kennung] reference, in the test's folder;
    // returns its text.
    std::string useShippedKennungFile() {
        const std::string shipped = readText(exampleFile("KARVO7Kennung.txt"));
        writeText(dir.file("Kennung.txt"), shipped);
        desktop.writeProfileString(session->profileFile(), "Kennung", "Filename",
                                   dir.file("Kennung.txt"));
        return shipped;
    }
    std::string firmware(uint32_t number) {
        return readText(dir.path() + "/test/card" + std::to_string(number) + ".firmware");
    }
    // Runs `window` modally; `act` plays the user on its controls.
    template <typename Window>
    void show(Window& window, std::function<void(Window&, ScriptedControls&)> act) {
        desktop.answerModal([&](Dialog& dialog) {
            act(dynamic_cast<Window&>(dialog), *desktop.controlsOf(dialog));
            return kIdOk;
        });
        desktop.runModal(window);
    }

    TempDir dir;
    std::ostringstream log;
    DesktopType desktop = desktopIn<DesktopType>(dir.file("KARVO7Check"), log);
    k7sim::Config config;
    std::unique_ptr<k7sim::Simulator> sim;
    std::unique_ptr<Session> session;
};
using CardWindows = CardWindowsOn<ScriptedDesktop>;
using UnattendedCardWindows = CardWindowsOn<HeadlessDesktop>;

// ---- Kennung --------------------------------------------------------------------------------

TEST_F(CardWindows, KennungShowsTheCardAndItsCheckComparesWithTheReferenceFile) {
    start();
    KennungDlg window(*session, card());
    show<KennungDlg>(window, [](KennungDlg&, ScriptedControls& c) {
        EXPECT_EQ(c.text("karteEdit"), "KARVO7F");
        EXPECT_EQ(c.text("grunddaempfungEdit").substr(0, 4), "  6,") << "%3d";
    });
    std::string result;
    EXPECT_TRUE(window.automaticCheck(result));
    EXPECT_EQ(result, "OK");

    // The first difference in file order, as the file writes both values.
    std::string file = readText(exampleFile("KARVO7Kennung.txt"));
    file.replace(file.find("17,2,1:"), std::strlen("17,2,1:12"), "17,2,1:14");
    writeText(dir.file("Kennung.txt"), file);
    desktop.writeProfileString(session->profileFile(), "Kennung", "Filename",
                               dir.file("Kennung.txt"));
    EXPECT_FALSE(window.automaticCheck(result));
    EXPECT_EQ(result, "ADC Soll: 14 Ist: " + std::to_string(cardRecord().AdcBits));

    desktop.writeProfileString(session->profileFile(), "Kennung", "Filename",
                               dir.file("missing.txt"));
    EXPECT_FALSE(window.automaticCheck(result));
    EXPECT_EQ(result, std::string(kKennungFileUnreadable) + ": " + dir.file("missing.txt"));

    // A file that is not the record's text form is no reference: the line is named and the
    // card is not compared with an empty record.
    writeText(dir.file("Kennung.txt"), "");
    desktop.writeProfileString(session->profileFile(), "Kennung", "Filename",
                               dir.file("Kennung.txt"));
    EXPECT_FALSE(window.automaticCheck(result));
    EXPECT_EQ(result, "Kennung-Datei " + dir.file("Kennung.txt") + ": leer");
    file.replace(file.find("17,2,1:14"), std::strlen("17,2,1:14"), "17,2,1:1x");
    writeText(dir.file("Kennung.txt"), file);
    EXPECT_FALSE(window.automaticCheck(result));
    EXPECT_EQ(result,
              "Kennung-Datei " + dir.file("Kennung.txt") + ": Zeile 7: Wert \"1x\" ungültig");
}

// Names in the parameter file are taken from its folder, whatever the working folder is, and
// what is not found is named by the path tried.
TEST_F(CardWindows, FilesTheParameterFileNamesAreTakenFromItsFolder) {
    start();
    std::filesystem::create_directory(dir.file("refs"));
    writeText(dir.file("refs/Kennung.txt"), readText(exampleFile("KARVO7Kennung.txt")));
    writeText(dir.file("refs/DSP.hex"), readText(exampleFile("KARVO7DSP.hex")));
    desktop.writeProfileString(session->profileFile(), "Kennung", "Filename", "refs/Kennung.txt");
    desktop.writeProfileString(session->profileFile(), "DSP", "Filename", "refs/DSP.hex");
    KennungDlg kennung(*session, card());
    std::string result;
    EXPECT_TRUE(kennung.automaticCheck(result)) << result;
    KennungVorgabenDlg vorgaben(*session);
    show<KennungVorgabenDlg>(vorgaben, [](KennungVorgabenDlg&, ScriptedControls& c) {
        EXPECT_EQ(c.text("dateinameLabel"), "refs/Kennung.txt");  // the entry as it stands
        EXPECT_EQ(c.text("karteEdit"), "KARVO7F");
    });
    DSPDlg dsp(*session);
    show<DSPDlg>(dsp, [](DSPDlg& w, ScriptedControls& c) {
        c.click("sicherheitsabfrageCheck", false);
        w.onCommand("writeButton");
    });
    EXPECT_EQ(dsp.ergebnis, "Karte 1 OK (Reset nach 50 ms)");

    desktop.writeProfileString(session->profileFile(), "Kennung", "Filename", "Kennung.txt");
    desktop.writeProfileString(session->profileFile(), "DSP", "Filename", "KARVO7DSP.hex");
    EXPECT_FALSE(kennung.automaticCheck(result));
    EXPECT_EQ(result, "Kennung-Datei nicht lesbar: " + dir.file("Kennung.txt"));
    DSPDlg missing(*session);
    show<DSPDlg>(missing, [](DSPDlg& w, ScriptedControls& c) {
        c.click("sicherheitsabfrageCheck", false);
        w.onCommand("writeButton");
    });
    EXPECT_EQ(missing.ergebnis, "Datei nicht gefunden: " + dir.file("KARVO7DSP.hex"));
}

TEST_F(CardWindows, KennungWriteStoresTheEditsAsTheRecordReadsThem) {
    start(2, /*persist=*/true);
    KennungDlg window(*session, card());
    show<KennungDlg>(window, [](KennungDlg& w, ScriptedControls& c) {
        c.type("adcEdit", "200");
        c.type("daempfungEingangEdit", "5, 10, 0, 20");
        c.type("karteEdit", "ABCDEFGHIJKLMNOPQRSTUVWXY");
        c.type("bandgrenzeObenEdit", "10.123");
        w.onCommand("writeButton");
        // The window shows what the card now holds.
        EXPECT_EQ(c.text("adcEdit"), "200");
        EXPECT_EQ(c.text("daempfungEingangEdit"), "5,10");
    });
    EXPECT_EQ(desktop.work(), std::vector<std::string>{
                                  "long: Kennung: Die Kennung wird auf die Karte geschrieben ..."});
    const KonfigRecord written = cardRecord();
    EXPECT_EQ(written.AdcBits, 200);
    EXPECT_EQ(std::vector<uint16_t>(written.DaempfungEingang, written.DaempfungEingang + 4),
              (std::vector<uint16_t>{5, 10, 0, 0}))
        << "the card keeps a list up to its first 0";
    EXPECT_EQ(std::string(written.Karte, 20), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_FLOAT_EQ(written.BandgrenzeOben, 10.123f);

    // The card's EEPROM keeps it: a new start of the cards reads the same record.
    session.reset();
    sim.reset();
    start(2, /*persist=*/true);
    EXPECT_EQ(std::memcmp(&written, &(const KonfigRecord&)cardRecord(), sizeof written), 0);
}

TEST_F(CardWindows, KennungWriteRefusesAnEntryTheRecordCannotHoldBeforeWriting) {
    start();
    const KonfigRecord before = cardRecord();
    KennungDlg window(*session, card());
    struct Case {
        const char* control;
        const char* typed;
        const char* message;
    };
    const Case cases[] = {
        {"dynamikEdit", "300", "\"Dynamik\": erlaubt sind ganze Zahlen von 0 bis 255."},
        {"dynamikEdit", "viel", "\"Dynamik\": erlaubt sind ganze Zahlen von 0 bis 255."},
        {"adcEdit", "-5", "\"ADC\": erlaubt sind ganze Zahlen von 0 bis 255."},
        {"maxSapFolgeEdit", "1.5", "\"max. SAP-Folge\": erlaubt sind ganze Zahlen von 0 bis 255."},
        {"bandgrenzeUntenEdit", "", "\"Bandgrenze unten\": erlaubt sind Zahlen."},
        {"bandgrenzeObenEdit", "1e39", "\"Bandgrenze oben\": erlaubt sind Zahlen."},
        {"samplerrateEdit", "40, 300",
         "\"Samplerrate\": erlaubt sind bis zu 8 ganze Zahlen von 0 bis 255, durch Kommas "
         "getrennt."},
        {"daempfungEingangEdit", "1,2,3,4,5",
         "\"Dämpfung Eingang\": erlaubt sind bis zu 4 ganze Zahlen von 0 bis 65535, durch Kommas "
         "getrennt."},
        {"grunddaempfungEdit", "6, x",
         "\"Grunddämpfung\": erlaubt sind bis zu 8 ganze Zahlen von 0 bis 255, durch Kommas "
         "getrennt."},
        {"filterBandgrenzeEdit", "1.5, zwei",
         "\"Filter Bandgrenze\": erlaubt sind bis zu 16 Zahlen, durch Kommas getrennt."},
    };
    std::vector<std::string> expected;
    show<KennungDlg>(window, [&](KennungDlg& w, ScriptedControls& c) {
        for (const Case& k : cases) {
            w.writeFieldsToControls();
            c.type(k.control, k.typed);
            w.onCommand("writeButton");
            expected.push_back("Kennung: Wollen Sie wirklich schreiben?");
            expected.push_back(std::string("Kennung: Ungültiger Wert in ") + k.message);
        }
    });
    EXPECT_EQ(desktop.messageLines(), expected);
    EXPECT_TRUE(desktop.work().empty());
    EXPECT_EQ(std::memcmp(&before, &(const KonfigRecord&)cardRecord(), sizeof before), 0);

    // Answered No: nothing is read from the edits or written.
    desktop.answerMessages({Answer::No});
    show<KennungDlg>(window, [](KennungDlg& w, ScriptedControls& c) {
        c.type("dynamikEdit", "61");
        w.onCommand("writeButton");
    });
    EXPECT_TRUE(desktop.work().empty());
}

TEST_F(CardWindows, SixteenOfTheWidestBandLimitsAreShownWholeAndWrittenWhole) {
    start(2, /*persist=*/true);
    std::string typed;
    for (int i = 0; i < 16; ++i) {
        typed += (i > 0 ? "," : "") + std::string("-3.4e38");
    }
    KennungDlg window(*session, card());
    show<KennungDlg>(window, [&](KennungDlg& w, ScriptedControls& c) {
        c.type("filterBandgrenzeEdit", typed);
        w.onCommand("writeButton");
        // Read back from the card: sixteen elements of the widest text, none cut off.
        const std::string shown = c.text("filterBandgrenzeEdit");
        EXPECT_EQ(std::count(shown.begin(), shown.end(), ','), 15);
        EXPECT_EQ(shown.substr(shown.rfind(',') + 1), shown.substr(0, shown.find(',')));
        EXPECT_GT(shown.size(), 255u);
        // Written again as shown, the record keeps every value.
        w.onCommand("writeButton");
    });
    const KonfigRecord written = cardRecord();
    for (const float limit : written.FilterBandgrenze) {
        EXPECT_FLOAT_EQ(limit, -3.4e38f);
    }
}

TEST_F(CardWindows, AFailedReadShowsItsErrorAndEmptyFields) {
    start();
    fault(1, k7sim::Fault::Kind::Request, kKonfigAreaRequest, 0xE0001234u);
    KennungDlg window(*session, card());
    show<KennungDlg>(window, [](KennungDlg&, ScriptedControls& c) {
        EXPECT_EQ(c.text("karteEdit"), "");
        EXPECT_EQ(c.text("adcEdit"), "0");
    });
    // The box names the window, the card and what the error word is.
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{
                  "Kennung: Kennung Karte 1: GetKonfig Error E0001234 (Fehlerwort des Treibers)"});
    std::string result;
    EXPECT_FALSE(window.automaticCheck(result));
    EXPECT_EQ(result.rfind("GetKonfig Error ", 0), 0u);
}

// ---- Kennung Vorgaben -----------------------------------------------------------------------

TEST_F(CardWindows, VorgabenSavesTheShippedFileUnchangedByteForByte) {
    start();
    const std::string shipped = useShippedKennungFile();
    writeText(dir.file("Kennung.txt"), "garbage");  // the window reads it on opening
    writeText(dir.file("Kennung.txt"), shipped);
    KennungVorgabenDlg window(*session);
    show<KennungVorgabenDlg>(window, [&](KennungVorgabenDlg& w, ScriptedControls& c) {
        EXPECT_EQ(c.text("dateinameLabel"), dir.file("Kennung.txt"));
        EXPECT_EQ(c.text("filterMittenfrequenzEdit").find(' '), std::string::npos) << "%.2f";
        w.onCommand("saveButton");
    });
    EXPECT_EQ(readText(dir.file("Kennung.txt")), shipped);
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Kennung Vorgaben: Wollen Sie wirklich sichern?"});
}

TEST_F(CardWindows, VorgabenWarnsAboutValuesTheFileCannotCarry) {
    start();
    desktop.writeProfileString(session->profileFile(), "Kennung", "Filename",
                               dir.file("Kennung.txt"));
    writeText(dir.file("Kennung.txt"), "1,1,3:ABC;\n0");
    KennungVorgabenDlg window(*session);
    desktop.answerMessages({Answer::Yes, Answer::No, Answer::Yes, Answer::Yes});
    show<KennungVorgabenDlg>(window, [&](KennungVorgabenDlg& w, ScriptedControls& c) {
        EXPECT_EQ(c.text("karteEdit"), "ABC");
        c.type("karteEdit", "A;B");
        c.type("samplerrateEdit", "40, 0, 20");
        w.onCommand("saveButton");  // Yes, then No to the warning
        EXPECT_EQ(readText(dir.file("Kennung.txt")), "1,1,3:ABC;\n0");
        w.onCommand("saveButton");  // Yes, Yes: the user decides
    });
    ASSERT_EQ(desktop.messages().size(), 4u);
    EXPECT_NE(desktop.messages()[1].text.find("\n  Karte\n  Samplerrate\n"), std::string::npos);
    EXPECT_EQ(desktop.messages()[1].buttons, Buttons::YesNo);
    const KonfigRecord saved = parseKennungFile(readText(dir.file("Kennung.txt")));
    EXPECT_STREQ(saved.Karte, "A");
    EXPECT_EQ(saved.Samplerrate[0], 40);
    EXPECT_EQ(saved.Samplerrate[2], 0);
}

// Save writes what the window holds: a list whose third value two decimals make 0 holds two
// values in the file, counted as two.
TEST_F(CardWindows, VorgabenSavesAListAsTheFileReadsItBack) {
    start();
    const std::string shipped = useShippedKennungFile();
    KennungVorgabenDlg window(*session);
    desktop.answerMessages({Answer::Yes, Answer::Yes});
    show<KennungVorgabenDlg>(window, [&](KennungVorgabenDlg& w, ScriptedControls& c) {
        c.type("filterMittenfrequenzEdit", "1.00,2.67,0.004");
        w.onCommand("saveButton");
    });
    const std::string saved = readText(dir.file("Kennung.txt"));
    EXPECT_NE(saved.find("\n37,5,2:1.00,2.67;\n"), std::string::npos) << saved;
    std::string rest = shipped;
    const size_t at = rest.find("37,5,8:");
    rest.replace(at, rest.find('\n', at) - at, "37,5,2:1.00,2.67;");
    EXPECT_EQ(saved, rest);
}

TEST_F(CardWindows, VorgabenRefusesANegativeByteOrAnEmptyKarteBeforeAskingAndKeepsTheFile) {
    start();
    const std::string shipped = useShippedKennungFile();
    KennungVorgabenDlg window(*session);
    show<KennungVorgabenDlg>(window, [&](KennungVorgabenDlg& w, ScriptedControls& c) {
        c.type("aufnahmeFifoEdit", "-5");
        w.onCommand("saveButton");
        // The window keeps what was typed, and does not show another value for it.
        EXPECT_EQ(c.text("aufnahmeFifoEdit"), "-5");
        // An empty "Karte" would be a reference no card matches.
        c.type("aufnahmeFifoEdit", "5");
        c.type("karteEdit", "");
        w.onCommand("saveButton");
    });
    EXPECT_EQ(readText(dir.file("Kennung.txt")), shipped);
    EXPECT_EQ(desktop.messageLines(),
              (std::vector<std::string>{"Kennung Vorgaben: Ungültiger Wert in \"Aufnahme-FIFO\": "
                                        "erlaubt sind ganze Zahlen von 0 bis 255.",
                                        "Kennung Vorgaben: Ungültiger Wert in \"Karte\": erlaubt "
                                        "sind Texte mit mindestens einem Zeichen."}));
}

TEST_F(CardWindows, VorgabenRefusesABlankNameAndReportsAFailedWrite) {
    start();
    desktop.writeProfileString(session->profileFile(), "Kennung", "Filename", " ");
    KennungVorgabenDlg blank(*session);
    show<KennungVorgabenDlg>(blank, [](KennungVorgabenDlg& w, ScriptedControls& c) {
        c.type("karteEdit", "KARVO7F");
        w.onCommand("saveButton");
    });
    EXPECT_EQ(desktop.messages().back().text,
              "Kein Dateiname: in der Parameterdatei fehlt [Kennung] Filename.");

    desktop.writeProfileString(session->profileFile(), "Kennung", "Filename",
                               dir.file("no/such/folder/Kennung.txt"));
    KennungVorgabenDlg unwritable(*session);
    show<KennungVorgabenDlg>(unwritable, [](KennungVorgabenDlg& w, ScriptedControls& c) {
        c.type("karteEdit", "KARVO7F");
        w.onCommand("saveButton");
    });
    EXPECT_EQ(desktop.messages().back().text, "Die Datei " +
                                                  dir.file("no/such/folder/Kennung.txt") +
                                                  " konnte nicht geschrieben werden!");
}

// ---- DSP-Programm laden ---------------------------------------------------------------------

TEST_F(CardWindows, DspWriteLoadsTheImageOfTheFileAndRestartsTheCard) {
    start(2, /*persist=*/true);
    DSPDlg window(*session);
    show<DSPDlg>(window, [](DSPDlg& w, ScriptedControls& c) {
        EXPECT_EQ(c.text("karteEdit"), "1");
        w.onCommand("writeButton");
        EXPECT_EQ(c.text("ergebnisLabel"), "Karte 1 OK (Reset nach 50 ms)");
    });
    const DspImageRead image = readDspImage(exampleFile("KARVO7DSP.hex"));
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(firmware(1), std::string(image.image.bytes.begin(), image.image.bytes.end()));
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"DSP-Programm: Wollen Sie wirklich schreiben?"});
    EXPECT_EQ(desktop.work(),
              std::vector<std::string>{"long: DSP-Programm: Das DSP-Programm wird geladen ..."});
    uint32_t error = 0;
    EXPECT_EQ(KARVO7Command(card(), k7proto::cmd::kStart, 0, nullptr, &error), 1) << "warmed up";
}

TEST_F(CardWindows, DspRefusesACardNumberThatIsNoNumberBeforeLoadingOrSaving) {
    start();
    const std::string before = readText(session->profileFile());
    DSPDlg window(*session);
    show<DSPDlg>(window, [](DSPDlg& w, ScriptedControls& c) {
        c.type("karteEdit", "eins");
        c.type("dateinameEdit", "anders.hex");
        w.onCommand("writeButton");
        w.onCommand("saveButton");
    });
    const std::string refused =
        "DSP-Programm: Ungültiger Wert in \"Karte\": erlaubt sind ganze Zahlen von 0 bis "
        "4294967295.";
    EXPECT_EQ(desktop.messageLines(), (std::vector<std::string>{refused, refused}));
    EXPECT_TRUE(desktop.work().empty());  // nothing loaded
    EXPECT_EQ(readText(session->profileFile()), before);
}

TEST_F(CardWindows, DspRefusesFilesAndCardsItCannotLoad) {
    start(2, /*persist=*/true);
    writeText(dir.file("prog.txt"), "12AB\r\n");
    writeText(dir.file("empty.bin"), "");
    writeText(dir.file("big.bin"), std::string(kDspMaxImageBytes + 1, 'x'));
    const std::vector<std::pair<std::string, std::string>> cases{
        {dir.file("prog.txt"), kDspNoValidExtension},
        {dir.file("empty.bin"), kDspNoValidExtension},
        {dir.file("missing.hex"), dspFileNotFoundText(dir.file("missing.hex"))},
        {" ", kDspFileNotFound},
        {dir.file("big.bin"), kDspTooLarge},
    };
    for (const auto& [file, text] : cases) {
        DSPDlg window(*session);
        show<DSPDlg>(window, [&, &file = file](DSPDlg& w, ScriptedControls& c) {
            c.click("sicherheitsabfrageCheck", false);
            c.type("dateinameEdit", file);
            w.onCommand("writeButton");
        });
        EXPECT_EQ(window.ergebnis, text) << file;
    }
    // With the question on, a file that cannot be loaded is refused before anything is asked.
    {
        DSPDlg window(*session);
        show<DSPDlg>(window, [&](DSPDlg& w, ScriptedControls& c) {
            c.click("sicherheitsabfrageCheck", true);
            c.type("dateinameEdit", dir.file("missing.hex"));
            w.onCommand("writeButton");
        });
        EXPECT_EQ(window.ergebnis, "Datei nicht gefunden: " + dir.file("missing.hex"));
    }
    // Card 0 and one above the number of cards load nothing.
    for (const char* number : {"0", "3"}) {
        DSPDlg window(*session);
        show<DSPDlg>(window, [&](DSPDlg& w, ScriptedControls& c) {
            c.type("karteEdit", number);
            w.onCommand("writeButton");
        });
        EXPECT_EQ(window.ergebnis, "Ungültige Kartennummer");
    }
    EXPECT_TRUE(desktop.messages().empty());
    EXPECT_EQ(firmware(1), "");
    EXPECT_EQ(firmware(2), "");
}

TEST_F(CardWindows, DspAutoincrementLoadsEveryCardOnceAndClearsItself) {
    start(3, /*persist=*/true);
    writeText(dir.file("prog.bin"), std::string(129, '\x5A'));
    DSPDlg window(*session);
    std::vector<std::string> shown;
    show<DSPDlg>(window, [&](DSPDlg& w, ScriptedControls& c) {
        c.type("karteEdit", "3");
        c.click("alleKartenCheck", true);
        w.onCommand("alleKartenCheck");
        EXPECT_EQ(c.text("karteEdit"), "1");
        c.click("sicherheitsabfrageCheck", false);
        c.type("dateinameEdit", dir.file("prog.bin"));
        for (int press = 0; press < 3; ++press) {
            w.onCommand("writeButton");
            shown.push_back(c.text("ergebnisLabel") + " / " + c.text("karteEdit") +
                            (c.isChecked("alleKartenCheck") ? " +" : " -"));
        }
    });
    EXPECT_EQ(shown, (std::vector<std::string>{"Karte 1 OK (Reset nach 50 ms) / 2 +",
                                               "Karte 2 OK (Reset nach 50 ms) / 3 +",
                                               "Karte 3 OK (Reset nach 50 ms) / 3 -"}));
    EXPECT_TRUE(desktop.messages().empty());
    // 129 bytes travel as two blocks, the rest of the second one zero.
    for (uint32_t number = 1; number <= 3; ++number) {
        EXPECT_EQ(firmware(number), std::string(129, '\x5A') + std::string(127, '\0'));
    }
}

TEST_F(CardWindows, DspSaveKeepsTheFileNameInTheParameterFile) {
    start();
    DSPDlg window(*session);
    desktop.answerMessages({Answer::No, Answer::Yes});
    show<DSPDlg>(window, [this](DSPDlg& w, ScriptedControls& c) {
        c.type("dateinameEdit", "/opt/prog/neu.hex");
        w.onCommand("saveButton");
        EXPECT_EQ(desktop.profileString(session->profileFile(), "DSP", "Filename", ""),
                  exampleFile("KARVO7DSP.hex"))
            << "answered No: nothing saved";
        w.onCommand("saveButton");
    });
    EXPECT_EQ(desktop.profileString(session->profileFile(), "DSP", "Filename", ""),
              "/opt/prog/neu.hex");
    EXPECT_EQ(desktop.messageLines(),
              (std::vector<std::string>{"DSP-Programm: Wollen Sie wirklich sichern?",
                                        "DSP-Programm: Wollen Sie wirklich sichern?"}));
}

TEST_F(CardWindows, DspResetThatNeverEndsOrEndsAtOnceIsAFailureWithoutWarmUp) {
    start();
    for (const auto kind : {k7sim::Fault::Kind::ResetNever, k7sim::Fault::Kind::ResetAtOnce}) {
        sim->clearFaults(1);
        fault(1, kind);
        DSPDlg window(*session);
        std::string name = exampleFile("KARVO7DSP.hex");
        std::string result;
        const uint32_t before = desktop.now();
        EXPECT_FALSE(window.load(1, name, result));
        EXPECT_EQ(result, "Reset Error after loading");
        EXPECT_LE(desktop.now() - before, 100u + 100u * 10u);
    }
}

TEST_F(CardWindows, DspCheckLoadsTheChosenFileOrTheNamedOneWhenUnattended) {
    start();
    DSPDlg window(*session);
    std::string result;
    desktop.answerFileDialog(exampleFile("KARVO7DSP.hex"));
    EXPECT_TRUE(window.automaticCheck(result));
    EXPECT_EQ(result, "Karte 1 OK (Reset nach 50 ms)");
    ASSERT_EQ(desktop.fileDialogs().size(), 1u);
    EXPECT_EQ(desktop.fileDialogs()[0], exampleFile("KARVO7DSP.hex") + " | " + kDspFileFilter);

    // Cancelled: nothing to load.
    EXPECT_FALSE(window.automaticCheck(result));
    EXPECT_EQ(result, "Datei nicht gefunden");
}

TEST_F(UnattendedCardWindows, DspCheckLoadsTheNamedFileWhenNobodyChooses) {
    start();
    DSPDlg window(*session);
    std::string result;
    // Nobody to choose: the named file without a file dialog, and without a name nothing.
    EXPECT_TRUE(window.automaticCheck(result));
    EXPECT_EQ(result, "Karte 1 OK (Reset nach 50 ms)");
    desktop.writeProfileString(session->profileFile(), "DSP", "Filename", " ");
    EXPECT_FALSE(window.automaticCheck(result));
    EXPECT_EQ(result, "Datei nicht gefunden");
    EXPECT_TRUE(desktop.fileDialogs().empty());
    EXPECT_EQ(log.str(), "");
}

}  // namespace
