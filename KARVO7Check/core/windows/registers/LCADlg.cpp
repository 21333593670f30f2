#include "windows/registers/LCADlg.h"

#include <utility>

#include "KARVO7Protocol.h"
#include "app/Session.h"
#include "card/LcaCheck.h"
#include "windows/registers/DataLCADlg.h"
#include "windows/registers/RegisterTableBuilders.h"

namespace k7check {

namespace {

namespace reg = k7proto::reg;
using namespace regtable;

RegisterTable makeControlLcaTable() {
    RegisterTable t;
    // Three columns of groups: the window fits a screen 1024 pixels wide.
    // clang-format off
    t.groups = {
        {"Command", 0, 2, {
            check("messungCheck", "Messung", 1079, reg::kCommand, 0),
            check("resetCheck", "Reset", 1027, reg::kCommand, 1),
            check("startCheck", "Start", 1028, reg::kCommand, 2),
            check("resetErrorCheck", "Reset Error", 1029, reg::kCommand, 3),
            radio({reg::kCommand, 4, 3}, {reg::kCommand, 4, 3}, {
                choice("clock80Radio", "80 MHz", 1080, 0),
                choice("clock40Radio", "40 MHz", 1081, 1),
                choice("clock20Radio", "20 MHz", 1082, 2),
                choice("clock10Radio", "10 MHz", 1083, 3),
                choice("clock160Radio", "160 MHz (virtuell)", 1084, 4, {4, 5, 6, 7}),
            }, 2),
            check("adcEnableCheck", "ADC Enable", 1032, reg::kCommand, 7),
            check("primaryOnCheck", "Primary On", 1031, reg::kCommand, 8),
            check("senderOnCheck", "Sender On", 1030, reg::kCommand, 9),
            check("secondaryOnCheck", "Secondary On", 1033, reg::kCommand, 10),
            check("eclOnCheck", "ECL On", 1034, reg::kCommand, 11),
        }},
        {"Status", 0, 2, {
            readOnly(bits("triggerCounterEdit", "Trigger Counter", 1085, reg::kStatus, 0, 8)),
            check("errorTriggerCheck", "Error Trigger", 1040, reg::kStatus, 8, true),
            check("errorTriggerInputCheck", "Error Trigger Input", 1041, reg::kStatus, 9, true),
            check("aufnahmeCheck", "Aufnahme", 1039, reg::kStatus, 12, true),
            check("delayCheck", "Delay", 1038, reg::kStatus, 13, true),
            check("waitSapCheck", "Wait SAP", 1037, reg::kStatus, 14, true),
            check("waitTriggerCheck", "Wait Trigger", 1035, reg::kStatus, 15, true),
        }},
        {"Analog", 0, 2, {
            bits("senderdaempfungEdit", "Senderdämpfung", 1089, reg::kAnalog, 0, 2),
            bits("eingangsdaempfungEdit", "Eingangsdämpfung", 1090, reg::kAnalog, 2, 2),
            radio({reg::kAnalog, 5, 3}, {reg::kAnalog, 9, 3}, {
                choice("eingangOffenRadio", "Eingang offen", 1093, 0),
                choice("minus10dbRadio", "-10dB", 1092, 1),
                choice("plus20dbRadio", "+20dB", 1095, 2),
                choice("testsignalRadio", "Testsignal", 1094, 7),
            }, 2),
            check("seCheck", "S/E", 1146, reg::kAnalog, 8),
            bits("filterEdit", "Filter", 1091, reg::kAnalog, 12, 3),
        }},
        {"SAP Trigger", 1, 2, {
            check("extTriggerCheck", "ext.Trigger", 1103, reg::kTrigger, 0),
            check("sapDirektCheck", "SAP direkt", 1104, reg::kTrigger, 1),
            radio({reg::kTrigger, 2, 2}, {reg::kTrigger, 2, 2}, {
                choice("einzelmessungRadio", "Einzelmessung", 1106, 1),
                choice("blockmessungRadio", "Blockmessung", 1107, 2),
                choice("kontinuierlichRadio", "kontinuierliche Messung", 1105, 3),
            }, 1),
            radio({reg::kTrigger, 4, 2}, {reg::kTrigger, 4, 2}, {
                choice("masterStartRadio", "Master Start", 1108, 0),
                choice("masterStopRadio", "Master Stop", 1110, 1),
                choice("einzelSapRadio", "Einzel SAP", 1109, 2),
                choice("readyRadio", "Ready", 1111, 3),
            }, 2),
            check("einzeltriggerCheck", "Einzeltrigger", 1102, reg::kTrigger, 6),
            check("averageCheck", "Average", 1098, reg::kTrigger, 7),
            bits("triggerblendeEdit", "Triggerblende", 1112, reg::kTrigger, 8, 4),
            check("iffCheck", "IFF", 1097, reg::kTrigger, 15),
            number("maxSapEdit", "max. SAP", 1088,
                   {low16(reg::kMaxSapLow), {reg::kMaxSapHigh, 0, 16, 16}},
                   {low16(reg::kMaxSapLow), {reg::kMaxSapHigh, 0, 16, 16}}, 10),
            number("sapDelayEdit", "SAP-Delay", 1367, {low16(reg::kSapDelay)},
                   {low16(reg::kSapDelay)}),
            plain("anzahlEdit", "Anzahl", 1113),
        }},
        {"Record", 1, 1, {
            number("vorlaufEdit", "Vorlauf", 1368, {low16(reg::kRecordPrerun)},
                   {low16(reg::kRecordPrerun)}),
            number("recordDelayEdit", "Delay", 1086,
                   {low16(reg::kRecordDelayLow), {reg::kRecordDelayHigh, 0, 8, 16}},
                   {low16(reg::kRecordDelayLow), {reg::kRecordDelayHigh, 0, 8, 16}}, 9),
            number("recordTimeEdit", "Time", 1087,
                   {low16(reg::kRecordTimeLow), {reg::kRecordTimeHigh, 0, 4, 16}},
                   {low16(reg::kRecordTimeLow), {reg::kRecordTimeHigh, 0, 4, 16}}, 9),
        }},
        {"Echostartblende", 1, 2, {
            number("esbTimeEdit", "Time", 1144, {low16(reg::kEchoStartTime)},
                   {low16(reg::kEchoStartTime)}),
            bits("esbLevelEdit", "Level", 1131, reg::kEchoStartLevel, 0, 8),
            check("esbAlwaysCheck", "always", 1218, reg::kEchoStartLevel, 13),
            check("esbRelativCheck", "relativ", 1200, reg::kEchoStartLevel, 14),
            check("esbEnableCheck", "Enable", 1201, reg::kEchoStartLevel, 15),
            readOnly(number("esbDelayEdit", "ESB Delay", 1148, {low16(reg::kEchoStartDelay)}, {})),
        }},
        {"Tiefenausgleich", 2, 1, {
            number("taDelayEdit", "Delay", 1099,
                   {low16(reg::kDepthDelayLow), {reg::kDepthDelayHigh, 0, 4, 16}},
                   {low16(reg::kDepthDelayLow), {reg::kDepthDelayHigh, 0, 4, 16}}, 9),
            number("taPeriodEdit", "Period", 1100,
                   {low16(reg::kDepthPeriodLow), {reg::kDepthPeriodHigh, 0, 4, 16}},
                   {low16(reg::kDepthPeriodLow), {reg::kDepthPeriodHigh, 0, 4, 16}}, 9),
            bits("taStuetzstellenEdit", "Stützstellen", 1101, reg::kDepthControl, 0, 8),
            check("taEnableCheck", "Enable", 1096, reg::kDepthControl, 14),
        }},
        {"FIFO Control", 2, 2, {
            check("resetAufnahmeCheck", "Reset Aufnahme", 1118, reg::kFifoControl, 0),
            check("resetSammlerCheck", "Reset Sammler", 1117, reg::kFifoControl, 1),
            check("afWenCheck", "AF_WEN", 1116, reg::kFifoControl, 12),
            check("testgeneratorCheck", "Testgenerator", 1115, reg::kFifoControl, 13),
            check("disableAfWenCheck", "Disable AF_WEN", 1114, reg::kFifoControl, 14),
        }},
        {"FIFO Status", 2, 2, {
            anyBit("dsEmptyCheck", "DS Empty Flag", 1126, reg::kFifoStatus, 0, 4),
            anyBit("dsFullCheck", "DS Full Flag", 1125, reg::kFifoStatus, 4, 4),
            check("ds1WriteErrorCheck", "DS1 Write Error", 1124, reg::kFifoStatus, 8, true),
            check("ds2WriteErrorCheck", "DS2 Write Error", 1127, reg::kFifoStatus, 9, true),
            check("dsReadErrorCheck", "DS Read Error", 1123, reg::kFifoStatus, 10, true),
            check("afEmptyCheck", "AF Empty Flag", 1122, reg::kFifoStatus, 12, true),
            check("afFullCheck", "AF Full Flag", 1121, reg::kFifoStatus, 13, true),
            check("afWriteErrorCheck", "AF Write Error", 1120, reg::kFifoStatus, 14, true),
            check("afReadErrorCheck", "AF Read Error", 1119, reg::kFifoStatus, 15, true),
        }},
        {"Sender", 2, 2, {
            radio({reg::kSender, 0, 2}, {reg::kSender, 0, 2}, {
                choice("energie1Radio", "Energie 1", 1140, 0),
                choice("energie2Radio", "Energie 2", 1142, 1),
                choice("energie3Radio", "Energie 3", 1139, 2, {}, false),
                choice("energie4Radio", "Energie 4", 1141, 3, {}, false),
            }, 2),
            radio({reg::kSender, 8, 3}, {reg::kSender, 8, 3}, {
                choice("pulse25Radio", "25 ns", 1138, 0),
                choice("pulse50Radio", "50 ns", 1137, 1),
                choice("pulse100Radio", "100 ns", 1136, 2),
                choice("pulse150Radio", "150 ns", 1135, 3),
                choice("pulse250Radio", "250 ns", 1134, 4),
                choice("pulse450Radio", "450 ns", 1133, 5),
            }, 2),
            check("sender13Check", "", 1253, reg::kSender, 13),
            check("clock16Check", "Clock/16", 1042, reg::kSender, 14),
            check("sperreCheck", "Sperre", 1143, reg::kSender, 15),
        }},
        {"", 1, 1, {
            hex("afTestEdit", "AF Test", 1128, reg::kAfTest),
            hex("lcaIdEdit", "LCA ID", 1076, reg::kLcaId, true),
        }},
    };
    // clang-format on
    t.writeOrder = {reg::kCommand,         reg::kAnalog,          reg::kRecordPrerun,
                    reg::kRecordDelayLow,  reg::kRecordDelayHigh, reg::kRecordTimeLow,
                    reg::kRecordTimeHigh,  reg::kTrigger,         reg::kMaxSapLow,
                    reg::kMaxSapHigh,      reg::kSapDelay,        reg::kDepthControl,
                    reg::kDepthDelayLow,   reg::kDepthDelayHigh,  reg::kDepthPeriodLow,
                    reg::kDepthPeriodHigh, reg::kFifoControl,     reg::kAfTest,
                    reg::kSender,          reg::kEchoStartTime,   reg::kEchoStartLevel};
    return t;
}

}  // namespace

const RegisterTable& controlLcaTable() {
    static const RegisterTable table = makeControlLcaTable();
    return table;
}

LCADlg::LCADlg(Desktop& desktop, KARVO7HANDLE card)
    : RegisterWindow(kWindowClass, kTitle, controlLcaTable(), desktop, card) {}

std::vector<FormControl> LCADlg::buttons() const {
    return {formButton("writeButton", "Write"), formButton("readButton", "Read"),
            formButton("vorgabenButton", "Vorgaben"), formButton("okButton", "OK")};
}

void LCADlg::bindFields(FieldBinder& binder) {
    RegisterWindow::bindFields(binder);
    binder.unavailable("vorgabenButton", "Für die Steuer-LCA gibt es keine Vorgaben.");
}

bool LCADlg::automaticCheck(std::string& resultText) {
    Verdict verdict = checkLcaIdentities(card());
    resultText = std::move(verdict.line);
    return verdict.passed;
}

void registerRegisterWindows(CheckRegistry& registry) {
    registry.registerWindow(CheckId::SteuerLca, [](Session& session) {
        return std::make_unique<LCADlg>(session.desktop(), session.card(session.fields().karte));
    });
    registry.registerWindow(CheckId::DatenLca, [](Session& session) {
        return std::make_unique<DataLCADlg>(session.desktop(),
                                            session.card(session.fields().karte));
    });
}

}  // namespace k7check
