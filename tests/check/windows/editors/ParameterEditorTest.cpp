// The parameter editor "Anzeige Meßparameter": codings of the radio rows, scalings of gain and
// level, the unit conversions with their rounding, the depth compensation fields, refused
// entries, and a set edited here reaching a simulated card as entered.
#include <gtest/gtest.h>

#include <functional>

#include "CheckTestSupport.h"
#include "ExampleFiles.h"
#include "SimFixture.h"
#include "card/SetToCard.h"
#include "card/TaFile.h"
#include "desktop/scripted/ScriptedDesktop.h"
#include "paramfile/ParameterKeys.h"
#include "windows/editors/AnzeigeVorgabenDlg.h"

using namespace k7check;
using namespace k7checktest;

namespace {

using Act = std::function<void(AnzeigeVorgabenDlg&, ScriptedControls&)>;

// Opens the editor on `set`, lets `act` work on it and returns the window's result.
int edit(ParameterSet& set, const Act& act, KARVO7HANDLE card = nullptr,
         ScriptedDesktop* given = nullptr) {
    ScriptedDesktop local;
    ScriptedDesktop& desktop = given != nullptr ? *given : local;
    desktop.answerModal([&](Dialog& dialog) {
        act(dynamic_cast<AnzeigeVorgabenDlg&>(dialog), *desktop.controlsOf(dialog));
        return kIdCancel;
    });
    AnzeigeVorgabenDlg window(desktop, card, set);
    return desktop.runModal(window);
}

void press(AnzeigeVorgabenDlg& w, ScriptedControls& c, const std::string& control) {
    c.click(control, true);
    w.onCommand(control);
}

TEST(ParameterEditor, SamplingRateCodesOpenAndStore) {
    ParameterSet set;
    set.samplerate = 6;
    EXPECT_EQ(edit(set,
                   [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
                       EXPECT_TRUE(c.isChecked("rate40Radio"));
                       EXPECT_TRUE(c.isChecked("takt16Check"));
                       w.onOk();
                   }),
              kIdOk);
    EXPECT_EQ(set.samplerate, 6);

    set.samplerate = 9;
    edit(set, [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
        EXPECT_TRUE(c.isChecked("rate160Radio"));
        EXPECT_FALSE(c.isChecked("takt16Check"));
        w.onOk();
    });
    EXPECT_EQ(set.samplerate, 4);
}

TEST(ParameterEditor, GainAndLevelScalings) {
    ParameterSet set;
    set.esbLevel = 30;
    edit(set, [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
        EXPECT_EQ(c.text("esbLevelEdit"), "7");
        EXPECT_EQ(c.text("verstaerkungEdit"), "20");
        c.type("verstaerkungEdit", "20.3");
        w.onOk();
    });
    EXPECT_EQ(set.verstaerkung, 203);
    // The level shown as 7 and stored unchanged keeps its held 30.
    EXPECT_EQ(set.esbLevel, 30);
    edit(set, [](AnzeigeVorgabenDlg&, ScriptedControls& c) {
        EXPECT_EQ(c.text("verstaerkungEdit"), "20.3");
    });
}

TEST(ParameterEditor, RadioRowsAndCodedFields) {
    ParameterSet set;
    set.triggereingangsmode = 3;
    set.triggerausgangsmode = 6;
    set.sendeimpulsbreite = 0x0B;  // low three bits select "185 ns"
    set.start = 2;                 // neither "keine Messung" nor "Einzelmessung"
    set.ascan = false;
    set.faktor = 9;
    edit(set, [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
        EXPECT_TRUE(c.isChecked("eingangEinzelRadio"));
        EXPECT_TRUE(c.isChecked("eingangLowCheck"));
        EXPECT_TRUE(c.isChecked("ausgangEinzelSapRadio"));
        EXPECT_TRUE(c.isChecked("ausgangLowCheck"));
        EXPECT_TRUE(c.isChecked("pulse185Radio"));
        EXPECT_FALSE(c.isChecked("keineMessungRadio"));
        EXPECT_FALSE(c.isChecked("einzelmessungRadio"));
        EXPECT_EQ(c.text("ascanEdit"), "0");
        // A click selects its radio and clears the rest of its row only.
        press(w, c, "energie3Radio");
        press(w, c, "pulse480Radio");
        EXPECT_TRUE(c.isChecked("energie3Radio"));
        EXPECT_TRUE(c.isChecked("pulse480Radio"));
        EXPECT_FALSE(c.isChecked("pulse185Radio"));
        c.click("eingangLowCheck", false);
        c.type("ascanEdit", "44");
        c.type("senderdaempfungEdit", "2");
        w.onOk();
    });
    EXPECT_EQ(set.sendeenergie, 2);
    EXPECT_EQ(set.sendeimpulsbreite, 5);
    EXPECT_EQ(set.triggereingangsmode, 1);
    EXPECT_EQ(set.triggerausgangsmode, 6);
    EXPECT_EQ(set.start, 2);  // kept, not turned into a code of no radio
    EXPECT_TRUE(set.ascan);
    EXPECT_EQ(set.faktor, 44);
    EXPECT_EQ(set.senderdaempfung, 2);
}

TEST(ParameterEditor, MicrosecondsRoundBackToTheGrid) {
    ParameterSet set;
    set.samplerate = 0;
    set.pkVorlauf = 12;
    set.esbTime = 13;
    set.aufnahmelaenge = 100;
    edit(set, [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
        press(w, c, "usRadio");
        EXPECT_EQ(c.text("vorlaufEdit"), "0.15");
        EXPECT_EQ(c.text("esbTimeEdit"), "0.1625");
        EXPECT_EQ(c.text("aufnahmeEdit"), "1.25");
        c.type("esbTimeEdit", "0.17");  // 13.6 samples: the nearest is 14
        press(w, c, "samplesRadio");
        EXPECT_EQ(c.text("vorlaufEdit"), "16");
        EXPECT_EQ(c.text("esbTimeEdit"), "14");
        w.onOk();
    });
    EXPECT_EQ(set.pkVorlauf, 16);
    EXPECT_EQ(set.esbTime, 14);
    EXPECT_EQ(set.aufnahmelaenge, 104);  // the record fields go to the grid of 8
}

TEST(ParameterEditor, MillimetresUseTheSoundVelocity) {
    ParameterSet set;
    set.samplerate = 0;
    set.aufnahmelaenge = 100;
    edit(set, [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
        EXPECT_EQ(c.text("schallEdit"), "5920");
        press(w, c, "mmRadio");
        EXPECT_EQ(c.text("aufnahmeEdit"), "3.7");
        // Storing from mm gives the counts back, on the grid of 8.
        w.onOk();
    });
    EXPECT_EQ(set.aufnahmelaenge, 104);
}

TEST(ParameterEditor, ARefusedSoundVelocityKeepsUnitAndVelocity) {
    ParameterSet set;
    set.samplerate = 0;
    set.aufnahmelaenge = 100;
    ScriptedDesktop desktop;
    edit(
        set,
        [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
            press(w, c, "usRadio");
            c.type("schallEdit", "0");
            press(w, c, "mmRadio");
            EXPECT_EQ(w.shownUnit(), units::Unit::Us);
            EXPECT_TRUE(c.isChecked("usRadio"));
            EXPECT_FALSE(c.isChecked("mmRadio"));
            EXPECT_EQ(c.text("schallEdit"), "5920");
            EXPECT_EQ(c.text("aufnahmeEdit"), "1.25");
            c.type("schallEdit", "-3");
            press(w, c, "mmRadio");
            EXPECT_EQ(w.shownUnit(), units::Unit::Us);
            w.onOk();
        },
        nullptr, &desktop);
    EXPECT_EQ(desktop.messageLines(),
              (std::vector<std::string>{
                  "Anzeige Meßparameter: Die Schallgeschwindigkeit muss größer als 0 sein!",
                  "Anzeige Meßparameter: Die Schallgeschwindigkeit muss größer als 0 sein!"}));
    EXPECT_EQ(set.aufnahmelaenge, 104);
}

TEST(ParameterEditor, EntriesThatDoNotFitTheirFieldAreRefused) {
    ParameterSet set;
    const ParameterSet before = set;
    ScriptedDesktop desktop;
    const int result = edit(
        set,
        [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
            press(w, c, "usRadio");
            c.type("vorlaufEdit", "1e30");
            w.onOk();
            EXPECT_FALSE(w.ended());
            // Within the 16-bit range a count is taken as it is.
            c.type("vorlaufEdit", "1");
            c.type("verstaerkungEdit", "7000");
            w.onOk();
            EXPECT_FALSE(w.ended());
            EXPECT_EQ(w.shownUnit(), units::Unit::Us);
            EXPECT_EQ(c.text("vorlaufEdit"), "1");
            c.type("verstaerkungEdit", "20");
            c.click("taEnableCheck", true);
            c.type("stuetzstellenEdit", "0");
            w.onOk();
            c.type("stuetzstellenEdit", "257");
            w.onOk();
            c.type("stuetzstellenEdit", "abc");
            w.onOk();
            c.type("stuetzstellenEdit", "8");
            // A negative count in an unsigned field, a byte beyond 255, a fraction.
            c.type("vorlaufEdit", "-5");
            w.onOk();
            c.type("vorlaufEdit", "1");
            c.type("filterEdit", "-1");
            w.onOk();
            c.type("filterEdit", "8");
            w.onOk();
            c.type("filterEdit", "2");
            c.type("sapDelayEdit", "1,5");
            w.onOk();
            c.type("sapDelayEdit", "0");
            c.type("verstaerkungEdit", "-3");
            w.onOk();
            EXPECT_FALSE(w.ended());
        },
        nullptr, &desktop);
    EXPECT_EQ(result, kIdCancel);
    const std::string caption = "Anzeige Meßparameter: Ungültiger Wert in ";
    const std::string vorlauf =
        caption + "\"Vorlauf\": erlaubt sind Zahlen von 0 µs bis 1638.38 µs.";
    const std::string gain = caption + "\"Verstärkung\": erlaubt sind Zahlen von 0.0 bis 6553.5.";
    const std::string stuetz =
        caption + "\"Stützstellen\": erlaubt sind ganze Zahlen von 1 bis 256.";
    const std::string filter = caption + "\"Filter\": erlaubt sind ganze Zahlen von 0 bis 7.";
    EXPECT_EQ(desktop.messageLines(),
              (std::vector<std::string>{
                  vorlauf, gain, stuetz, stuetz, stuetz, vorlauf, filter, filter,
                  caption + "\"SAP-Delay\": erlaubt sind ganze Zahlen von 0 bis 65535.", gain}));
    // Nothing of a refused entry reached the set.
    EXPECT_EQ(set.pkVorlauf, before.pkVorlauf);
    EXPECT_EQ(set.verstaerkung, before.verstaerkung);
    EXPECT_EQ(set.filter, before.filter);
    EXPECT_EQ(set.sapDelay, before.sapDelay);
    EXPECT_EQ(set.taStuetzstellen, before.taStuetzstellen);
    EXPECT_FALSE(set.taReferenz);
}

TEST(ParameterEditor, EveryFieldTakesOnlyWhatTheCardTakes) {
    ParameterSet set;
    const ParameterSet before = set;
    ScriptedDesktop desktop;
    edit(
        set,
        [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
            press(w, c, "samplesRadio");
            for (const auto& [control, value] :
                 std::vector<std::pair<std::string, std::string>>{{"averageEdit", "8"},
                                                                  {"filterEdit", "8"},
                                                                  {"blendeEdit", "16"},
                                                                  {"maxSapEdit", "4194304"},
                                                                  {"aufnahmeEdit", "0"}}) {
                const std::string kept = c.text(control);
                c.type(control, value);
                w.onOk();
                EXPECT_FALSE(w.ended()) << control;
                c.type(control, kept);
            }
        },
        nullptr, &desktop);
    const std::string caption = "Anzeige Meßparameter: Ungültiger Wert in ";
    EXPECT_EQ(desktop.messageLines(),
              (std::vector<std::string>{
                  caption + "\"Average\": erlaubt sind ganze Zahlen von 0 bis 7.",
                  caption + "\"Filter\": erlaubt sind ganze Zahlen von 0 bis 7.",
                  caption + "\"Blende\": erlaubt sind ganze Zahlen von 0 bis 15.",
                  caption + "\"max. SAP\": erlaubt sind ganze Zahlen von 0 bis 4194303.",
                  caption + "\"Aufnahme\": erlaubt sind Zahlen von 1 bis 65535."}));
    EXPECT_EQ(set.average, before.average);
    EXPECT_EQ(set.filter, before.filter);
    EXPECT_EQ(set.aufnahmelaenge, before.aufnahmelaenge);
}

TEST(ParameterEditor, DepthCompensationEnableAndSpacingAcrossRates) {
    ParameterSet set;
    set.samplerate = 0;
    set.taVerzoegerung = 16;
    set.taAbstand = 80;
    set.taStuetzstellen = 2;
    set.taReferenz = true;
    edit(set, [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
        EXPECT_TRUE(c.isChecked("taEnableCheck"));
        EXPECT_EQ(c.text("stuetzstellenEdit"), "3");
        c.type("taAbstandEdit", "160");
        c.type("stuetzstellenEdit", "9");
        c.click("taEnableCheck", false);
        w.onOk();
    });
    // Unchecked: the depth fields stay, only the reference goes.
    EXPECT_FALSE(set.taReferenz);
    EXPECT_EQ(set.taAbstand, 80);
    EXPECT_EQ(set.taStuetzstellen, 2);
    EXPECT_EQ(set.taVerzoegerung, 16);

    // A new rate keeps the spacing's length: 1 µs is 80 counts at 80 MHz, 40 at 40 MHz and
    // 2.5 (rounded to the grid of 4: 4) at 40 MHz / 16; shown in µs, it converts to counts
    // first and back after.
    edit(set, [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
        press(w, c, "rate40Radio");
        EXPECT_EQ(c.text("taAbstandEdit"), "40");
        press(w, c, "usRadio");
        EXPECT_EQ(c.text("taAbstandEdit"), "1");
        press(w, c, "takt16Check");
        EXPECT_EQ(c.text("taAbstandEdit"), "1.6");
        EXPECT_EQ(w.clockTiming().period, 0.4f);
        c.click("taEnableCheck", true);
        w.onOk();
    });
    EXPECT_EQ(set.samplerate, 6);
    EXPECT_EQ(set.taAbstand, 4);
    EXPECT_TRUE(set.taReferenz);
}

TEST(ParameterEditor, ShotStoresAndCancelLeavesTheSet) {
    ParameterSet set;
    EXPECT_EQ(edit(set,
                   [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
                       c.type("filterEdit", "5");
                       press(w, c, "shotButton");
                   }),
              AnzeigeVorgabenDlg::kIdShot);
    EXPECT_EQ(set.filter, 5);
    EXPECT_EQ(edit(set,
                   [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
                       c.type("filterEdit", "1");
                       w.onCancel();
                   }),
              kIdCancel);
    EXPECT_EQ(set.filter, 5);
}

TEST(ParameterEditor, LadenReadsTheFileWithTheEffectiveRate) {
    TempDir dir;
    writeText(dir.file("kurve.ta"), "1.0 12.5 13 13.04\n");
    ParameterSet set;
    set.samplerate = 1;
    ScriptedDesktop desktop;
    desktop.answerFileDialog(dir.file("kurve.ta"));
    edit(
        set,
        [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
            press(w, c, "ladenButton");
            EXPECT_EQ(c.text("taAbstandEdit"), "40");
            EXPECT_EQ(c.text("stuetzstellenEdit"), "3");
            c.click("taEnableCheck", true);
            w.onOk();
        },
        nullptr, &desktop);
    EXPECT_EQ(desktop.fileDialogs().size(), 1u);
    EXPECT_EQ(set.taDatei, dir.file("kurve.ta"));
    EXPECT_EQ(set.taAbstand, 40);
    EXPECT_EQ(set.taStuetzstellen, 2);
    EXPECT_EQ(set.taTabelle[1], 130);
    EXPECT_TRUE(set.taReferenz);
}

TEST(ParameterEditor, AFailedLadenSaysWhyAndKeepsTheFileForTheNextOne) {
    TempDir dir;
    writeText(dir.file("kurve.ta"), "-1.0 12.5\n");
    ParameterSet set;
    ScriptedDesktop desktop;
    edit(
        set,
        [&](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
            c.type("taDateiEdit", dir.file("kurve.ta"));
            press(w, c, "ladenButton");
            EXPECT_EQ(c.text("taDateiEdit"), dir.file("kurve.ta"));
            // Corrected, the same file loads with the next "Laden".
            writeText(dir.file("kurve.ta"), "1.0 12.5 13\n");
            press(w, c, "ladenButton");
            EXPECT_EQ(c.text("stuetzstellenEdit"), "2");
            w.onCancel();
        },
        nullptr, &desktop);
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Anzeige Meßparameter: Datei " + dir.file("kurve.ta") +
                                       ": Abstand ungültig"});
    EXPECT_TRUE(desktop.fileDialogs().empty());
}

TEST(ParameterEditor, TheShippedDepthCompensationFileLoads) {
    ParameterSet set;
    const TaContent content =
        loadTaFile(exampleFile("KARVO7Tiefenausgleich.ta"), set, units::rateTiming(set.samplerate));
    ASSERT_EQ(content.status, TaContent::Status::Read);
    EXPECT_EQ(set.taStuetzstellen, 15);
    EXPECT_EQ(set.taTabelle[15], 75);
}

// ---- on simulated cards ----------------------------------------------------------------------

class EditorOnCard : public simtest::SimTest {
  protected:
    void SetUp() override {}
    void startWith(bool version3) {
        k7sim::Config config = simtest::testConfig(1);
        config.cards[0].version3 = version3;
        start(config);
        card = open(1);
        ASSERT_NE(card, nullptr);
        uint32_t error = 0;
        ASSERT_EQ(KARVO7WarmUp(card, &error), 1);
    }
    ScriptedDesktop desktop;  // virtual clock before the cards
    KARVO7HANDLE card = nullptr;
};

TEST_F(EditorOnCard, BlendenmessungCountsOnlyOnKarvo7F) {
    startWith(false);
    ParameterSet set;
    set.start = 5;
    edit(
        set,
        [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
            EXPECT_FALSE(c.isChecked("blendenmessungCheck"));
            EXPECT_TRUE(c.isChecked("einzelmessungRadio"));
            c.click("blendenmessungCheck", true);
            w.onOk();
        },
        card, &desktop);
    EXPECT_EQ(set.start, 1);
}

TEST_F(EditorOnCard, ASetEditedHereReachesTheCardAsEntered) {
    startWith(true);
    ParameterSet set;
    set.samplerate = 0;
    edit(
        set,
        [](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
            EXPECT_TRUE(c.isChecked("keineMessungRadio") || c.isChecked("einzelmessungRadio"));
            press(w, c, "usRadio");
            c.type("vorlaufEdit", "0.4");    // 32 samples
            c.type("aufnahmeEdit", "10");    // 800 samples
            c.type("taDelayEdit", "0.2");    // 16 counts
            c.type("taAbstandEdit", "1.5");  // 120 counts
            c.type("verstaerkungEdit", "32.5");
            c.type("triggerDelayEdit", "1234");
            c.click("taEnableCheck", true);
            c.type("stuetzstellenEdit", "4");
            w.onOk();
        },
        card, &desktop);
    ASSERT_EQ(set.pkVorlauf, 32);
    uint32_t error = 0;
    ASSERT_TRUE(handSetToCard(card, 0, set, error)) << std::hex << error;
    EXPECT_EQ(KARVO7ReadRegister(card, 1032), 32u);  // pre-run
    EXPECT_EQ(KARVO7ReadRegister(card, 1076), 32u);
    EXPECT_EQ(KARVO7ReadRegister(card, 1036), 800u);  // recording length
    EXPECT_EQ(KARVO7ReadRegister(card, 1062), 325u);  // gain
    EXPECT_EQ(KARVO7ReadRegister(card, 1046), 0x4000u | 3u);
    EXPECT_EQ(KARVO7ReadRegister(card, 1048), 16u);    // depth compensation delay
    EXPECT_EQ(KARVO7ReadRegister(card, 1052), 120u);   // and spacing
    EXPECT_EQ(KARVO7ReadRegister(card, 1542), 1234u);  // trigger delay
}

}  // namespace

namespace {

// Every plain field of the table, through its own control: a box set on opens as checked and
// stores cleared when cleared; a number edit shows the set's value and stores what is typed,
// leaving every other field as it was.
TEST(ParameterEditor, EveryPlainFieldReachesItsOwnSetField) {
    for (const ParameterField& field : parameterFields()) {
        if (!field.plainInEditor()) {
            continue;
        }
        // The echo-start level is kept in steps of 4: one the editor stores back unchanged.
        ParameterSet base;
        base.esbLevel = 28;
        ParameterSet set = base;
        const std::string control = field.editor.control;
        if (field.kind == FieldKind::Bool) {
            *std::get<bool*>(field.ref(set)) = true;
            edit(set, [&](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
                EXPECT_TRUE(c.isChecked(control)) << field.key;
                c.click(control, false);
                w.onOk();
            });
            EXPECT_FALSE(*std::get<bool*>(field.ref(set))) << field.key;
        } else {
            // Two values the card takes ("Senderdämpfung" only 0 to 3).
            const int64_t last = cardRange(field, set).max;
            const int64_t shown = std::min<int64_t>(17, last - 1);
            const int64_t typed = std::min<int64_t>(42, last);
            integerRef(field, set).set(shown);
            edit(set, [&](AnzeigeVorgabenDlg& w, ScriptedControls& c) {
                EXPECT_EQ(c.text(control), std::to_string(shown)) << field.key;
                c.type(control, std::to_string(typed));
                w.onOk();
            });
            EXPECT_EQ(integerRef(field, set).get(), typed) << field.key;
        }
        ParameterSet expected = base;
        copyField(field, expected, set);
        for (const ParameterField& other : parameterFields()) {
            EXPECT_EQ(fieldText(other, set), fieldText(other, expected))
                << other.key << " changed by " << field.key;
        }
    }
}

}  // namespace
