// The gates window "Blenden" and the gate value list "Blendenwerte": "ESB = B0", thresholds,
// the unit conversions of the gate times, the gate values of the last shot, "Results" and
// "Data List", and the lines of both result layouts.
#include <gtest/gtest.h>

#include <cstring>

#include "SimFixture.h"
#include "card/SetToCard.h"
#include "desktop/scripted/ScriptedDesktop.h"
#include "windows/editors/BlendenDlg.h"
#include "windows/editors/DataBlendenDlg.h"
#include "windows/measurement/AnzeigeDlg.h"
#include "windows/measurement/DataListDlg.h"

using namespace k7check;

namespace {

using Act = std::function<void(BlendenDlg&, ScriptedControls&)>;

struct GatesFixture {
    ScriptedDesktop desktop;
    ParameterSet set;
    std::array<bool, kSetsPerCard> active{};
    std::vector<uint8_t> data = std::vector<uint8_t>(131072);
    uint32_t length = 0;
    bool recordLayout = false;
    KARVO7HANDLE card = nullptr;
    // Windows the gates window opens, answered in turn.
    std::vector<ScriptedDesktop::ModalHandler> then;

    int open(const Act& act) {
        desktop.answerModal([&](Dialog& dialog) {
            act(dynamic_cast<BlendenDlg&>(dialog), *desktop.controlsOf(dialog));
            return kIdCancel;
        });
        for (auto& handler : then) {
            desktop.answerModal(handler);
        }
        BlendenDlg window(desktop, {card, &set, &active, recordLayout,
                                    std::span<const uint8_t>(data).first(length)});
        return desktop.runModal(window);
    }
};

void press(BlendenDlg& w, ScriptedControls& c, const std::string& control) {
    c.click(control, true);
    w.onCommand(control);
}

TEST(GatesWindow, EsbFollowsGateZeroWhileChecked) {
    GatesFixture f;
    f.open([](BlendenDlg& w, ScriptedControls& c) {
        EXPECT_TRUE(c.isChecked("esbGleichB0Check"));
        c.type("anfang0Edit", "350");
        w.onEditChanged("anfang0Edit");
        EXPECT_EQ(c.text("esbTimeEdit"), "350");
        c.type("schwelle0Edit", "12");
        w.onEditChanged("schwelle0Edit");
        EXPECT_EQ(c.text("esbLevelEdit"), "12");
        c.click("esbGleichB0Check", false);
        w.onCommand("esbGleichB0Check");
        c.type("anfang0Edit", "500");
        w.onEditChanged("anfang0Edit");
        EXPECT_EQ(c.text("esbTimeEdit"), "350");
        w.onOk();
    });
    EXPECT_EQ(f.set.esbTime, 350);
    EXPECT_EQ(f.set.esbLevel, 48);
    EXPECT_EQ(f.set.gates[0].anfang, 500);
}

TEST(GatesWindow, ThresholdsAndEnablesRoundTrip) {
    GatesFixture f;
    f.set.gates[1].schwelle = 800;
    f.set.gates[2].schwelle = 805;
    EXPECT_EQ(f.open([](BlendenDlg& w, ScriptedControls& c) {
        EXPECT_EQ(c.text("schwelle1Edit"), "200");
        EXPECT_EQ(c.text("schwelle2Edit"), "201");
        c.click("enable3Check", false);
        c.click("esbEnableCheck", true);
        w.onOk();
    }),
              kIdOk);
    // Opening and "OK" change no threshold, not even one the window shows rounded down.
    EXPECT_EQ(f.set.gates[1].schwelle, 800);
    EXPECT_EQ(f.set.gates[2].schwelle, 805);
    EXPECT_EQ(f.set.enable, (std::array<bool, kGates>{true, true, true, false, true}));
    // Escape changes nothing.
    f.set.gates[1].schwelle = 100;
    EXPECT_EQ(f.open([](BlendenDlg& w, ScriptedControls& c) {
        c.type("schwelle1Edit", "3");
        w.onCancel();
    }),
              kIdCancel);
    EXPECT_EQ(f.set.gates[1].schwelle, 100);
}

TEST(GatesWindow, AThresholdTheParameterFileCannotHoldIsRefused) {
    GatesFixture f;
    f.set.gates[1].schwelle = 800;
    f.open([](BlendenDlg& w, ScriptedControls& c) {
        c.type("schwelle1Edit", "222");
        w.onOk();
        EXPECT_FALSE(w.ended());
        c.type("schwelle1Edit", "224");
        w.onOk();
    });
    EXPECT_EQ(f.desktop.messageLines(),
              std::vector<std::string>{
                  "Blenden: Ungültiger Wert in \"Schwelle 1\": erlaubt sind Vielfache von 4 von 0 "
                  "bis 16380 (die Parameterdatei hält Schwellen in Schritten von 4)."});
    EXPECT_EQ(f.set.gates[1].schwelle, 896);
}

TEST(GatesWindow, AnEntryTheSetCannotHoldIsRefusedByItsLabelAndNothingIsStored) {
    GatesFixture f;
    f.set.gates[1].schwelle = 800;
    f.set.gates[1].ende = 300;
    const ParameterSet before = f.set;
    EXPECT_EQ(f.open([](BlendenDlg& w, ScriptedControls& c) {
        c.type("anfang2Edit", "150");  // a good entry, not stored either
        c.type("schwelle1Edit", "-5");
        w.onOk();
        c.type("schwelle1Edit", "16384");
        w.onOk();
        c.type("schwelle1Edit", "200");
        c.type("esbLevelEdit", "1.5");
        w.onOk();
        c.type("esbLevelEdit", "0");
        c.type("ende1Edit", "viel");
        w.onOk();
        press(w, c, "usRadio");  // refused the same way: the unit stays
        EXPECT_TRUE(c.isChecked("samplesRadio"));
        EXPECT_FALSE(w.ended());
    }),
              kIdCancel);
    const std::string caption = "Blenden: Ungültiger Wert in ";
    const std::string threshold =
        caption + "\"Schwelle 1\": erlaubt sind ganze Zahlen von 0 bis 16383.";
    const std::string ende = caption + "\"Ende 1\": erlaubt sind Zahlen von 0 bis 65535.";
    EXPECT_EQ(f.desktop.messageLines(),
              (std::vector<std::string>{
                  threshold, threshold,
                  caption + "\"Level\": erlaubt sind ganze Zahlen von 0 bis 16383.", ende, ende}));
    EXPECT_EQ(f.set.gates[1].schwelle, before.gates[1].schwelle);
    EXPECT_EQ(f.set.gates[1].ende, before.gates[1].ende);
    EXPECT_EQ(f.set.gates[2].anfang, before.gates[2].anfang);
    EXPECT_EQ(f.set.esbLevel, before.esbLevel);
}

TEST(GatesWindow, GatePositionsAreWholeSamplesTheGateCommandCarries) {
    GatesFixture f;
    const ParameterSet before = f.set;
    f.open([](BlendenDlg& w, ScriptedControls& c) {
        for (const char* typed : {"99999999", "123456789", "65536", "-1", "300.5"}) {
            c.type("ende1Edit", typed);
            w.onOk();
            EXPECT_FALSE(w.ended()) << typed;
        }
        c.type("ende1Edit", "65535");
        c.type("anfang1Edit", "0");
        w.onOk();
        EXPECT_TRUE(w.ended());
    });
    const std::string ende =
        "Blenden: Ungültiger Wert in \"Ende 1\": erlaubt sind Zahlen von 0 bis 65535.";
    EXPECT_EQ(f.desktop.messageLines(), std::vector<std::string>(5, ende));
    EXPECT_EQ(f.set.gates[1].ende, 65535);
    EXPECT_EQ(f.set.gates[1].anfang, 0);
    EXPECT_EQ(f.set.gates[2].ende, before.gates[2].ende);
}

TEST(GatesWindow, MicrosecondsConvertBackToTheSameSamples) {
    GatesFixture f;
    f.set.samplerate = 1;
    f.set.gates[2].anfang = 100;
    f.set.gates[0].anfang = 101;
    f.set.gates[3].ende = 1003;  // gates 1 to 4 go to the grid of 4
    f.open([](BlendenDlg& w, ScriptedControls& c) {
        press(w, c, "usRadio");
        EXPECT_EQ(c.text("anfang2Edit"), "2.5");
        EXPECT_EQ(c.text("anfang0Edit"), "2.525");
        press(w, c, "samplesRadio");
        EXPECT_EQ(c.text("anfang2Edit"), "100");
        EXPECT_EQ(c.text("anfang0Edit"), "101");
        EXPECT_EQ(c.text("ende3Edit"), "1004");
        press(w, c, "mmRadio");
        EXPECT_EQ(c.text("anfang2Edit"), "7.4");  // 2.5 µs x 2.96
        w.onOk();
    });
    EXPECT_EQ(f.set.gates[2].anfang, 100);
    EXPECT_EQ(f.set.gates[0].anfang, 101);
    EXPECT_EQ(f.set.gates[3].ende, 1004);
}

TEST(GatesWindow, WithoutGateValuesTheStatusNamesTheError) {
    GatesFixture f;
    f.open([](BlendenDlg&, ScriptedControls& c) {
        EXPECT_EQ(c.text("statusText").rfind(" B: ", 0), 0u) << c.text("statusText");
        EXPECT_EQ(c.text("time1Text"), "");
        EXPECT_EQ(c.text("delayText"), "");
    });
}

TEST(GatesWindow, DataListOfABufferShorterThanAHeaderListsItsLength) {
    GatesFixture f;
    f.recordLayout = true;
    f.length = 4;
    std::vector<std::string> lines;
    f.then.push_back([&](Dialog& dialog) {
        const DataList& list = static_cast<DataListDlg&>(dialog).list();
        lines.clear();
        for (std::size_t i = 0; i < list.lineCount(); ++i) {
            lines.push_back(list.line(i));
        }
        return kIdCancel;
    });
    f.open([](BlendenDlg& w, ScriptedControls&) { w.onCommand("dataListButton"); });
    EXPECT_EQ(lines, std::vector<std::string>{"4 Bytes"});
    EXPECT_EQ(f.desktop.windows(), (std::vector<std::string>{"BlendenDlg", "DataListDlg"}));

    // In the native layout the same bytes are two 16-bit samples of the set's rate.
    f.recordLayout = false;
    f.data[1] = 0x40;  // 16384: 50 %
    f.open([](BlendenDlg& w, ScriptedControls&) { w.onCommand("dataListButton"); });
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "4 Bytes");
    EXPECT_NE(lines[1].find("50.0%"), std::string::npos) << lines[1];
}

// ---- gate value lines ------------------------------------------------------------------------

void put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    }
}
void put16(std::vector<uint8_t>& b, std::size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

TEST(GateValueList, NativeEntriesFollowTheActiveSets) {
    std::vector<uint8_t> b(48);
    put32(b, 0, 17);                                            // d
    put32(b, 4, (100u << 22) | (1u << 21) | (1u << 20) | 250);  // gate 0: marked
    put32(b, 8, (5u << 22) | 12);                               // gate 1: no result
    put32(b, 24, 3);
    std::array<bool, kSetsPerCard> active{};
    active[1] = true;
    active[3] = true;
    const auto lines = gateValueLines(b.data(), 48, active, false);
    const std::string none(14, ' ');
    const std::string empty = none + "| ";
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "48 Bytes");
    EXPECT_EQ(lines[1], "Parametersatz 1");
    EXPECT_EQ(lines[2], "   1: d=  17 | t= 250 v=100 ^| " + empty + empty + empty + empty);
    EXPECT_EQ(lines[3], "Parametersatz 3");
    EXPECT_EQ(lines[4], "   2: d=   3 | " + empty + empty + empty + empty + empty);
}

TEST(GateValueList, RecordsSlotsAndControlWords) {
    std::vector<uint8_t> b(8 + 56 + 4 + 56);
    // A prefixed record, then the end of a test cycle, then a record without prefix.
    b[0] = 0xFF;
    put32(b, 4, 4711);
    std::size_t p = 8;
    b[p] = 0x40;
    put32(b, p + 1, 56);  // `Datenlaenge` little-endian in bytes 1-4 (upper byte 0)
    put16(b, p + 4, static_cast<uint16_t>(-21));
    // Slot 1: amplitude 400, time 33, present and marked; slot 2: bit 15 clear.
    put16(b, p + 8, 400);
    put16(b, p + 12, 33);
    put16(b, p + 14, 0xC000);
    put16(b, p + 16, 999);
    put16(b, p + 22, 0x7FFF);
    put32(b, 64, 0xFFFFEFFFu);
    b[68] = 0x40;
    const auto lines = gateValueLines(b.data(), static_cast<uint32_t>(b.size()), {}, true);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "124 Bytes");
    EXPECT_NE(lines[1].find("Datentyp 0x40, Kennung -21 Zeit 4711"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2].substr(0, 31),
              std::string("t=  33 v=100 ^| ") + std::string(13, ' ') + "| ");
    EXPECT_EQ(lines[3], "Ende Prüfzyklus 1");
}

// ---- on a simulated card ---------------------------------------------------------------------

class GatesOnCard : public simtest::SimTest {};

TEST_F(GatesOnCard, ResultsOpenTheGateValueListOnItsOwnBuffer) {
    GatesFixture f;
    f.desktop.onSleep([this] { sim->service(); });
    f.card = open(1);
    ASSERT_NE(f.card, nullptr);
    uint32_t error = 0;
    ASSERT_EQ(KARVO7WarmUp(f.card, &error), 1);
    // One shot of set 1 in the record layout leaves one gate results record on the card (set 0
    // gives none).
    ASSERT_TRUE(handSetToCard(f.card, 1, f.set, error)) << std::hex << error;
    ASSERT_EQ(KARVO7SetVIRMA4(f.card, 1, -11, &error), 1);
    ASSERT_EQ(KARVO7Start(f.card, &error), 1);
    f.desktop.sleep(20);
    f.recordLayout = true;

    std::vector<std::string> lines;
    f.then.push_back([&](Dialog& dialog) {
        lines = f.desktop.controlsOf(dialog)->lines("valueList");
        return kIdCancel;
    });
    std::string status;
    f.open([&](BlendenDlg& w, ScriptedControls& c) {
        EXPECT_EQ(c.text("statusText"), "");  // the card's gate values are read
        EXPECT_FALSE(c.text("time1Text").empty());
        w.onCommand("resultsButton");
        status = c.text("statusText");
    });
    ASSERT_GE(lines.size(), 3u) << status;
    EXPECT_EQ(status, lines.front() + " OK");
    EXPECT_NE(lines[1].find("Datentyp 0x40, Kennung -11"), std::string::npos) << lines[1];
}

}  // namespace
