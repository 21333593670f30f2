#include "AnzeigeVorgabenDlg.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "TAlist.h"
#include "TaFile.h"

namespace k7check {

namespace {

using units::FloatEdit;
using units::Unit;

const std::vector<std::string> kPulseRadios{"pulse65Radio",  "pulse85Radio",  "pulse135Radio",
                                            "pulse185Radio", "pulse280Radio", "pulse480Radio",
                                            "pulse880Radio", "pulse1680Radio"};
const std::vector<std::string> kEnergieRadios{"energie1Radio", "energie2Radio", "energie3Radio",
                                              "energie4Radio"};
const std::vector<std::string> kRateRadios{"rate80Radio", "rate40Radio", "rate20Radio",
                                           "rate10Radio", "rate160Radio"};
const std::vector<std::string> kMessungRadios{"keineMessungRadio", "einzelmessungRadio"};
const std::vector<std::string> kGleichrichtungRadios{"hfRadio", "positivRadio", "negativRadio",
                                                     "vollRadio"};
const std::vector<std::string> kEingangRadios{"eingangMasterRadio", "eingangEinzelRadio"};
const std::vector<std::string> kAusgangRadios{"ausgangMasterStartRadio", "ausgangMasterStopRadio",
                                              "ausgangEinzelSapRadio", "ausgangReadyRadio"};
const std::vector<std::string> kUnitRadios{"mmRadio", "usRadio", "samplesRadio"};

// The set stores the echo-start level four times over in 16 bits; the gain in 0.1 dB in 16 bits.
constexpr int64_t kMaxLevel = 0xFFFF / 4;
constexpr double kMaxGain = 6553.5;

// Whether `control` is one of `radios`; its index in `selected` when it is.
bool pick(const std::vector<std::string>& radios, const std::string& control, int& selected) {
    const auto it = std::find(radios.begin(), radios.end(), control);
    if (it == radios.end()) {
        return false;
    }
    selected = static_cast<int>(it - radios.begin());
    return true;
}

}  // namespace

AnzeigeVorgabenDlg::AnzeigeVorgabenDlg(Desktop& desktop, KARVO7HANDLE card, ParameterSet& set)
    : Dialog(kWindowClass, kTitle), desktop_(desktop), card_(card), set_(set) {}

// ---- opening -----------------------------------------------------------------------------------

bool AnzeigeVorgabenDlg::onInit() {
    load();
    show();
    return true;
}

void AnzeigeVorgabenDlg::load() {
    unit_ = Unit::Samples;
    unit = static_cast<int>(unit_);
    factor_ = 1.0f;
    schall.value = units::kDefaultSoundVelocity;
    velocity_ = schall.value;

    choice_ = units::rateChoiceOf(set_.samplerate);
    rate = choice_.radio;
    takt16 = choice_.takt16;
    sample_ = units::radioTiming(choice_.radio);
    clock_ = units::rateTiming(set_.samplerate);

    const bool version3 = card_ != nullptr && KARVO7IsVersion3(card_) != 0;
    switch (set_.start & 3) {
        case 0:
            messung = 0;
            break;
        case 1:
            messung = 1;
            break;
        default:
            messung = -1;
            break;
    }
    blendenmessung = version3 && set_.start >= 4 && set_.start <= 7;

    ascan = set_.ascan ? set_.faktor : 0;
    gleichrichtung = set_.gleichrichtung;
    pulse = set_.sendeimpulsbreite & 7;
    energie = set_.sendeenergie & 3;
    eingang = (set_.triggereingangsmode & 1) != 0 ? 1 : 0;
    eingangLow = set_.triggereingangsmode >= 2;
    ausgang = set_.triggerausgangsmode & 3;
    ausgangLow = set_.triggerausgangsmode >= 4;

    verstaerkung.value = static_cast<float>(set_.verstaerkung) / 10.0f;
    esbLevel = set_.esbLevel >> 2;
    esbDelay.value = 0.0f;
    if (version3) {
        esbDelay.value = static_cast<float>(KARVO7ReadRegister(card_, 0x42E) & 0xFFFF);
    }

    taEnable = set_.taReferenz;
    stuetzstellen = int64_t{set_.taStuetzstellen} + 1;
    taDatei = set_.taDatei;

    sperre = set_.sendersperre;
    seMode = set_.seMode;
    senderdaempfung = set_.senderdaempfung;
    eingangsdaempfung = set_.eingangsdaempfung;
    filter = set_.filter;
    average = set_.average;
    taktExtern = set_.triggerExtern;
    bit8 = set_.bit8;
    externerTrigger = set_.externerTrigger;
    blende = set_.ausblenden;
    triggerdelay = set_.triggerdelay;
    trigger25ns = set_.trigger25ns;
    maxSap = set_.iff;
    sapDelay = set_.sapDelay;
    esbTime.value = static_cast<float>(set_.esbTime);
    esbRelativ = set_.esbRelativ;
    esbAlways = set_.esbAlways;
    b0Enable = set_.enable[0];
    vorlauf.value = set_.pkVorlauf;
    aufnahme.value = set_.aufnahmelaenge;
    recordDelay.value = static_cast<float>(set_.aufnahmedelay);
    taDelay.value = set_.taVerzoegerung;
    taAbstand.value = set_.taAbstand;
}

void AnzeigeVorgabenDlg::show() {
    for (const Scaled& field : scaledFields()) {
        field.edit->show();
    }
    verstaerkung.show();
    schall.show();
    writeFieldsToControls();
}

void AnzeigeVorgabenDlg::bindFields(FieldBinder& b) {
    b.radio(kPulseRadios, pulse);
    b.radio(kEnergieRadios, energie);
    b.check("sperreCheck", sperre);
    b.check("seCheck", seMode);
    b.number("senderdaempfungEdit", "Senderdämpfung", senderdaempfung, 0, UINT8_MAX);
    b.number("eingangsdaempfungEdit", "Eingangsdämpfung", eingangsdaempfung, 0, UINT8_MAX);
    b.number("filterEdit", "Filter", filter, 0, UINT8_MAX);
    b.text("verstaerkungEdit", verstaerkung.text, 32);
    b.number("averageEdit", "Average", average, 0, UINT8_MAX);
    b.check("taktExternCheck", taktExtern);
    b.radio(kRateRadios, rate);
    b.check("takt16Check", takt16);
    b.radio(kMessungRadios, messung);
    b.check("blendenmessungCheck", blendenmessung);
    b.number("ascanEdit", "A-Scan", ascan, 0, UINT8_MAX);
    b.radio(kGleichrichtungRadios, gleichrichtung);
    b.check("bit8Check", bit8);
    b.check("triggerExternCheck", externerTrigger);
    b.number("blendeEdit", "Blende", blende, 0, UINT8_MAX);
    b.radio(kEingangRadios, eingang);
    b.check("eingangLowCheck", eingangLow);
    b.radio(kAusgangRadios, ausgang);
    b.check("ausgangLowCheck", ausgangLow);
    b.number("triggerDelayEdit", "Delay", triggerdelay, INT32_MIN, INT32_MAX);
    b.check("trigger25nsCheck", trigger25ns);
    b.number("maxSapEdit", "max. SAP", maxSap, 0, UINT32_MAX);
    b.number("sapDelayEdit", "SAP-Delay", sapDelay, 0, UINT16_MAX);
    b.text("esbDelayEdit", esbDelay.text, 32);
    b.text("esbTimeEdit", esbTime.text, 32);
    b.number("esbLevelEdit", "Level", esbLevel, 0, kMaxLevel);
    b.check("esbRelativCheck", esbRelativ);
    b.check("esbAlwaysCheck", esbAlways);
    b.check("esbEnableCheck", b0Enable);
    b.text("vorlaufEdit", vorlauf.text, 32);
    b.text("aufnahmeEdit", aufnahme.text, 32);
    b.text("recordDelayEdit", recordDelay.text, 32);
    b.text("taDelayEdit", taDelay.text, 32);
    b.text("taAbstandEdit", taAbstand.text, 32);
    b.number("stuetzstellenEdit", "Stützstellen", stuetzstellen, 1,
             static_cast<int64_t>(kTaTableSize));
    b.check("taEnableCheck", taEnable);
    b.text("taDateiEdit", taDatei, 260);
    b.radio(kUnitRadios, unit);
    b.text("schallEdit", schall.text, 32);
}

std::vector<AnzeigeVorgabenDlg::Scaled> AnzeigeVorgabenDlg::scaledFields() {
    return {{&vorlauf, "Vorlauf", false, true, 0, UINT16_MAX},
            {&aufnahme, "Aufnahme", false, true, 0, UINT16_MAX},
            {&recordDelay, "Delay", false, true, INT32_MIN, INT32_MAX},
            {&esbTime, "Time", false, false, INT32_MIN, INT32_MAX},
            {&esbDelay, "ESB-Delay", false, false, INT32_MIN, INT32_MAX},
            {&taDelay, "Delay", true, true, 0, UINT16_MAX},
            {&taAbstand, "Abstand", true, true, 0, UINT16_MAX}};
}

std::string AnzeigeVorgabenDlg::refusalOf(const Scaled& field) const {
    const float period = field.clock ? clock_.period : sample_.period;
    return units::countRefusal(field.label, field.minCount, field.maxCount, unit_, period, factor_);
}

// ---- reading and converting ----------------------------------------------------------------

bool AnzeigeVorgabenDlg::refuse(const std::string& text) {
    desktop_.messageBox(kTitle, text);
    writeFieldsToControls();
    return false;
}

bool AnzeigeVorgabenDlg::readControls() {
    // The window's fields take every accepted entry and the edits keep what was typed, the
    // refused one included; the set changes only when every entry is accepted.
    if (const std::vector<FieldRefusal> refused = readFieldsFromControls(); !refused.empty()) {
        desktop_.messageBox(kTitle, refused.front().message);
        return false;
    }
    std::string refusal;
    const auto take = [&](FloatEdit& edit, const std::string& text) {
        if (!edit.take() && refusal.empty()) {
            refusal = text;
        }
    };
    take(verstaerkung, refusalText("Verstärkung", 0.0, kMaxGain, 1));
    take(schall, refusalText("Schallgeschwindigkeit in m/s", "Zahlen größer als 0"));
    for (const Scaled& field : scaledFields()) {
        take(*field.edit, refusalOf(field));
    }
    if (!refusal.empty()) {
        return refuse(refusal);
    }
    return true;
}

bool AnzeigeVorgabenDlg::toCounts() {
    if (unit_ == Unit::Samples) {
        return true;
    }
    return setRoundedCounts([this](const Scaled& field) {
        const float period = field.clock ? clock_.period : sample_.period;
        return units::toCount(field.edit->value, unit_, period, factor_);
    });
}

bool AnzeigeVorgabenDlg::roundCounts() {
    return setRoundedCounts([](const Scaled& field) { return field.edit->value; });
}

bool AnzeigeVorgabenDlg::setRoundedCounts(const std::function<float(const Scaled&)>& countOf) {
    // All or nothing: a field that does not convert leaves every field as shown.
    std::vector<float> counts;
    for (const Scaled& field : scaledFields()) {
        const float x = countOf(field);
        const auto rounded =
            field.grid ? units::roundToGrid(x, sample_.grid) : units::roundNearest(x);
        if (!rounded) {
            return refuse(refusalOf(field));
        }
        counts.push_back(static_cast<float>(*rounded));
    }
    std::size_t i = 0;
    for (const Scaled& field : scaledFields()) {
        field.edit->value = counts[i++];
    }
    return true;
}

void AnzeigeVorgabenDlg::toShownUnit() {
    if (unit_ == Unit::Samples) {
        return;
    }
    for (const Scaled& field : scaledFields()) {
        const float period = field.clock ? clock_.period : sample_.period;
        field.edit->value = units::toUnit(field.edit->value, unit_, period, factor_);
    }
}

// ---- actions ---------------------------------------------------------------------------------

void AnzeigeVorgabenDlg::onCommand(const std::string& control) {
    int picked = 0;
    if (pick(kUnitRadios, control, picked)) {
        selectUnit(static_cast<Unit>(picked));
    } else if (pick(kRateRadios, control, picked)) {
        selectRate({picked, choice_.takt16});
    } else if (control == "takt16Check") {
        const auto on = view() != nullptr ? view()->controls().checked(control) : std::nullopt;
        selectRate({choice_.radio, on.value_or(!choice_.takt16)});
    } else if (control == "shotButton") {
        if (store()) {
            endDialog(kIdShot);
        }
    } else if (control == "ladenButton") {
        laden();
    } else if (control == "anzeigenButton") {
        anzeigen();
    } else {
        // A radio selects itself and clears the others of its row; boxes are taken as they are.
        readFieldsFromControls();
        for (const auto& [radios, field] :
             std::vector<std::pair<const std::vector<std::string>*, int*>>{
                 {&kPulseRadios, &pulse},
                 {&kEnergieRadios, &energie},
                 {&kMessungRadios, &messung},
                 {&kGleichrichtungRadios, &gleichrichtung},
                 {&kEingangRadios, &eingang},
                 {&kAusgangRadios, &ausgang}}) {
            pick(*radios, control, *field);
        }
        writeFieldsToControls();
    }
}

void AnzeigeVorgabenDlg::selectUnit(Unit wanted) {
    if (!readControls()) {
        unit = static_cast<int>(unit_);
        writeFieldsToControls();
        return;
    }
    // The velocity divides every conversion in mm: it must be a positive speed, else the unit
    // and the velocity in use stay.
    if (wanted == Unit::Mm && !(schall.value > 0.0f)) {
        schall.value = velocity_;
        schall.show();
        unit = static_cast<int>(unit_);
        return (void)refuse("Die Schallgeschwindigkeit muss größer als 0 sein!");
    }
    if (!toCounts()) {
        unit = static_cast<int>(unit_);
        writeFieldsToControls();
        return;
    }
    unit_ = wanted;
    unit = static_cast<int>(wanted);
    if (wanted == Unit::Mm) {
        velocity_ = schall.value;
    }
    factor_ = units::unitFactor(wanted, velocity_);
    toShownUnit();
    show();
}

void AnzeigeVorgabenDlg::selectRate(units::RateChoice wanted) {
    if (!readControls() || !toCounts()) {
        rate = choice_.radio;
        takt16 = choice_.takt16;
        writeFieldsToControls();
        return;
    }
    // The spacing keeps its length in µs: counts of the old period into counts of the new.
    const units::Timing newClock = units::rateTiming(units::samplerateOf(wanted));
    taAbstand.value = taAbstand.value * clock_.period / newClock.period;
    choice_ = wanted;
    rate = wanted.radio;
    takt16 = wanted.takt16;
    sample_ = units::radioTiming(wanted.radio);
    clock_ = newClock;
    roundCounts();
    toShownUnit();
    show();
}

void AnzeigeVorgabenDlg::onOk() {
    if (store()) {
        endDialog(kIdOk);
    }
}

void AnzeigeVorgabenDlg::onCancel() {
    endDialog(kIdCancel);
}

bool AnzeigeVorgabenDlg::store() {
    if (!readControls() || !toCounts()) {
        return false;
    }
    if (!storeCounts()) {
        // Refused: the fields are shown again in their unit.
        toShownUnit();
        show();
        return false;
    }
    return true;
}

bool AnzeigeVorgabenDlg::storeCounts() {
    // Every converted value must lie in its set field's range before anything is stored: the
    // set holds what the window shows, or nothing changes.
    const std::vector<Scaled> scaled = scaledFields();
    auto fit = [&](std::size_t index, int64_t& out) -> bool {
        const Scaled& field = scaled[index];
        const auto whole = units::integerPart(field.edit->value);
        if (!whole || *whole < field.minCount || *whole > field.maxCount) {
            return refuse(refusalOf(field));
        }
        out = *whole;
        return true;
    };
    int64_t pk = 0;
    int64_t laenge = 0;
    int64_t delay = 0;
    int64_t time = 0;
    int64_t taV = 0;
    int64_t taA = 0;
    if (!fit(0, pk) || !fit(1, laenge) || !fit(2, delay) || !fit(3, time)) {
        return false;
    }
    if (taEnable && (!fit(5, taV) || !fit(6, taA))) {
        return false;
    }
    const auto gain = units::integerPart((verstaerkung.value + 0.05f) * 10.0f);
    if (verstaerkung.value < 0.0f || !gain || *gain < 0 || *gain > UINT16_MAX) {
        return refuse(refusalText("Verstärkung", 0.0, kMaxGain, 1));
    }

    const bool version3 = card_ != nullptr && KARVO7IsVersion3(card_) != 0;
    ParameterSet& s = set_;
    s.iff = static_cast<uint32_t>(maxSap);
    if (taEnable) {
        s.taVerzoegerung = static_cast<uint16_t>(taV);
        s.taAbstand = static_cast<uint16_t>(taA);
        s.taStuetzstellen = static_cast<uint8_t>(stuetzstellen - 1);
        s.taReferenz = true;
    } else {
        s.taReferenz = false;
    }
    s.triggerExtern = taktExtern;
    s.bit8 = bit8;
    s.average = static_cast<uint8_t>(average);
    s.samplerate = units::samplerateOf(choice_);
    s.triggerdelay = static_cast<int32_t>(triggerdelay);
    s.trigger25ns = trigger25ns;
    s.sapDelay = static_cast<uint16_t>(sapDelay);
    // Neither radio (a set stored with start code 2 or 3) keeps the set's own code.
    const int base = messung >= 0 ? messung : (s.start & 3);
    s.start = static_cast<uint8_t>(base + (blendenmessung && version3 ? 4 : 0));
    s.pkVorlauf = static_cast<uint16_t>(pk);
    s.aufnahmelaenge = static_cast<uint16_t>(laenge);
    s.aufnahmedelay = static_cast<int32_t>(delay);
    s.ascan = ascan != 0;
    s.faktor = static_cast<uint8_t>(ascan);
    s.gleichrichtung = static_cast<uint8_t>(std::max(gleichrichtung, 0));
    s.externerTrigger = externerTrigger;
    s.ausblenden = static_cast<uint8_t>(blende);
    s.triggereingangsmode = static_cast<uint8_t>(std::max(eingang, 0) + (eingangLow ? 2 : 0));
    s.triggerausgangsmode = static_cast<uint8_t>(std::max(ausgang, 0) + (ausgangLow ? 4 : 0));
    s.sendersperre = sperre;
    s.sendeimpulsbreite = static_cast<uint8_t>(std::max(pulse, 0));
    s.sendeenergie = static_cast<uint8_t>(std::max(energie, 0));
    s.seMode = seMode;
    s.senderdaempfung = static_cast<uint8_t>(senderdaempfung);
    s.eingangsdaempfung = static_cast<uint8_t>(eingangsdaempfung);
    s.filter = static_cast<uint8_t>(filter);
    s.verstaerkung = static_cast<uint16_t>(*gain);
    s.esbTime = static_cast<int32_t>(time);
    s.esbLevel = static_cast<uint16_t>(esbLevel * 4);
    s.esbRelativ = esbRelativ;
    s.esbAlways = esbAlways;
    s.enable[0] = b0Enable;
    return true;
}

// ---- depth compensation file ---------------------------------------------------------------

void AnzeigeVorgabenDlg::laden() {
    if (!readControls()) {
        return;
    }
    const std::string name = chooseTaFile(desktop_, taDatei);
    if (name.empty()) {
        return;
    }
    set_.taDatei = name;
    taDatei = name;
    const TaContent content =
        loadTaFile(name, set_, units::rateTiming(units::samplerateOf(choice_)));
    if (content.status != TaContent::Status::Read) {
        taDatei = taFailureText(content);
        writeFieldsToControls();
        return;
    }
    stuetzstellen = int64_t{set_.taStuetzstellen} + 1;
    taAbstand.value = units::toUnit(content.taAbstand, unit_, clock_.period, factor_);
    taAbstand.show();
    writeFieldsToControls();
}

void AnzeigeVorgabenDlg::anzeigen() {
    if (!readControls()) {
        return;
    }
    TAlist list(desktop_, set_);
    desktop_.runModal(list);
    if (list.fileRead()) {
        // The list read the file again into the set: show what the set now holds.
        stuetzstellen = int64_t{set_.taStuetzstellen} + 1;
        taAbstand.value = units::toUnit(set_.taAbstand, unit_, clock_.period, factor_);
        taAbstand.show();
        taDatei = set_.taDatei;
        writeFieldsToControls();
    }
}

}  // namespace k7check
