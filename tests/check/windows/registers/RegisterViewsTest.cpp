// The LCA register views on a card whose registers are a plain bank: what reading shows, what
// "Write" composes and in which order, and where the views refuse to write harm.
#include <gtest/gtest.h>

#include <map>

#include "CheckTestSupport.h"
#include "KARVO7Protocol.h"
#include "windows/registers/DataLCADlg.h"
#include "windows/registers/LCADlg.h"

using namespace k7check;
using namespace k7checktest;
namespace reg = k7proto::reg;

namespace {

// A card whose registers hold what was last written (the gate pairs of the data LCA are kept
// apart: writes set the gate, reads give the result, as on a card).
class RegisterBank {
  public:
    explicit RegisterBank(k7test::RecordingDriver& driver) {
        driver.handle(k7proto::req::kReadRegister,
                      [this](const uint8_t* in, uint32_t, uint8_t* out, uint32_t, uint32_t* n) {
                          k7proto::putLe32(out, k7proto::le32(in));
                          k7proto::putLe32(out + 4, values[k7proto::le32(in)]);
                          *n = 8;
                          return K7_ERROR_SUCCESS;
                      });
        driver.handle(k7proto::req::kWriteRegister,
                      [this](const uint8_t* in, uint32_t, uint8_t*, uint32_t, uint32_t* n) {
                          const uint32_t address = k7proto::le32(in);
                          const uint32_t value = k7proto::le32(in + 4);
                          writes.emplace_back(address, value);
                          if (address < reg::kGate1Start || address > reg::kGate4End) {
                              values[address] = value;
                          }
                          *n = 8;
                          return K7_ERROR_SUCCESS;
                      });
    }
    std::map<uint32_t, uint32_t> values;
    std::vector<std::pair<uint32_t, uint32_t>> writes;
    uint32_t written(uint32_t address) const {
        for (auto it = writes.rbegin(); it != writes.rend(); ++it) {
            if (it->first == address) {
                return it->second;
            }
        }
        ADD_FAILURE() << "register " << address << " not written";
        return 0;
    }
    bool wasWritten(uint32_t address) const {
        for (const auto& w : writes) {
            if (w.first == address) {
                return true;
            }
        }
        return false;
    }
};

class RegisterViews : public ::testing::Test {
  protected:
    RegisterViews() : installed(driver), bank(driver) { card = KARVO7Open(1); }
    ~RegisterViews() override { KARVO7Close(card); }

    // Opens `window` (reading the card) and returns its controls.
    ScriptedControls& open(Dialog& window) {
        desktop.showModeless(window);
        return *desktop.controlsOf(window);
    }

    k7test::RecordingDriver driver;
    k7test::ScopedDriver installed;
    RegisterBank bank;
    ScriptedDesktop desktop;
    KARVO7HANDLE card = nullptr;
};

TEST_F(RegisterViews, ControlLcaShowsFieldsAsTheRegistersHoldThem) {
    bank.values[reg::kCommand] = 5u << 4;    // clock field 5: no button of its own
    bank.values[reg::kFifoStatus] = 0x0003;  // two of the four empty flags
    bank.values[reg::kSapDelay] = 1000;      // above 8 bits
    bank.values[reg::kRecordTimeLow] = 0x0010;
    bank.values[reg::kRecordTimeHigh] = 0xFFF2;  // only the low four bits belong to "Time"
    bank.values[reg::kAnalog] = 7u << 9;         // "Testsignal" written, bits 5-7 say 0
    bank.values[reg::kLcaId] = 0x7C31;
    LCADlg window(desktop, card);
    ScriptedControls& controls = open(window);

    EXPECT_TRUE(controls.isChecked("clock160Radio"));
    EXPECT_FALSE(controls.isChecked("clock80Radio"));
    EXPECT_TRUE(controls.isChecked("dsEmptyCheck"));
    EXPECT_FALSE(controls.isChecked("dsFullCheck"));
    EXPECT_EQ(controls.text("sapDelayEdit"), "1000");
    EXPECT_EQ(controls.text("recordTimeEdit"), std::to_string(0x20010));
    EXPECT_TRUE(controls.isChecked("eingangOffenRadio"));  // what the card reports
    EXPECT_FALSE(controls.isChecked("testsignalRadio"));
    EXPECT_EQ(controls.text("lcaIdEdit"), "7C31");
    EXPECT_FALSE(controls.isEnabled("lcaIdEdit"));
    EXPECT_FALSE(controls.isEnabled("dsEmptyCheck"));
    EXPECT_FALSE(controls.isEnabled("energie3Radio"));
    // "Vorgaben" has nothing to do here: disabled, and its tool tip says why.
    EXPECT_FALSE(controls.isEnabled("vorgabenButton"));
    EXPECT_EQ(controls.toolTip("vorgabenButton"), "Für die Steuer-LCA gibt es keine Vorgaben.");
}

TEST_F(RegisterViews, ControlLcaWriteComposesEveryRegisterInItsOrder) {
    bank.values[reg::kCommand] = 5u << 4 | 0x0100;  // 160 MHz (field 5) and "Primary On"
    LCADlg window(desktop, card);
    ScriptedControls& controls = open(window);
    controls.type("maxSapEdit", "70000");
    controls.type("esbLevelEdit", "300");  // 8-bit field: refused, nothing written
    desktop.answerMessages({Answer::Yes});
    EXPECT_TRUE(window.onWrite().empty());
    EXPECT_TRUE(bank.writes.empty());
    EXPECT_EQ(desktop.messageLines().back(),
              "LCA-Register: Ungültiger Wert in \"Level\": erlaubt sind ganze Zahlen von 0 bis "
              "255.");
    controls.type("esbLevelEdit", "44");
    controls.click("esbEnableCheck", true);
    controls.type("taStuetzstellenEdit", "0");  // 8 bits: 256 would be refused
    controls.click("taEnableCheck", true);
    controls.type("recordDelayEdit", "131077");  // 2 × 65536 + 5
    controls.type("sapDelayEdit", "1000");
    controls.type("afTestEdit", "BEEF");
    controls.click("testsignalRadio", true);
    window.onCommand("testsignalRadio");
    EXPECT_FALSE(controls.isChecked("eingangOffenRadio"));  // rows stay exclusive

    const auto writes = window.onWrite();

    std::vector<uint32_t> order;
    for (const auto& w : writes) {
        order.push_back(w.first);
    }
    EXPECT_EQ(order, (std::vector<uint32_t>{1026, 1030, 1076, 1032, 1034, 1036, 1038,
                                            1040, 1042, 1044, 1078, 1046, 1048, 1050,
                                            1052, 1054, 1056, 1060, 1064, 1066, 1068}));
    EXPECT_EQ(bank.written(reg::kCommand), 4u << 4 | 0x0100);  // "160 MHz" written as 4
    EXPECT_EQ(bank.written(reg::kMaxSapLow), 4464u);
    EXPECT_EQ(bank.written(reg::kMaxSapHigh), 1u);
    EXPECT_EQ(bank.written(reg::kEchoStartLevel), 0x8000u | 44u);
    EXPECT_EQ(bank.written(reg::kDepthControl), 0x4000u);
    EXPECT_EQ(bank.written(reg::kRecordDelayLow), 5u);
    EXPECT_EQ(bank.written(reg::kRecordDelayHigh), 2u);
    EXPECT_EQ(bank.written(reg::kSapDelay), 1000u);
    EXPECT_EQ(bank.written(reg::kAfTest), 0xBEEFu);
    EXPECT_EQ(bank.written(reg::kAnalog) >> 9 & 7u, 7u);  // "Testsignal" into bits 9-11
    // Read back: bits 5-7 still say 0, so the view shows what the card reports.
    EXPECT_FALSE(controls.isChecked("testsignalRadio"));
    EXPECT_EQ(controls.text("sapDelayEdit"), "1000");
    EXPECT_EQ(controls.text("maxSapEdit"), "70000");
    // A card that reports the selection in bits 5-7 as well shows "Testsignal".
    bank.values[reg::kAnalog] |= 7u << 5;
    window.onRead();
    EXPECT_TRUE(controls.isChecked("testsignalRadio"));
}

TEST_F(RegisterViews, NoWritesNothingAndARefusedEntryIsNamedAndNothingIsWritten) {
    LCADlg window(desktop, card);
    ScriptedControls& controls = open(window);
    controls.type("vorlaufEdit", "12");
    desktop.answerMessages({Answer::No});
    window.onWrite();
    EXPECT_TRUE(bank.writes.empty());

    // Not a number, negative, a fraction, beyond the field's 16 bits: no register is written.
    const std::string delay =
        "LCA-Register: Ungültiger Wert in \"Record: Delay\": erlaubt sind ganze Zahlen von 0 bis ";
    for (const char* typed : {"viel", "-5", "1,5"}) {
        controls.type("vorlaufEdit", "12");
        controls.type("recordDelayEdit", typed);
        desktop.answerMessages({Answer::Yes});
        EXPECT_TRUE(window.onWrite().empty()) << typed;
        EXPECT_TRUE(bank.writes.empty()) << typed;
        EXPECT_EQ(desktop.messageLines().back().substr(0, delay.size()), delay);
    }
    controls.type("recordDelayEdit", "0");
    controls.type("vorlaufEdit", "65536");
    desktop.answerMessages({Answer::Yes});
    EXPECT_TRUE(window.onWrite().empty());
    EXPECT_TRUE(bank.writes.empty());
    EXPECT_EQ(desktop.messageLines().back(),
              "LCA-Register: Ungültiger Wert in \"Vorlauf\": erlaubt sind ganze Zahlen von 0 bis "
              "65535.");

    controls.type("vorlaufEdit", "12");
    desktop.answerMessages({Answer::Yes});
    window.onWrite();
    EXPECT_EQ(bank.written(reg::kRecordPrerun), 12u);
}

TEST_F(RegisterViews, DataLcaAverageBeyondItsBitsIsRefusedAndGatesAreShownAsResults) {
    bank.values[reg::kGate1Start] = 0x0080;  // a gate's maximum register
    bank.values[reg::kGate1End] = 321;
    bank.values[reg::kGate0Maximum] = 0x7F80;
    bank.values[reg::kDataFormat] = 3u << 8;  // packing 3: "ungepackt"
    DataLCADlg window(desktop, card);
    ScriptedControls& controls = open(window);
    EXPECT_EQ(controls.text("maximum1Edit"), "2");
    EXPECT_EQ(controls.text("time1Edit"), "321");
    EXPECT_EQ(controls.text("maximum0Edit"), "510");
    EXPECT_EQ(controls.text("anfang1Edit"), "0");  // never filled by reading
    EXPECT_TRUE(controls.isChecked("ungepacktRadio"));

    controls.type("averageEdit", "9");
    window.onWrite();
    EXPECT_TRUE(bank.writes.empty());
    EXPECT_EQ(desktop.messageLines().back(),
              "LCA-Register: Ungültiger Wert in \"Average\": erlaubt sind ganze Zahlen von 0 "
              "bis 7.");
    controls.type("anfang1Edit", "-5");
    controls.type("averageEdit", "7");
    window.onEditChanged("anfang1Edit");
    window.onWrite();
    EXPECT_TRUE(bank.writes.empty());
    EXPECT_EQ(desktop.messageLines().back(),
              "LCA-Register: Ungültiger Wert in \"Anfang 1\": erlaubt sind ganze Zahlen von "
              "0 bis 65535.");
    controls.type("anfang1Edit", "0");
    window.onWrite();
    EXPECT_EQ(bank.written(reg::kDataFormat), 7u << 3);  // "ungepackt" written as 0
    EXPECT_EQ(controls.text("averageEdit"), "7");
}

TEST_F(RegisterViews, DataLcaWritesAGateOnlyWhenItWasEdited) {
    DataLCADlg window(desktop, card);
    ScriptedControls& controls = open(window);
    controls.type("averageEdit", "2");
    window.onWrite();
    for (uint32_t r = reg::kGate1Start; r <= reg::kGate4End; r += 2) {
        EXPECT_FALSE(bank.wasWritten(r)) << r;
    }

    controls.type("anfang2Edit", "150");
    window.onEditChanged("anfang2Edit");
    bank.writes.clear();
    window.onWrite();
    EXPECT_EQ(bank.written(reg::kGate2Start), 150u);
    EXPECT_EQ(bank.written(reg::kGate2End), 0u);  // the pair goes together
    EXPECT_FALSE(bank.wasWritten(reg::kGate1Start));
    EXPECT_FALSE(bank.wasWritten(reg::kGate3End));
    EXPECT_EQ(controls.text("anfang2Edit"), "150");  // the edit keeps what was entered

    // Written once: the next "Write" leaves the gate alone again.
    bank.writes.clear();
    window.onWrite();
    EXPECT_FALSE(bank.wasWritten(reg::kGate2Start));
    // A desktop that reports no typing: a changed value counts as edited.
    controls.type("ende4Edit", "900");
    window.onWrite();
    EXPECT_EQ(bank.written(reg::kGate4End), 900u);
    EXPECT_EQ(bank.written(reg::kGate4Start), 0u);
}

TEST_F(RegisterViews, TriggerDelayFlagsAndNumberShareTheirRegister) {
    bank.values[reg::kTriggerDelayLow] = 0x1234;
    bank.values[reg::kTriggerDelayHigh] = 0x9000 | 0x12;  // "Output Low", "25ns", high 0x12
    DataLCADlg window(desktop, card);
    ScriptedControls& controls = open(window);
    EXPECT_EQ(controls.text("triggerDelayEdit"), std::to_string(0x121234));
    EXPECT_TRUE(controls.isChecked("outputLowCheck"));
    EXPECT_TRUE(controls.isChecked("delay25nsCheck"));
    controls.type("triggerDelayEdit", std::to_string(0x3FF0001));  // beyond 24 bits: refused
    window.onWrite();
    EXPECT_TRUE(bank.writes.empty());
    EXPECT_EQ(desktop.messageLines().back(),
              "LCA-Register: Ungültiger Wert in \"Trigger-Delay\": erlaubt sind ganze Zahlen von 0 "
              "bis 16777215.");
    controls.type("triggerDelayEdit", std::to_string(0xFF0001));
    window.onWrite();
    EXPECT_EQ(bank.written(reg::kTriggerDelayLow), 0x0001u);
    EXPECT_EQ(bank.written(reg::kTriggerDelayHigh), 0x9000u | 0xFFu);
}

TEST_F(RegisterViews, SteuerLcaCheckOnlyReadsBothIdentifications) {
    std::string text;
    bank.values[reg::kLcaId] = 0x7C31;
    bank.values[reg::kDataLcaId] = 0x7D31;
    LCADlg window(desktop, card);
    EXPECT_TRUE(window.automaticCheck(text));
    EXPECT_EQ(text, "OK");
    bank.values[reg::kDataLcaId] = 0xFFFF;
    EXPECT_FALSE(window.automaticCheck(text));
    EXPECT_EQ(text, "LCA ID FFFF");
    bank.values[reg::kLcaId] = 0;
    EXPECT_FALSE(window.automaticCheck(text));
    EXPECT_EQ(text, "LCA ID 0000");
    EXPECT_TRUE(bank.writes.empty());
}

}  // namespace
