#include "windows/card/KennungVorgabenDlg.h"

#include <vector>

#include "app/Session.h"
#include "desktop/Desktop.h"
#include "numbers/NumberText.h"

namespace k7check {

KennungVorgabenDlg::KennungVorgabenDlg(Session& session)
    : Dialog(kWindowClass, kTitle), session_(session) {}

bool KennungVorgabenDlg::onInit() {
    dateiname = kennungFileName(session_);
    fields.show(readKennungFile(kennungFilePath(session_)).value_or(KonfigRecord{}),
                KennungWindow::Vorgaben);
    writeFieldsToControls();
    return true;
}

void KennungVorgabenDlg::bindFields(FieldBinder& binder) {
    fields.bind(binder);
    binder.label("dateinameLabel", dateiname);
}

void KennungVorgabenDlg::onCommand(const std::string& control) {
    if (control == "saveButton") {
        save();
    } else {
        Dialog::onCommand(control);
    }
}

void KennungVorgabenDlg::save() {
    Desktop& desktop = session_.desktop();
    if (!takeKennungFields(desktop, kTitle, *this, fields)) {
        return;
    }
    const KonfigRecord record = fields.record();
    // The check compares the card's "Karte" with this text: an empty one matches no card.
    if (record.Karte[0] == '\0') {
        desktop.messageBox(kTitle, refusalText("Karte", "Texte mit mindestens einem Zeichen"));
        return;
    }
    if (desktop.messageBox(kTitle, "Wollen Sie wirklich sichern?", Buttons::YesNo) != Answer::Yes) {
        return;
    }
    const std::vector<std::string> lost = fieldsTheFileCannotCarry(record);
    if (!lost.empty()) {
        std::string names;
        for (const std::string& label : lost) {
            names += "\n  " + label;
        }
        const std::string text =
            "Diese Felder kann die Datei nicht so speichern, wie sie eingegeben sind "
            "(\";\", Zeichen außerhalb ASCII, eine 0 vor weiteren Listenwerten):" +
            names + "\n\nTrotzdem sichern?";
        if (desktop.messageBox(kTitle, text, Buttons::YesNo) != Answer::Yes) {
            return;
        }
    }
    dateiname = kennungFileName(session_);
    writeFieldsToControls();
    const std::string path = kennungFilePath(session_);
    switch (saveKennungFile(path, record)) {
        case KennungSave::Saved:
            break;
        case KennungSave::NoFileName:
            desktop.messageBox(kTitle,
                               "Kein Dateiname: in der Parameterdatei fehlt [Kennung] Filename.");
            break;
        case KennungSave::WriteFailed:
            desktop.messageBox(kTitle, "Die Datei " + path + " konnte nicht geschrieben werden!");
            break;
    }
}

}  // namespace k7check
