#include "windows/editors/AnzeigeVorgabenDlg.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "Format.h"
#include "KARVO7Protocol.h"
#include "card/TaFile.h"
#include "paramfile/ParameterKeys.h"
#include "windows/editors/TAlist.h"

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

    const bool version3 = card_ != nullptr && KARVO7IsVersion3(card_) != 0;
    entries = set_;
    loadRate();
    loadStart(version3);
    loadCodedRows();
    loadScaled(version3);
    loadDepthCompensation();
}

void AnzeigeVorgabenDlg::loadRate() {
    choice_ = units::rateChoiceOf(set_.samplerate);
    rate = choice_.radio;
    takt16 = choice_.takt16;
    sample_ = units::radioTiming(choice_.radio);
    clock_ = units::rateTiming(set_.samplerate);
}

void AnzeigeVorgabenDlg::loadStart(bool version3) {
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
}

void AnzeigeVorgabenDlg::loadCodedRows() {
    ascan = set_.ascan ? set_.faktor : 0;
    gleichrichtung = set_.gleichrichtung;
    pulse = set_.sendeimpulsbreite & 7;
    energie = set_.sendeenergie & 3;
    eingang = (set_.triggereingangsmode & 1) != 0 ? 1 : 0;
    eingangLow = set_.triggereingangsmode >= 2;
    ausgang = set_.triggerausgangsmode & 3;
    ausgangLow = set_.triggerausgangsmode >= 4;
    trigger25ns = set_.trigger25ns;
}

void AnzeigeVorgabenDlg::loadScaled(bool version3) {
    verstaerkung.value = static_cast<float>(set_.verstaerkung) / 10.0f;
    esbLevel = units::shownLevel(set_.esbLevel);
    esbDelay.value = 0.0f;
    if (version3) {
        esbDelay.value =
            static_cast<float>(KARVO7ReadRegister(card_, k7proto::reg::kEchoStartDelay) & 0xFFFF);
    }
    esbTime.value = static_cast<float>(set_.esbTime);
    vorlauf.value = set_.pkVorlauf;
    aufnahme.value = set_.aufnahmelaenge;
    recordDelay.value = static_cast<float>(set_.aufnahmedelay);
}

void AnzeigeVorgabenDlg::loadDepthCompensation() {
    taEnable = set_.taReferenz;
    stuetzstellen = int64_t{set_.taStuetzstellen} + 1;
    taDatei = set_.taDatei;
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
    for (const ParameterField& field : parameterFields()) {
        if (!field.plainInEditor()) {
            continue;
        }
        if (field.kind == FieldKind::Bool) {
            b.check(field.editor.control, *std::get<bool*>(field.ref(entries)));
        } else {
            b.integer(field.editor.control, field.editor.label, integerRef(field, entries),
                      {cardRange(field, entries)});
        }
    }
    b.radio(kPulseRadios, pulse);
    b.radio(kEnergieRadios, energie);
    b.text("verstaerkungEdit", verstaerkung.text, 32);
    b.radio(kRateRadios, rate);
    b.check("takt16Check", takt16);
    b.radio(kMessungRadios, messung);
    b.check("blendenmessungCheck", blendenmessung);
    b.number("ascanEdit", "A-Scan", ascan, 0, UINT8_MAX);
    b.radio(kGleichrichtungRadios, gleichrichtung);
    b.radio(kEingangRadios, eingang);
    b.check("eingangLowCheck", eingangLow);
    b.radio(kAusgangRadios, ausgang);
    b.check("ausgangLowCheck", ausgangLow);
    b.check("trigger25nsCheck", trigger25ns);
    b.text("esbDelayEdit", esbDelay.text, 32);
    b.text("esbTimeEdit", esbTime.text, 32);
    b.number("esbLevelEdit", "Level", esbLevel, 0, kMaxLevel);
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
            {&aufnahme, "Aufnahme", false, true, 1, UINT16_MAX},
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
    const std::optional<Counts> counts = validatedCounts();
    if (!counts) {
        // Refused: the fields are shown again in their unit.
        toShownUnit();
        show();
        return false;
    }
    storePlain();
    storeRate();
    storeStart();
    storeCodedRows();
    storeScaled(*counts);
    storeDepthCompensation(*counts);
    return true;
}

std::optional<AnzeigeVorgabenDlg::Counts> AnzeigeVorgabenDlg::validatedCounts() {
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
    Counts counts;
    if (!fit(0, counts.pkVorlauf) || !fit(1, counts.aufnahmelaenge) ||
        !fit(2, counts.aufnahmedelay) || !fit(3, counts.esbTime)) {
        return std::nullopt;
    }
    if (taEnable && (!fit(5, counts.taVerzoegerung) || !fit(6, counts.taAbstand))) {
        return std::nullopt;
    }
    const auto gain = units::integerPart((verstaerkung.value + 0.05f) * 10.0f);
    if (verstaerkung.value < 0.0f || !gain || *gain < 0 || *gain > UINT16_MAX) {
        refuse(refusalText("Verstärkung", 0.0, kMaxGain, 1));
        return std::nullopt;
    }
    counts.verstaerkung = *gain;
    return counts;
}

void AnzeigeVorgabenDlg::storePlain() {
    for (const ParameterField& field : parameterFields()) {
        if (field.plainInEditor()) {
            copyField(field, set_, entries);
        }
    }
}

void AnzeigeVorgabenDlg::storeRate() {
    set_.samplerate = units::samplerateOf(choice_);
}

void AnzeigeVorgabenDlg::storeStart() {
    const bool version3 = card_ != nullptr && KARVO7IsVersion3(card_) != 0;
    // Neither radio (a set stored with start code 2 or 3) keeps the set's own code.
    const int base = messung >= 0 ? messung : (set_.start & 3);
    set_.start = static_cast<uint8_t>(base + (blendenmessung && version3 ? 4 : 0));
}

void AnzeigeVorgabenDlg::storeCodedRows() {
    ParameterSet& s = set_;
    s.ascan = ascan != 0;
    s.faktor = static_cast<uint8_t>(ascan);
    s.gleichrichtung = static_cast<uint8_t>(std::max(gleichrichtung, 0));
    s.triggereingangsmode = static_cast<uint8_t>(std::max(eingang, 0) + (eingangLow ? 2 : 0));
    s.triggerausgangsmode = static_cast<uint8_t>(std::max(ausgang, 0) + (ausgangLow ? 4 : 0));
    s.sendeimpulsbreite = static_cast<uint8_t>(std::max(pulse, 0));
    s.sendeenergie = static_cast<uint8_t>(std::max(energie, 0));
    s.trigger25ns = trigger25ns;
}

void AnzeigeVorgabenDlg::storeScaled(const Counts& counts) {
    ParameterSet& s = set_;
    s.pkVorlauf = static_cast<uint16_t>(counts.pkVorlauf);
    s.aufnahmelaenge = static_cast<uint16_t>(counts.aufnahmelaenge);
    s.aufnahmedelay = static_cast<int32_t>(counts.aufnahmedelay);
    s.verstaerkung = static_cast<uint16_t>(counts.verstaerkung);
    s.esbTime = static_cast<int32_t>(counts.esbTime);
    s.esbLevel = units::heldLevel(esbLevel, s.esbLevel);
}

void AnzeigeVorgabenDlg::storeDepthCompensation(const Counts& counts) {
    // Off keeps the set's table, delay and spacing; only the reference flag goes.
    set_.taReferenz = taEnable;
    if (taEnable) {
        set_.taVerzoegerung = static_cast<uint16_t>(counts.taVerzoegerung);
        set_.taAbstand = static_cast<uint16_t>(counts.taAbstand);
        set_.taStuetzstellen = static_cast<uint8_t>(stuetzstellen - 1);
    }
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
    taDatei = name;
    const TaContent content =
        loadTaFile(name, set_, units::rateTiming(units::samplerateOf(choice_)));
    if (content.status != TaContent::Status::Read) {
        // The field keeps the file's name, so that a corrected file can be loaded again.
        writeFieldsToControls();
        desktop_.messageBox(
            kTitle, formatText("Datei %s: %s", name.c_str(), taFailureText(content).c_str()));
        return;
    }
    set_.taDatei = name;
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
