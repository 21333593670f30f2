#include "SmallEditors.h"

#include "Format.h"
#include "ParameterKeys.h"

namespace k7check {

// ---- Random Limits ---------------------------------------------------------------------------

RandomLimitsDlg::RandomLimitsDlg(Desktop& desktop, RandomLimits& limits)
    : Dialog(kWindowClass, kTitle), desktop_(desktop), limits_(limits) {}

bool RandomLimitsDlg::onInit() {
    lower_ = limits_.lower;
    upper_ = limits_.upper;
    writeFieldsToControls();
    return true;
}

void RandomLimitsDlg::bindFields(FieldBinder& binder) {
    for (const ParameterField* row : randomLimitFields()) {
        // Named as the window's columns name them: "Filter Minimum".
        const std::string key = row->random.key;
        const std::string label = row->random.label;
        const IntegerRef lower = integerRef(*row, lower_);
        const IntegerRef upper = integerRef(*row, upper_);
        binder.integer(key + "MinEdit", label + " Minimum", lower, {lower.range()});
        binder.integer(key + "MaxEdit", label + " Maximum", upper, {upper.range()});
    }
}

void RandomLimitsDlg::onOk() {
    std::string refusal = takeFieldsFromControls().value_or(std::string());
    for (const ParameterField* row : randomLimitFields()) {
        if (!refusal.empty()) {
            break;
        }
        if (integerRef(*row, lower_).get() > integerRef(*row, upper_).get()) {
            refusal = formatText("\"%s\": Minimum größer als Maximum!", row->random.label);
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
