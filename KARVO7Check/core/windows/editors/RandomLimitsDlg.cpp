#include "windows/editors/RandomLimitsDlg.h"

#include "Format.h"
#include "paramfile/ParameterKeys.h"

namespace k7check {

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
        binder.integer(key + "MinEdit", label + " Minimum", lower, {cardRange(*row, lower_)});
        binder.integer(key + "MaxEdit", label + " Maximum", upper, {cardRange(*row, upper_)});
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

}  // namespace k7check
