#include "windows/card/CommandParameterDlgs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace k7check {

namespace {

// Sender radios in window order and the pulse widths and energies they stand for.
constexpr std::array<PulseWidth, 6> kPulseWidths{PulseWidth::Ns450, PulseWidth::Ns250,
                                                 PulseWidth::Ns150, PulseWidth::Ns100,
                                                 PulseWidth::Ns50,  PulseWidth::Ns25};
// "Energie 1" to "Energie 4" are the energies 0 to 3.
constexpr std::array<AScanForm, 4> kAScanForms{AScanForm::Positiv, AScanForm::Negativ,
                                               AScanForm::Vollweg, AScanForm::HF};

template <typename T, size_t N>
int indexOf(const std::array<T, N>& values, T value) {
    const auto it = std::find(values.begin(), values.end(), value);
    return it == values.end() ? -1 : static_cast<int>(it - values.begin());
}

}  // namespace

void CmdParameterDlg::onOk() {
    std::optional<std::string> refused = takeFieldsFromControls();
    if (!refused) {
        refused = refusal();
    }
    if (refused) {
        desktop_.messageBox(title(), *refused);
        return;
    }
    endDialog(kIdOk);
}

void CmdParameterDlg::onCommand(const std::string& control) {
    readFieldsFromControls();
    for (RadioRow& row : radioRows()) {
        const auto it = std::find(row.controls.begin(), row.controls.end(), control);
        if (it != row.controls.end()) {
            *row.selected = static_cast<int>(it - row.controls.begin());
        }
    }
    writeFieldsToControls();
}

// ---- Shot -----------------------------------------------------------------------------------

CmdShotDlg::CmdShotDlg(Desktop& desktop, const RegisterReader& read)
    : CmdParameterDlg(desktop, kWindowClass, "Parameter Shot") {
    const ShotFields f = shotFieldsFromRegisters(read);
    iff = f.iff;
    ta = f.ta;
    achtBit = f.achtBit;
    average = f.average;
    measurement = f.measurement ? static_cast<int>(*f.measurement) : -1;
    output = f.output == ShotOutput::HF ? 1 : 0;
    clock = static_cast<int>(f.clock);
}

std::array<uint32_t, 2> CmdShotDlg::words() const {
    ShotFields f;
    f.iff = iff;
    f.ta = ta;
    f.achtBit = achtBit;
    f.average = average;
    if (measurement >= 0) {
        f.measurement = static_cast<ShotMeasurement>(measurement);
    }
    f.output = output == 1 ? ShotOutput::HF : ShotOutput::AScan;
    f.clock = static_cast<ShotClock>(std::clamp(clock, 0, 4));
    return {shotWord(f), 0};
}

std::vector<CmdParameterDlg::RadioRow> CmdShotDlg::radioRows() {
    return {{{"keineMessungRadio", "einzelmessungRadio", "automatischRadio"}, &measurement},
            {{"aScanRadio", "hfRadio"}, &output},
            {{"clock11Radio", "clock12Radio", "clock14Radio", "clock18Radio", "virtuellRadio"},
             &clock}};
}

void CmdShotDlg::bindFields(FieldBinder& binder) {
    binder.check("iffCheck", iff);
    binder.check("taCheck", ta);
    binder.check("achtBitCheck", achtBit);
    binder.check("averageCheck", average);
    for (RadioRow& row : radioRows()) {
        binder.radio(row.controls, *row.selected);
    }
}

// ---- Sender ---------------------------------------------------------------------------------

CmdSenderDlg::CmdSenderDlg(Desktop& desktop, const RegisterReader& read)
    : CmdParameterDlg(desktop, kWindowClass, "Parameter Sender") {
    const SenderFields f = senderFieldsFromRegisters(read);
    pulseWidth = f.pulseWidth ? indexOf(kPulseWidths, *f.pulseWidth) : -1;
    energie = static_cast<int>(f.energie);
    sperre = f.sperre;
}

std::array<uint32_t, 2> CmdSenderDlg::words() const {
    SenderFields f;
    f.energie = energie < 0 ? 0u : static_cast<uint32_t>(energie);
    if (pulseWidth >= 0) {
        f.pulseWidth = kPulseWidths.at(static_cast<size_t>(pulseWidth));
    }
    f.sperre = sperre;
    return {senderWord(f), 0};
}

std::vector<CmdParameterDlg::RadioRow> CmdSenderDlg::radioRows() {
    return {{{"ns450Radio", "ns250Radio", "ns150Radio", "ns100Radio", "ns50Radio", "ns25Radio"},
             &pulseWidth},
            {{"energie1Radio", "energie2Radio", "energie3Radio", "energie4Radio"}, &energie}};
}

void CmdSenderDlg::bindFields(FieldBinder& binder) {
    for (RadioRow& row : radioRows()) {
        binder.radio(row.controls, *row.selected);
    }
    binder.check("sperreCheck", sperre);
}

// ---- Input, Gain, HW Config, Average, SW Config ---------------------------------------------

CmdInputDlg::CmdInputDlg(Desktop& desktop, const RegisterReader& read)
    : CmdParameterDlg(desktop, kWindowClass, "Parameter Input"),
      input(inputFieldsFromRegisters(read)) {}

void CmdInputDlg::bindFields(FieldBinder& binder) {
    // Two bits each in the input word.
    binder.number("senderdaempfungEdit", "Senderdämpfung", input.senderDaempfung, 0, 3);
    binder.number("eingangsdaempfungEdit", "Eingangsdämpfung", input.eingangsDaempfung, 0, 3);
    binder.check("seCheck", input.se);
}

// The gain word's range and its step of 0.1 dB.
static std::string gainRefusal() {
    return refusalText("Verstärkung", "Zahlen von 0.0 bis " + formatFixed(kMaxGainDb, 1) +
                                          " mit höchstens einer Nachkommastelle");
}

void CmdGainDlg::bindFields(FieldBinder& binder) {
    binder.decimal("verstaerkungEdit", "Verstärkung", verstaerkung, 1, 0.0, kMaxGainDb);
}

std::optional<std::string> CmdGainDlg::refusal() const {
    const double tenths = verstaerkung * 10.0;
    if (std::abs(tenths - std::round(tenths)) > 1e-6) {
        return gainRefusal();
    }
    return std::nullopt;
}

CmdHWconfigDlg::CmdHWconfigDlg(Desktop& desktop, const RegisterReader& read)
    : CmdParameterDlg(desktop, kWindowClass, "HW-Config Parameter"),
      filter(hwConfigFilterFromRegisters(read)) {}

void CmdHWconfigDlg::bindFields(FieldBinder& binder) {
    binder.number("filterEdit", "Filter", filter);
}

void CmdAverageDlg::bindFields(FieldBinder& binder) {
    binder.number("anzahlEdit", "Anzahl", anzahl);
}

void CmdSWconfigDlg::bindFields(FieldBinder& binder) {
    binder.check("echoAusgebenCheck", echoAusgeben);
}

// ---- A-Scan ---------------------------------------------------------------------------------

std::array<uint32_t, 2> CmdAScanDlg::words() const {
    AScanFields f;
    if (form >= 0) {
        f.form = kAScanForms.at(static_cast<size_t>(form));
    }
    f.zusammenfassung = zusammenfassung;
    return {aScanWord(f), 0};
}

std::vector<CmdParameterDlg::RadioRow> CmdAScanDlg::radioRows() {
    return {{{"positivRadio", "negativRadio", "vollwegRadio", "hfRadio"}, &form}};
}

void CmdAScanDlg::bindFields(FieldBinder& binder) {
    for (RadioRow& row : radioRows()) {
        binder.radio(row.controls, *row.selected);
    }
    // Bits 8 to 31 of the A-scan word.
    binder.number("zusammenfassungEdit", "Zusammenfassung", zusammenfassung, 0, 0xFFFFFF);
}

// ---- Count ----------------------------------------------------------------------------------

CmdCountDlg::CmdCountDlg(Desktop& desktop, const RegisterReader& read)
    : CmdParameterDlg(desktop, kWindowClass, "Parameter Count"),
      count(countFieldsFromRegisters(read)) {}

void CmdCountDlg::bindFields(FieldBinder& binder) {
    // "Aufnahme" and "Vorlauf" share word 0, 16 bits each.
    binder.number("vorlaufEdit", "Vorlauf", count.vorlauf, 0, UINT16_MAX);
    binder.number("aufnahmeEdit", "Aufnahme", count.aufnahme, 0, UINT16_MAX);
    binder.number("delayEdit", "Delay", count.delay);
}

// ---- Trigger --------------------------------------------------------------------------------

CmdTriggerDlg::CmdTriggerDlg(Desktop& desktop, const RegisterReader& read)
    : CmdParameterDlg(desktop, kWindowClass, "Parameter Trigger") {
    const TriggerFields f = triggerFieldsFromRegisters(read);
    mode = f.einzeln ? 1 : 0;
    start = static_cast<int>(f.start);
    externTrigger = f.externTrigger;
    triggerblende = f.triggerblende;
    maxSap = f.maxSap;
}

std::array<uint32_t, 2> CmdTriggerDlg::words() const {
    TriggerFields f;
    f.einzeln = mode == 1;
    f.start = static_cast<TriggerStart>(std::clamp(start, 0, 3));
    f.externTrigger = externTrigger;
    f.triggerblende = triggerblende;
    f.maxSap = maxSap;
    return triggerWords(f);
}

std::vector<CmdParameterDlg::RadioRow> CmdTriggerDlg::radioRows() {
    return {{{"masterRadio", "einzelnRadio"}, &mode},
            {{"beiStartRadio", "beiStopRadio", "sapEinzelnRadio", "extAusgangRadio"}, &start}};
}

void CmdTriggerDlg::bindFields(FieldBinder& binder) {
    for (RadioRow& row : radioRows()) {
        binder.radio(row.controls, *row.selected);
    }
    binder.check("externCheck", externTrigger);
    // Bits 8 to 11 of the trigger word.
    binder.number("triggerblendeEdit", "Triggerblende", triggerblende, 0, 15);
    binder.number("maxSapEdit", "max. SAP", maxSap);
}

// ---- SAP delay ------------------------------------------------------------------------------

void CmdSAPdelayDlg::bindFields(FieldBinder& binder) {
    // The card takes 16 bits.
    binder.number("sapDelayEdit", "SAP-Delay", sapDelay, 0, UINT16_MAX);
}

}  // namespace k7check
