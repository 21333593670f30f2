#include "windows/editors/TAlist.h"

#include "Format.h"
#include "card/TaFile.h"
#include "numbers/NumberText.h"

namespace k7check {

TAlist::TAlist(Desktop& desktop, ParameterSet& set)
    : Dialog(kWindowClass, kTitle), desktop_(desktop), set_(set) {}

bool TAlist::onInit() {
    const units::Timing timing = units::rateTiming(set_.samplerate);
    abstand.value = static_cast<float>(set_.taAbstand) * timing.period;
    stuetzstellen = int64_t{set_.taStuetzstellen} + 1;
    datei = set_.taDatei;

    const std::string name = chooseTaFile(desktop_, datei);
    if (!name.empty()) {
        set_.taDatei = name;
        datei = name;
        const TaContent content = loadTaFile(name, set_, timing);
        if (content.status == TaContent::Status::Read) {
            fileRead_ = true;
            abstand.value = content.spacingUs;
            stuetzstellen = int64_t{set_.taStuetzstellen} + 1;
        } else {
            datei = taFailureText(content);
        }
    }

    lines.clear();
    for (int64_t i = 1; i <= stuetzstellen && i <= static_cast<int64_t>(kTaTableSize); ++i) {
        const uint16_t entry = set_.taTabelle[static_cast<std::size_t>(i - 1)];
        // "%3d: %5.1f", with a point whatever the numeric locale.
        std::string gain = formatFixed(entry / 10.0, 1);
        gain.insert(0, gain.size() < 5 ? 5 - gain.size() : 0, ' ');
        lines.push_back(formatText("%3d: ", static_cast<int>(i)) + gain);
    }
    abstand.show();
    writeFieldsToControls();
    return true;
}

void TAlist::onCancel() {
    endDialog(kIdCancel);
}

void TAlist::onCommand(const std::string& control) {
    (void)control;
}

void TAlist::bindFields(FieldBinder& binder) {
    binder.list("taList", lines, selection);
    binder.text("dateiEdit", datei, 260);
    binder.number("stuetzstellenEdit", "Stützstellen", stuetzstellen, 1,
                  static_cast<int64_t>(kTaTableSize));
    binder.text("abstandEdit", abstand.text, 32);
    binder.enabled("saveButton", false);
}

std::string chooseTaFile(Desktop& desktop, const std::string& editName) {
    if (!editName.empty()) {
        return editName;
    }
    return desktop.openFileDialog("", "TA-Datei (*.ta)").value_or("");
}

}  // namespace k7check
