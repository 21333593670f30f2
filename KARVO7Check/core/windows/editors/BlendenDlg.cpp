#include "windows/editors/BlendenDlg.h"

#include <algorithm>
#include <climits>

#include "Format.h"
#include "windows/editors/DataBlendenDlg.h"
#include "windows/measurement/AnzeigeDlg.h"
#include "windows/measurement/DataListDlg.h"

namespace k7check {

namespace {

using units::FloatEdit;
using units::Unit;

const std::vector<std::string> kUnitRadios{"mmRadio", "usRadio", "samplesRadio"};

std::string indexed(const char* name, std::size_t gate, const char* kind) {
    return std::string(name) + std::to_string(gate) + kind;
}

// The labels the window shows: column and gate row ("Ende 1").
std::string gateLabel(const char* column, std::size_t gate) {
    return std::string(column) + " " + std::to_string(gate);
}

// Thresholds and the echo-start level are stored four times over in 16 bits.
constexpr int64_t kMaxLevel = 0xFFFF / 4;
// The parameter file keeps a threshold in steps of 16 of the held value: 4 of the shown one.
constexpr int64_t kThresholdStep = 4;

// A threshold the parameter file reads back as entered: a multiple of its step, or the value
// the window opened with.
bool savableThreshold(int64_t shown, uint16_t held) {
    return shown % kThresholdStep == 0 || shown == units::shownLevel(held);
}

std::string thresholdRefusal(const std::string& label) {
    return refusalText(label, "Vielfache von 4 von 0 bis " +
                                  std::to_string(kMaxLevel / kThresholdStep * kThresholdStep) +
                                  " (die Parameterdatei hält Schwellen in Schritten von 4)");
}
// The gate command carries each position in 16 bits: the last sample a gate can start or end at.
constexpr int64_t kLastPosition = 0xFFFF;

}  // namespace

BlendenDlg::BlendenDlg(Desktop& desktop, const Inputs& inputs)
    : CheckDialog(kWindowClass, kTitle), desktop_(desktop), in_(inputs) {
    openDataList_ = [](Desktop& d, const DataListInputs& list) {
        DataListDlg window(d, list);
        d.runModal(window);
    };
}

bool BlendenDlg::onInit() {
    unit_ = Unit::Samples;
    unit = static_cast<int>(unit_);
    factor_ = 1.0f;
    velocity_ = units::kDefaultSoundVelocity;
    schall.value = velocity_;
    esbGleichB0 = true;
    const ParameterSet& set = *in_.set;
    timing_ = units::rateTiming(set.samplerate);

    esbTime.value = static_cast<float>(set.esbTime);
    esbLevel = units::shownLevel(set.esbLevel);
    esbAlways = set.esbAlways;
    esbRelativ = set.esbRelativ;
    b0Enable = set.enable[0];
    for (std::size_t g = 0; g < kGates; ++g) {
        anfang[g].value = static_cast<float>(set.gates[g].anfang);
        ende[g].value = static_cast<float>(set.gates[g].ende);
        schwelle[g] = units::shownLevel(set.gates[g].schwelle);
        enable[g] = set.enable[g];
    }

    uint32_t error = 0;
    gatesRead_ = in_.card != nullptr && KARVO7GetGates(in_.card, &gates_, &error) != 0;
    status = gatesRead_ ? "" : formatText(" B: %X", error);
    showAll();
    return true;
}

void BlendenDlg::showResults() {
    const auto time = [&](uint32_t t) {
        if (unit_ == Unit::Samples) {
            return formatText("%d", static_cast<int>(t));
        }
        return units::formatCount(int64_t{t}, unit_, timing_.period, factor_);
    };
    const auto maximum = [](const GateResult& gate) {
        return formatText("%d", gate.Maximum >> 2) + (gate.Marke != 0 ? "^" : "");
    };
    if (!gatesRead_) {
        delayText.clear();
        timeText.fill("");
        maximumText.fill("");
        return;
    }
    delayText = time(gates_.ESDelay);
    for (std::size_t g = 0; g < kGates; ++g) {
        timeText[g] = time(gates_.Gate[g].Time);
        maximumText[g] = maximum(gates_.Gate[g]);
    }
}

void BlendenDlg::showAll() {
    esbTime.show();
    for (std::size_t g = 0; g < kGates; ++g) {
        anfang[g].show();
        ende[g].show();
    }
    schall.show();
    showResults();
    writeFieldsToControls();
}

void BlendenDlg::bindFields(FieldBinder& b) {
    b.text("esbTimeEdit", esbTime.text, 32);
    b.number("esbLevelEdit", "Level", esbLevel, 0, kMaxLevel);
    b.check("esbAlwaysCheck", esbAlways);
    b.check("esbRelativCheck", esbRelativ);
    b.check("esbEnableCheck", b0Enable);
    b.check("esbGleichB0Check", esbGleichB0);
    b.label("delayText", delayText);
    for (std::size_t g = 0; g < kGates; ++g) {
        b.text(indexed("anfang", g, "Edit"), anfang[g].text, 32);
        b.text(indexed("ende", g, "Edit"), ende[g].text, 32);
        b.number(indexed("schwelle", g, "Edit"), gateLabel("Schwelle", g), schwelle[g], 0,
                 kMaxLevel);
        if (g > 0) {
            b.check(indexed("enable", g, "Check"), enable[g]);
        }
        b.label(indexed("time", g, "Text"), timeText[g]);
        b.label(indexed("maximum", g, "Text"), maximumText[g]);
    }
    b.radio(kUnitRadios, unit);
    b.text("schallEdit", schall.text, 32);
    b.label("statusText", status);
}

// ---- reading and converting ----------------------------------------------------------------

bool BlendenDlg::refuse(const std::string& text) {
    desktop_.messageBox(kTitle, text);
    writeFieldsToControls();
    return false;
}

std::string BlendenDlg::timeRefusal(const std::string& label) const {
    return units::countRefusal(label, INT32_MIN, INT32_MAX, unit_, timing_.period, factor_);
}

std::string BlendenDlg::positionRefusal(const std::string& label) const {
    return units::countRefusal(label, 0, kLastPosition, unit_, timing_.period, factor_);
}

bool BlendenDlg::readControls() {
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
    take(esbTime, timeRefusal("Time"));
    take(schall, refusalText("Schallgeschwindigkeit in m/s", "Zahlen größer als 0"));
    for (std::size_t g = 0; g < kGates; ++g) {
        take(anfang[g], positionRefusal(gateLabel("Anfang", g)));
        take(ende[g], positionRefusal(gateLabel("Ende", g)));
    }
    if (!refusal.empty()) {
        return refuse(refusal);
    }
    return true;
}

bool BlendenDlg::toCounts() {
    if (unit_ == Unit::Samples) {
        return true;
    }
    // "Time" and gate 0 to the nearest sample, gates 1 to 4 to the grid; all or nothing.
    struct Scaled {
        FloatEdit* edit;
        bool grid;
        std::string label;
    };
    std::vector<Scaled> fields{{&esbTime, false, "Time"}};
    for (std::size_t g = 0; g < kGates; ++g) {
        fields.push_back({&anfang[g], g > 0, gateLabel("Anfang", g)});
        fields.push_back({&ende[g], g > 0, gateLabel("Ende", g)});
    }
    std::vector<float> counts;
    for (const auto& [edit, grid, label] : fields) {
        const float x = units::toCount(edit->value, unit_, timing_.period, factor_);
        const auto rounded = grid ? units::roundToGrid(x, timing_.grid) : units::roundNearest(x);
        if (!rounded) {
            return refuse(timeRefusal(label));
        }
        counts.push_back(static_cast<float>(*rounded));
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields[i].edit->value = counts[i];
    }
    return true;
}

void BlendenDlg::toShownUnit() {
    if (unit_ == Unit::Samples) {
        return;
    }
    const auto scale = [&](FloatEdit& edit) {
        edit.value = units::toUnit(edit.value, unit_, timing_.period, factor_);
    };
    scale(esbTime);
    for (std::size_t g = 0; g < kGates; ++g) {
        scale(anfang[g]);
        scale(ende[g]);
    }
}

// ---- actions ---------------------------------------------------------------------------------

void BlendenDlg::onCommand(const std::string& control) {
    const auto it = std::find(kUnitRadios.begin(), kUnitRadios.end(), control);
    if (it != kUnitRadios.end()) {
        selectUnit(static_cast<Unit>(it - kUnitRadios.begin()));
    } else if (control == "resultsButton") {
        results();
    } else if (control == "dataListButton") {
        dataList();
    } else {
        readFieldsFromControls();
    }
}

void BlendenDlg::onEditChanged(const std::string& control) {
    const bool anfang0 = control == "anfang0Edit";
    const bool schwelle0 = control == "schwelle0Edit";
    if (!anfang0 && !schwelle0) {
        return;
    }
    // While typing: a text without a number is left alone until it is used.
    readFieldsFromControls();
    if (!esbGleichB0) {
        return;
    }
    if (anfang0 && anfang[0].take()) {
        esbTime.value = anfang[0].value;
        esbTime.show();
    }
    if (schwelle0) {
        esbLevel = schwelle[0];
    }
    writeFieldsToControls();
}

void BlendenDlg::selectUnit(Unit wanted) {
    if (!readControls()) {
        unit = static_cast<int>(unit_);
        writeFieldsToControls();
        return;
    }
    if (wanted == Unit::Mm && !(schall.value > 0.0f)) {
        schall.value = velocity_;
        schall.show();
        unit = static_cast<int>(unit_);
        refuse("Die Schallgeschwindigkeit muss größer als 0 sein!");
        return;
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
    showAll();
}

void BlendenDlg::onOk() {
    if (!readControls() || !toCounts()) {
        return;
    }
    // The counts are whole numbers after rounding (a fraction of a sample typed in samples is
    // refused, not cut off), gate positions within what the gate command carries; every one is
    // checked before the set changes.
    std::string refusal;
    const auto whole = [&](const FloatEdit& edit, int64_t first, int64_t last,
                           const std::string& text) {
        const auto value = units::integerPart(edit.value);
        const bool taken =
            value && *value >= first && *value <= last && static_cast<float>(*value) == edit.value;
        if (!taken && refusal.empty()) {
            refusal = text;
        }
        return value.value_or(0);
    };
    const int64_t time = whole(esbTime, INT32_MIN, INT32_MAX, timeRefusal("Time"));
    std::array<int64_t, kGates> starts{};
    std::array<int64_t, kGates> ends{};
    for (std::size_t g = 0; g < kGates; ++g) {
        const std::string anfangLabel = gateLabel("Anfang", g);
        const std::string endeLabel = gateLabel("Ende", g);
        starts[g] = whole(anfang[g], 0, kLastPosition, positionRefusal(anfangLabel));
        ends[g] = whole(ende[g], 0, kLastPosition, positionRefusal(endeLabel));
        if (refusal.empty() && !savableThreshold(schwelle[g], in_.set->gates[g].schwelle)) {
            refusal = thresholdRefusal(gateLabel("Schwelle", g));
        }
    }
    if (!refusal.empty()) {
        toShownUnit();
        showAll();
        refuse(refusal);
        return;
    }
    ParameterSet& set = *in_.set;
    set.esbTime = static_cast<int32_t>(time);
    set.esbLevel = units::heldLevel(esbLevel, set.esbLevel);
    set.esbRelativ = esbRelativ;
    set.esbAlways = esbAlways;
    set.enable[0] = b0Enable;
    for (std::size_t g = 0; g < kGates; ++g) {
        if (g > 0) {
            set.enable[g] = enable[g];
        }
        set.gates[g].anfang = static_cast<int32_t>(starts[g]);
        set.gates[g].ende = static_cast<int32_t>(ends[g]);
        set.gates[g].schwelle = units::heldLevel(schwelle[g], set.gates[g].schwelle);
    }
    endDialog(kIdOk);
}

void BlendenDlg::onCancel() {
    endDialog(kIdCancel);
}

void BlendenDlg::results() {
    readFieldsFromControls();
    // One buffer per press; the gate value list owns it and releases it when it closes.
    std::vector<uint8_t> buffer(kResultBytes);
    uint32_t length = kResultBytes;
    uint32_t error = 0;
    if (in_.card == nullptr || KARVO7GetResults(in_.card, 0, &length, buffer.data(), &error) == 0) {
        status = formatText("GetResults Error %X", error);
        writeFieldsToControls();
        return;
    }
    if (length == 0) {
        status = "GetResults no Data ";
        writeFieldsToControls();
        return;
    }
    length = std::min(length, kResultBytes);
    status = formatText("%d Bytes OK", static_cast<int>(length));
    writeFieldsToControls();
    static const std::array<bool, kSetsPerCard> kNone{};
    DataBlendenDlg list(std::move(buffer), length, in_.active != nullptr ? *in_.active : kNone,
                        in_.recordLayout);
    desktop_.runModal(list);
}

void BlendenDlg::dataList() {
    readFieldsFromControls();
    DataListInputs list;
    list.eightBit = in_.set->bit8;
    list.recordLayout = in_.recordLayout;
    list.samplingRate = in_.set->samplerate;
    list.data = in_.data.data();
    list.length = static_cast<uint32_t>(in_.data.size());
    openDataList_(desktop_, list);
}

}  // namespace k7check
