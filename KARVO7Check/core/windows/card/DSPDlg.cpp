#include "windows/card/DSPDlg.h"

#include "ErrorWords.h"
#include "Format.h"
#include "app/Session.h"
#include "card/DspImage.h"
#include "card/DspLoad.h"
#include "k7base/Paths.h"

namespace k7check {

namespace {

// The window's line of a failed load: the card, the call and what its error word means.
std::string loadFault(uint32_t number, const DspLoadOutcome& outcome) {
    if (!outcome.loaded) {
        return formatText("Karte %u LoadProm ", number) + errorText(outcome.loadError);
    }
    if (!outcome.ready.warmedUp && outcome.ready.reset.ok()) {
        return formatText("Karte %u WarmUp ", number) + errorText(outcome.ready.error);
    }
    return dspLoadFault(outcome);
}

constexpr const char* kCaption = "DSP-Programm";

std::string dspFileName(Session& session) {
    return session.desktop().profileString(session.profileFile(), "DSP", "Filename", " ");
}

bool blank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

std::string DSPDlg::programPath(const std::string& fileName) const {
    return k7base::nameBeside(fileName, session_.profileFile());
}

DSPDlg::DSPDlg(Session& session) : CheckDialog(kWindowClass, kTitle), session_(session) {
    karte = session.fields().karte;
}

bool DSPDlg::onInit() {
    dateiname = dspFileName(session_);
    writeFieldsToControls();
    return true;
}

void DSPDlg::bindFields(FieldBinder& binder) {
    binder.text("dateinameEdit", dateiname, 255);
    binder.label("ergebnisLabel", ergebnis);
    binder.check("alleKartenCheck", alleKarten);
    binder.number("karteEdit", "Karte", karte);
    binder.check("sicherheitsabfrageCheck", sicherheitsabfrage);
}

void DSPDlg::onCommand(const std::string& control) {
    if (control == "writeButton") {
        write();
    } else if (control == "saveButton") {
        save();
    } else if (control == "alleKartenCheck") {
        readFieldsFromControls();
        if (alleKarten) {
            karte = 1;
        }
        writeFieldsToControls();
    } else {
        Dialog::onCommand(control);
    }
}

bool DSPDlg::load(uint32_t number, std::string& fileName, std::string& resultText) {
    Desktop& desktop = session_.desktop();
    KARVO7HANDLE card = session_.card(number);
    if (card == nullptr) {
        resultText = "Ungültige Kartennummer";
        return false;
    }
    if (fileName.empty()) {
        fileName = desktop.openFileDialog("", kDspFileFilter).value_or("");
    }
    const std::string path = programPath(fileName);
    const DspImageRead read = readDspImage(path);
    if (!read.ok()) {
        resultText = read.error == kDspFileNotFound ? dspFileNotFoundText(path) : read.error;
        return false;
    }
    const DspLoadOutcome outcome =
        loadDspProgram(card, read.image, desktop, [&](const std::function<void()>& write) {
            desktop.runLong(kCaption, "Das DSP-Programm wird geladen ...", 2000, write);
        });
    if (!outcome.ok()) {
        resultText = loadFault(number, outcome);
        return false;
    }
    resultText =
        formatText("Karte %u OK (Reset nach %u ms)", number, outcome.ready.reset.polls * 10);
    session_.resendVirma4Identifications(number);
    return true;
}

bool DSPDlg::takeFields() {
    if (const auto refusal = takeFieldsFromControls()) {
        session_.desktop().messageBox(kCaption, *refusal);
        return false;
    }
    return true;
}

void DSPDlg::write() {
    if (!takeFields()) {
        return;
    }
    if (karte == 0 || karte > session_.cardCount()) {
        ergebnis = "Ungültige Kartennummer";
        writeFieldsToControls();
        return;
    }
    // The file is chosen and read before the question: a file that cannot be loaded is refused
    // without asking.
    if (dateiname.empty()) {
        dateiname = session_.desktop().openFileDialog("", kDspFileFilter).value_or("");
    }
    if (const DspImageRead read = readDspImage(programPath(dateiname)); !read.ok()) {
        ergebnis = read.error == kDspFileNotFound ? dspFileNotFoundText(programPath(dateiname))
                                                  : read.error;
        writeFieldsToControls();
        return;
    }
    if (!sicherheitsabfrage ||
        session_.desktop().messageBox(kCaption, "Wollen Sie wirklich schreiben?", Buttons::YesNo) ==
            Answer::Yes) {
        load(karte, dateiname, ergebnis);
    }
    if (alleKarten && karte < session_.cardCount()) {
        ++karte;
    } else {
        alleKarten = false;
    }
    writeFieldsToControls();
}

void DSPDlg::save() {
    if (!takeFields()) {
        return;
    }
    if (session_.desktop().messageBox(kCaption, "Wollen Sie wirklich sichern?", Buttons::YesNo) !=
        Answer::Yes) {
        return;
    }
    if (!session_.desktop().writeProfileString(session_.profileFile(), "DSP", "Filename",
                                               dateiname)) {
        session_.desktop().messageBox(kCaption,
                                      "Die Parameterdatei konnte nicht geschrieben "
                                      "werden!");
    }
}

bool DSPDlg::automaticCheck(std::string& resultText) {
    const std::string named = dspFileName(session_);
    const std::string preset = blank(named) ? "" : programPath(named);
    Desktop& desktop = session_.desktop();
    // Attended, the technician confirms or changes the parameter file's program; unattended it
    // is the parameter file's program.
    std::string fileName =
        desktop.attended() ? desktop.openFileDialog(preset, kDspFileFilter).value_or("") : preset;
    if (fileName.empty()) {
        resultText = kDspFileNotFound;
        return false;
    }
    return load(session_.fields().karte, fileName, resultText);
}

}  // namespace k7check
