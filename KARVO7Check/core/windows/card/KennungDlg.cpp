#include "windows/card/KennungDlg.h"

#include <optional>
#include <utility>

#include "ErrorWords.h"
#include "Format.h"
#include "app/Session.h"
#include "windows/card/KennungVorgabenDlg.h"

namespace k7check {

KennungDlg::KennungDlg(Session& session, KARVO7HANDLE card)
    : CheckDialog(kWindowClass, kTitle), session_(session), card_(card) {}

bool KennungDlg::onInit() {
    readCard();
    return true;
}

void KennungDlg::readCard() {
    uint32_t error = 0;
    const std::optional<KonfigRecord> record = readCardKennung(card_, error);
    fields.show(record.value_or(KonfigRecord{}), KennungWindow::Kennung);
    writeFieldsToControls();
    if (!record) {
        session_.desktop().messageBox(
            kTitle,
            formatText("Kennung Karte %u: GetKonfig ", session_.fields().karte) + errorText(error));
    }
}

void KennungDlg::onCommand(const std::string& control) {
    if (control == "writeButton") {
        write();
    } else if (control == "vorgabenButton") {
        KennungVorgabenDlg vorgaben(session_);
        session_.desktop().runModal(vorgaben);
    } else {
        Dialog::onCommand(control);
    }
}

void KennungDlg::write() {
    Desktop& desktop = session_.desktop();
    if (desktop.messageBox(kTitle, "Wollen Sie wirklich schreiben?", Buttons::YesNo) !=
        Answer::Yes) {
        return;
    }
    if (!takeKennungFields(desktop, kTitle, *this, fields)) {
        return;
    }
    const KonfigRecord record = fields.record();
    bool written = false;
    uint32_t error = 0;
    desktop.runLong(kTitle, "Die Kennung wird auf die Karte geschrieben ...", 30000,
                    [&] { written = writeCardKennung(card_, record, error); });
    if (!written) {
        desktop.messageBox("Test", formatText("Kennung Karte %u: PutKonfig Error Adr: 0x%X Soll: "
                                              "0x%X Ist: 0x%X",
                                              session_.fields().karte, error >> 16,
                                              (error >> 8) & 0xFFu, error & 0xFFu));
    }
    readCard();
}

bool KennungDlg::automaticCheck(std::string& resultText) {
    Verdict verdict = checkKennung(card_, kennungFilePath(session_));
    resultText = std::move(verdict.line);
    return verdict.passed;
}

}  // namespace k7check
