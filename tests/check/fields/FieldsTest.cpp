// Number fields as the windows read them, and the binder between fields and controls.
#include <gtest/gtest.h>

#include <clocale>

#include "desktop/Dialog.h"
#include "desktop/scripted/ScriptedControls.h"
#include "desktop/scripted/ScriptedDesktop.h"
#include "fields/FieldBinder.h"
#include "numbers/NumberText.h"

using namespace k7check;

namespace {

TEST(NumberText, AnEntryIsTheWholeTextAndNothingElse) {
    EXPECT_EQ(*parseInteger("300"), 300);
    EXPECT_EQ(*parseInteger(" -5 "), -5);
    EXPECT_EQ(*parseInteger("+12"), 12);
    EXPECT_EQ(*parseInteger("-0"), 0);
    EXPECT_EQ(*parseInteger("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(*parseInteger("-9223372036854775808"), INT64_MIN);
    // Text after the digits, a fraction, no digit or a number beyond 64 bits is no entry.
    for (const char* text : {"", " ", "-", "+", "abc", "x1", "12abc", "1,5", "1.5", "1 2",
                             "9223372036854775808", "99999999999999999999"}) {
        EXPECT_FALSE(parseInteger(text).has_value()) << text;
    }
}

TEST(NumberText, DecimalsReadTheSameUnderAGermanLocale) {
    const std::string held = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no German locale on this machine";
    }
    EXPECT_DOUBLE_EQ(parseDecimal("12.5").value_or(0.0), 12.5);
    EXPECT_DOUBLE_EQ(parseDecimal("12,5").value_or(0.0), 12.5);
    std::setlocale(LC_NUMERIC, held.c_str());
}

TEST(NumberText, OneRefusalTextNamesTheFieldAndItsRange) {
    EXPECT_EQ(refusalText("Ende 1", IntegerRange{0, 65535}),
              "Ungültiger Wert in \"Ende 1\": erlaubt sind ganze Zahlen von 0 bis 65535.");
    EXPECT_EQ(refusalText("Interrupt Line", IntegerRange{0, 0xFF, 2}),
              "Ungültiger Wert in \"Interrupt Line\": erlaubt sind Hexadezimalzahlen von 00 bis "
              "FF.");
    EXPECT_EQ(refusalText("Verstärkung", 0.0, 6553.5, 1),
              "Ungültiger Wert in \"Verstärkung\": erlaubt sind Zahlen von 0.0 bis 6553.5.");
}

TEST(NumberText, HexDecimalListsAndTexts) {
    EXPECT_EQ(*parseHex("0x1f"), 0x1Fu);
    EXPECT_EQ(*parseHex(" FFFF"), 0xFFFFu);
    EXPECT_FALSE(parseHex("0x").has_value());
    EXPECT_FALSE(parseHex("G1").has_value());
    EXPECT_FALSE(parseHex("1G").has_value());
    EXPECT_FALSE(parseHex("1FFFFFFFFFFFFFFFF").has_value());
    EXPECT_EQ(formatHex(0xAB, 4), "00AB");

    EXPECT_DOUBLE_EQ(*parseDecimal("12.7"), 12.7);
    EXPECT_DOUBLE_EQ(*parseDecimal("-3,5"), -3.5);
    EXPECT_FALSE(parseDecimal("").has_value());
    EXPECT_FALSE(parseDecimal("inf").has_value());
    EXPECT_FALSE(parseDecimal("nan").has_value());
    EXPECT_FALSE(parseDecimal("12.5dB").has_value());
    EXPECT_FALSE(parseDecimal("+-1").has_value());
    EXPECT_DOUBLE_EQ(*parseDecimal(" +1e3 "), 1000.0);
    EXPECT_FALSE(parseDecimal("0x10").has_value());

    EXPECT_EQ(formatIntegerList({5, 10, 0, 20}), "5, 10, 0, 20");
    EXPECT_EQ(*parseIntegerList("5, 10,0  20"), (std::vector<int64_t>{5, 10, 0, 20}));
    EXPECT_EQ(*parseIntegerList(""), std::vector<int64_t>{});
    EXPECT_FALSE(parseIntegerList("5, x").has_value());
    EXPECT_FALSE(parseIntegerList("1x").has_value());

    EXPECT_EQ(cutText("Prüfkopf", 3), "Pr");  // never half an umlaut
    EXPECT_EQ(cutText("abc", 5), "abc");
}

// A window with one field of each kind.
class FieldWindow : public Dialog {
  public:
    FieldWindow() : Dialog("FieldWindow", "Felder") {}
    void bindFields(FieldBinder& b) override {
        b.number("levelEdit", "Level", level);
        b.number("countEdit", "Anzahl", count, 1, 256);
        b.maskedHex("wordEdit", "AF Test", word, 4);
        b.decimal("gainEdit", "Verstärkung", gain, 1, 0.0, 100.0);
        b.text("nameEdit", name, 5);
        b.check("onCheck", on);
        b.radio({"r0", "r1", "r2"}, mode);
    }
    uint8_t level = 7;
    int64_t count = 1;
    uint16_t word = 0x12;
    double gain = 20.0;
    std::string name = "abc";
    bool on = false;
    int mode = 0;
};

TEST(FieldBinder, ReadsWhatWasTypedAndWritesEveryField) {
    ScriptedDesktop desktop;
    FieldWindow window;
    desktop.answerModal([&](Dialog& dialog) {
        ScriptedControls& c = *desktop.controlsOf(dialog);
        dialog.writeFieldsToControls();
        EXPECT_EQ(c.text("wordEdit"), "0012");
        EXPECT_EQ(c.text("gainEdit"), "20.0");
        EXPECT_TRUE(c.isChecked("r0"));
        EXPECT_FALSE(c.isChecked("r1"));

        c.type("levelEdit", "255");
        c.type("countEdit", " 256 ");
        c.type("wordEdit", "1ABCD");  // a register value keeps the bits the window shows
        c.type("gainEdit", "12,5");
        c.type("nameEdit", "Prüfkopf");
        c.click("onCheck", true);
        c.click("r0", false);
        c.click("r2", true);
        EXPECT_EQ(dialog.takeFieldsFromControls(), std::nullopt);
        EXPECT_EQ(window.level, 255);
        EXPECT_EQ(window.count, 256);
        EXPECT_EQ(window.word, 0xABCD);
        EXPECT_DOUBLE_EQ(window.gain, 12.5);
        EXPECT_EQ(window.name, "Prüf");
        EXPECT_TRUE(window.on);
        EXPECT_EQ(window.mode, 2);
        return kIdOk;
    });
    EXPECT_EQ(desktop.runModal(window), kIdOk);
    EXPECT_EQ(desktop.controlsOf(window), nullptr);  // closed
}

TEST(FieldBinder, AnEntryThatIsNotTheFieldsValueIsRefusedAndNoFieldChanges) {
    ScriptedDesktop desktop;
    FieldWindow window;
    struct Case {
        const char* control;
        const char* typed;
        const char* message;
    };
    const Case cases[] = {
        {"levelEdit", "300",
         "Ungültiger Wert in \"Level\": erlaubt sind ganze Zahlen von 0 bis 255."},
        {"levelEdit", "-1",
         "Ungültiger Wert in \"Level\": erlaubt sind ganze Zahlen von 0 bis 255."},
        {"levelEdit", "1,5",
         "Ungültiger Wert in \"Level\": erlaubt sind ganze Zahlen von 0 bis 255."},
        {"levelEdit", "abc",
         "Ungültiger Wert in \"Level\": erlaubt sind ganze Zahlen von 0 bis 255."},
        {"countEdit", "0",
         "Ungültiger Wert in \"Anzahl\": erlaubt sind ganze Zahlen von 1 bis 256."},
        {"countEdit", "257",
         "Ungültiger Wert in \"Anzahl\": erlaubt sind ganze Zahlen von 1 bis 256."},
        {"wordEdit", "XYZ",
         "Ungültiger Wert in \"AF Test\": erlaubt sind Hexadezimalzahlen von 0000 bis FFFF."},
        {"gainEdit", "100.5",
         "Ungültiger Wert in \"Verstärkung\": erlaubt sind Zahlen von 0.0 bis 100.0."},
        {"gainEdit", "12 dB",
         "Ungültiger Wert in \"Verstärkung\": erlaubt sind Zahlen von 0.0 bis 100.0."},
    };
    desktop.answerModal([&](Dialog& dialog) {
        ScriptedControls& c = *desktop.controlsOf(dialog);
        dialog.writeFieldsToControls();
        for (const Case& k : cases) {
            dialog.writeFieldsToControls();
            // The other fields hold good entries; none of them is taken either.
            c.type("countEdit", "9");
            c.type("nameEdit", "xyz");
            c.type(k.control, k.typed);
            EXPECT_EQ(dialog.takeFieldsFromControls(), std::optional<std::string>(k.message))
                << k.control << " " << k.typed;
            EXPECT_EQ(window.level, 7);
            EXPECT_EQ(window.count, 1);
            EXPECT_EQ(window.word, 0x12);
            EXPECT_DOUBLE_EQ(window.gain, 20.0);
            EXPECT_EQ(window.name, "abc");
        }
        // Reading field by field takes the good entries and names the refused ones.
        dialog.writeFieldsToControls();
        c.type("levelEdit", "");
        c.type("countEdit", "9");
        const std::vector<FieldRefusal> refused = dialog.readFieldsFromControls();
        EXPECT_EQ(refused.size(), 1u);
        EXPECT_EQ(refused.empty() ? "" : refused[0].control, "levelEdit");
        EXPECT_EQ(window.level, 7);
        EXPECT_EQ(window.count, 9);
        return kIdOk;
    });
    EXPECT_EQ(desktop.runModal(window), kIdOk);
}

TEST(ScriptedDesktop, AnUnscriptedYesNoCancelQuestionIsAnsweredCancelSoALoopEnds) {
    ScriptedDesktop desktop;
    desktop.answerMessages({Answer::Yes, Answer::No});
    int asked = 0;
    while (desktop.messageBox("Blockmessung", "ASCAN?", Buttons::YesNoCancel) != Answer::Cancel) {
        ASSERT_LT(++asked, 10);
    }
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(desktop.messageBox("Check", "Wollen Sie wirklich sichern?", Buttons::YesNo),
              Answer::Yes);
}

TEST(ScriptedDesktop, LiveWorkStopsWhenTheTechnicianAsks) {
    ScriptedDesktop desktop;
    desktop.stopLiveWorkAt(3);
    int rounds = 0;
    {
        LiveWork live(desktop, "Datenrate11");
        while (!live.stopped()) {
            desktop.sleep(10);
            ++rounds;
        }
        EXPECT_TRUE(live.stopped());  // stays stopped once asked
    }
    EXPECT_EQ(rounds, 2);
    EXPECT_EQ(desktop.now(), 20u);
    EXPECT_EQ(desktop.work(), std::vector<std::string>{"live: Datenrate11"});

    bool ran = false;
    desktop.runLong("Kennung", "Schreibe Kennung...", 30000, [&] { ran = true; });
    EXPECT_TRUE(ran);
}

// A window that paints a frame and a diagonal.
class PaintingWindow : public Dialog {
  public:
    PaintingWindow() : Dialog("Painting", "Bild") {}
    bool paints() const override { return true; }
    void onPaint(Canvas& canvas, Size client) override {
        canvas.fillRect(0, 0, client.width, client.height, kWhite);
        canvas.setPen(kRed, 3);
        canvas.line({10, 10}, {client.width - 10, client.height - 10});
        canvas.text(30, 0, "1: 3200 Bytes", kBlue);
    }
};

TEST(ScriptedDesktop, RecordsWhatAWindowPaints) {
    ScriptedDesktop desktop;
    desktop.setClientSize({200, 100});
    PaintingWindow window;
    desktop.showModeless(window);
    desktop.repaint(window);
    const auto& ops = desktop.lastPaint().ops();
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_EQ(ops[0].kind, DrawOp::Kind::Fill);
    EXPECT_EQ(ops[0].to, (Point{200, 100}));
    const std::vector<DrawOp> red = desktop.lastPaint().lines(kRed, 3);
    ASSERT_EQ(red.size(), 1u);
    EXPECT_EQ(red[0].to, (Point{190, 90}));
    ASSERT_NE(desktop.lastPaint().findText("1: 3200 Bytes"), nullptr);
    EXPECT_EQ(desktop.lastPaint().findText("1: 3200 Bytes")->colour, kBlue);
}

}  // namespace
