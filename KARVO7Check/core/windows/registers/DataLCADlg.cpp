#include "windows/registers/DataLCADlg.h"

#include <string>

#include "KARVO7Protocol.h"
#include "windows/registers/RegisterTableBuilders.h"

namespace k7check {

namespace {

namespace reg = k7proto::reg;
using namespace regtable;

// Gate n's edits (written, never read) and results (read, never written). A result "Maximum"
// is (register AND 0x7F80) / 64: bits 7-14 as the value's bits 1-8.
std::vector<RegisterField> gateFields(int gate, uint32_t start, uint32_t end, const int* ids) {
    const std::string n = std::to_string(gate);
    std::vector<RegisterField> fields;
    if (gate > 0) {
        RegisterField anfang =
            number("anfang" + n + "Edit", "Anfang " + n, ids[0], {}, {low16(start)});
        anfang.editGroup = gate;
        RegisterField ende = number("ende" + n + "Edit", "Ende " + n, ids[1], {}, {low16(end)});
        ende.editGroup = gate;
        fields.push_back(std::move(anfang));
        fields.push_back(std::move(ende));
    }
    fields.push_back(
        number("maximum" + n + "Edit", "Maximum " + n, ids[2], {{start, 7, 8, 1}}, {}));
    fields.push_back(number("time" + n + "Edit", "Time " + n, ids[3], {low16(end)}, {}));
    return fields;
}

RegisterTable makeDataLcaTable() {
    RegisterTable t;
    RegisterField average = bits("averageEdit", "Average", 1171, reg::kDataFormat, 3, 3);
    // Typed entries above 7 are refused by the field's range; the clamp guards values set
    // otherwise.
    average.rule = WriteRule::Clamp;
    // clang-format off
    t.groups = {
        {"", 0, 2, {
            check("fifo2Check", "FIFO 2", 1028, reg::kDataFormat, 0),
            check("virtuellCheck", "virtuell", 1029, reg::kDataFormat, 1),
            check("additionCheck", "Addition", 1030, reg::kDataFormat, 2),
            average,
            check("clock16Check", "Clock/16", 1032, reg::kDataFormat, 6),
            check("clockExternCheck", "Clock extern", 1031, reg::kDataFormat, 10),
            check("fModeCheck", "F-Mode", 1370, reg::kDataFormat, 11),
            check("virma4Check", "VIRMA4", 1033, reg::kDataFormat, 12),
            check("noResetCheck", "no Reset", 1034, reg::kDataFormat, 13),
            radio({reg::kDataFormat, 8, 2}, {reg::kDataFormat, 8, 2}, {
                choice("ungepacktRadio", "ungepackt", 1274, 0, {0, 3}),
                choice("packed8BitRadio", "2 x 8 Bit", 1275, 1),
                choice("hfVirma4Radio", "HF VIRMA4", 1276, 2),
            }, 3),
            radio({reg::kDataFormat, 14, 2}, {reg::kDataFormat, 14, 2}, {
                choice("hfRadio", "HF", 1154, 0),
                choice("positivRadio", "positiv", 1174, 1),
                choice("negativRadio", "negativ", 1175, 2),
                choice("vollRadio", "Voll", 1111, 3),
            }, 4),
        }},
        {"", 0, 2, {
            bits("ascanFaktorEdit", "ASCAN-Faktor", 1149, reg::kAScanFactor, 0, 8),
            number("triggerDelayEdit", "Trigger-Delay", 1136,
                   {low16(reg::kTriggerDelayLow), {reg::kTriggerDelayHigh, 0, 8, 16}},
                   {low16(reg::kTriggerDelayLow), {reg::kTriggerDelayHigh, 0, 8, 16}}, 9),
            check("delay25nsCheck", "25ns (1µs)", 1369, reg::kTriggerDelayHigh, 12),
            check("inputLowCheck", "Input Low", 1027, reg::kTriggerDelayHigh, 14),
            check("outputLowCheck", "Output Low", 1280, reg::kTriggerDelayHigh, 15),
            number("timerEdit", "Timer", 1279,
                   {low16(reg::kTimerLow), {reg::kTimerHigh, 0, 8, 16}}, {}, 9),
            hex("lcaIdEdit", "LCA-ID", 1278, reg::kDataLcaId, true),
        }},
    };
    // clang-format on
    RegisterGroup gates{"Messblenden", 1, 4, {}};
    const int ids[5][4] = {{0, 0, 1215, 1216},
                           {1145, 1132, 1208, 1207},
                           {1146, 1133, 1209, 1210},
                           {1147, 1134, 1211, 1212},
                           {1148, 1135, 1213, 1214}};
    const uint32_t pairs[5][2] = {{reg::kGate0Maximum, reg::kGate0Time},
                                  {reg::kGate1Start, reg::kGate1End},
                                  {reg::kGate2Start, reg::kGate2End},
                                  {reg::kGate3Start, reg::kGate3End},
                                  {reg::kGate4Start, reg::kGate4End}};
    for (int gate = 1; gate <= 4; ++gate) {
        for (RegisterField& f : gateFields(gate, pairs[gate][0], pairs[gate][1], ids[gate])) {
            gates.fields.push_back(std::move(f));
        }
    }
    // Gate 0 uses control LCA registers and is only shown.
    for (RegisterField& f : gateFields(0, pairs[0][0], pairs[0][1], ids[0])) {
        gates.fields.push_back(std::move(f));
    }
    t.groups.push_back(std::move(gates));
    t.writeOrder = {reg::kDataFormat,       reg::kAScanFactor, reg::kTriggerDelayLow,
                    reg::kTriggerDelayHigh, reg::kGate1Start,  reg::kGate1End,
                    reg::kGate2Start,       reg::kGate2End,    reg::kGate3Start,
                    reg::kGate3End,         reg::kGate4Start,  reg::kGate4End};
    return t;
}

}  // namespace

const RegisterTable& dataLcaTable() {
    static const RegisterTable table = makeDataLcaTable();
    return table;
}

DataLCADlg::DataLCADlg(Desktop& desktop, KARVO7HANDLE card)
    : RegisterWindow(kWindowClass, kTitle, dataLcaTable(), desktop, card) {}

}  // namespace k7check
