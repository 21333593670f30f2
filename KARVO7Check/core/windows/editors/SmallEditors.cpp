#include "SmallEditors.h"

#include "Format.h"

namespace k7check {

// ---- Random Limits ---------------------------------------------------------------------------

const std::vector<RandomLimitsDlg::Row>& RandomLimitsDlg::rows() {
    static const std::vector<Row> kRows{
        {"max. SAP", "iff"},
        {"Sendeimplusbreite", "sendeimpulsbreite"},
        {"Sendeenergie", "sendeenergie"},
        {"Senderdämpfung", "senderdaempfung"},
        {"Eingangsdämpfung", "eingangsdaempfung"},
        {"Verstärkung", "verstaerkung"},
        {"Filter", "filter"},
        {"Samplefrequenz", "samplerate"},
        {"A-Scan", "faktor"},
        {"Gleichrichtung", "gleichrichtung"},
        {"Average", "average"},
        {"Vorlauf", "vorlauf"},
        {"Delay", "delay"},
        {"Aufnahme", "aufnahme"},
        {"Blende 0 Anfang", "anfang0"},
        {"Blende 1 Anfang", "anfang1"},
        {"Blende 2 Anfang", "anfang2"},
        {"Blende 3 Anfang", "anfang3"},
        {"Blende 4 Anfang", "anfang4"},
        {"Blende 0 Breite", "breite0"},
        {"Blende 1 Breite", "breite1"},
        {"Blende 2 Breite", "breite2"},
        {"Blende 3 Breite", "breite3"},
        {"Blende 4 Breite", "breite4"},
    };
    return kRows;
}

IntegerRef RandomLimitsDlg::field(ParameterSet& s, std::size_t row) {
    switch (row) {
        case 0:
            return IntegerRef::of(s.iff);
        case 1:
            return IntegerRef::of(s.sendeimpulsbreite);
        case 2:
            return IntegerRef::of(s.sendeenergie);
        case 3:
            return IntegerRef::of(s.senderdaempfung);
        case 4:
            return IntegerRef::of(s.eingangsdaempfung);
        case 5:
            return IntegerRef::of(s.verstaerkung);
        case 6:
            return IntegerRef::of(s.filter);
        case 7:
            return IntegerRef::of(s.samplerate);
        case 8:
            return IntegerRef::of(s.faktor);
        case 9:
            return IntegerRef::of(s.gleichrichtung);
        case 10:
            return IntegerRef::of(s.average);
        case 11:
            return IntegerRef::of(s.pkVorlauf);
        case 12:
            return IntegerRef::of(s.aufnahmedelay);
        case 13:
            return IntegerRef::of(s.aufnahmelaenge);
        default:
            break;
    }
    const std::size_t gate = (row - 14) % kGates;
    return row < 14 + kGates ? IntegerRef::of(s.gates.at(gate).anfang)
                             : IntegerRef::of(s.gates.at(gate).ende);
}

RandomLimitsDlg::RandomLimitsDlg(Desktop& desktop, RandomLimits& limits)
    : Dialog(kWindowClass, kTitle), desktop_(desktop), limits_(limits) {}

bool RandomLimitsDlg::onInit() {
    lower_ = limits_.lower;
    upper_ = limits_.upper;
    writeFieldsToControls();
    return true;
}

void RandomLimitsDlg::bindFields(FieldBinder& binder) {
    for (std::size_t i = 0; i < rows().size(); ++i) {
        // Named as the window's columns name them: "Filter Minimum".
        const std::string label = rows()[i].label;
        const IntegerRef lower = field(lower_, i);
        const IntegerRef upper = field(upper_, i);
        binder.integer(rows()[i].key + "MinEdit", label + " Minimum", lower, {lower.range()});
        binder.integer(rows()[i].key + "MaxEdit", label + " Maximum", upper, {upper.range()});
    }
}

void RandomLimitsDlg::onOk() {
    std::string refusal = takeFieldsFromControls().value_or(std::string());
    for (std::size_t i = 0; i < rows().size() && refusal.empty(); ++i) {
        if (field(lower_, i).get() > field(upper_, i).get()) {
            refusal = formatText("\"%s\": Minimum größer als Maximum!", rows()[i].label);
        }
    }
    if (!refusal.empty()) {
        // The window stays open; the pair keeps what it held.
        desktop_.messageBox(kTitle, refusal);
        return;
    }
    limits_.lower = lower_;
    limits_.upper = upper_;
    endDialog(kIdOk);
}

void RandomLimitsDlg::onCancel() {
    endDialog(kIdCancel);
}

// ---- Busbelegung -----------------------------------------------------------------------------

BusbelegungDlg::BusbelegungDlg(const std::array<Channel, kMaxCards>& channels)
    : Dialog(kWindowClass, kTitle), lines(linesOf(channels)) {}

std::vector<std::string> BusbelegungDlg::linesOf(const std::array<Channel, kMaxCards>& channels) {
    std::vector<std::string> out;
    for (std::size_t n = 0; n < channels.size(); ++n) {
        const Channel& c = channels[n];
        // PCI bus 0 is common: only bus and slot both 0 mark a channel without assignment.
        if (c.bus == 0 && c.slot == 0) {
            break;
        }
        const int channel = static_cast<int>(n + 1);
        if (c.card != 0) {
            out.push_back(formatText("Kanal %2d  (Bus %d  Slot %d)  Karte %d   ", channel,
                                     static_cast<int>(c.bus), static_cast<int>(c.slot),
                                     static_cast<int>(c.card)) +
                          c.konfig);
        } else {
            out.push_back(formatText("Kanal %2d  (Bus %d  Slot %d)", channel,
                                     static_cast<int>(c.bus), static_cast<int>(c.slot)));
        }
    }
    return out;
}

bool BusbelegungDlg::onInit() {
    writeFieldsToControls();
    return true;
}

void BusbelegungDlg::onCancel() {
    endDialog(kIdCancel);
}

void BusbelegungDlg::bindFields(FieldBinder& binder) {
    binder.list("busList", lines, selection);
}

// ---- automatische Messung ----------------------------------------------------------------------

BlockmessungDlg::BlockmessungDlg(std::array<bool, kSetsPerCard>& active)
    : Dialog(kWindowClass, kTitle), active_(active) {}

bool BlockmessungDlg::onInit() {
    flags = active_;
    writeFieldsToControls();
    return true;
}

void BlockmessungDlg::bindFields(FieldBinder& binder) {
    binder.check("blockCheck", flags[0]);
    for (std::size_t s = 1; s < kSetsPerCard; ++s) {
        binder.check("satz" + std::to_string(s) + "Check", flags[s]);
    }
}

void BlockmessungDlg::onOk() {
    readFieldsFromControls();
    active_ = flags;
    endDialog(kIdOk);
}

void BlockmessungDlg::onCancel() {
    endDialog(kIdCancel);
}

}  // namespace k7check
