#include "KennungDlg.h"

#include <array>
#include <cstdio>
#include <utility>

#include "Format.h"
#include "Session.h"
#include "fields/NumberText.h"

namespace k7check {

namespace {

// Edit control and window label of every edit of the shared block.
constexpr std::array<std::pair<const char*, const char*>, 19> kLabels{{
    {"karteEdit", "Karte"},
    {"aufsteckfilterEdit", "Aufsteckfilter"},
    {"pciEepromEdit", "PCI EEPROM"},
    {"lcaVersionEdit", "LCA-Version"},
    {"programmversionEdit", "Programmversion"},
    {"bandgrenzeUntenEdit", "Bandgrenze unten"},
    {"bandgrenzeObenEdit", "Bandgrenze oben"},
    {"adcEdit", "ADC"},
    {"aufnahmeFifoEdit", "Aufnahme-FIFO"},
    {"datenFifoEdit", "Daten-FIFO"},
    {"dynamikEdit", "Dynamik"},
    {"daempfungEingangEdit", "Dämpfung Eingang"},
    {"daempfungSenderEdit", "Dämpfung Sender"},
    {"energieSenderEdit", "Energie Sender"},
    {"samplerrateEdit", "Samplerrate"},
    {"maxSapFolgeEdit", "max. SAP-Folge"},
    {"filterMittenfrequenzEdit", "Filter Mittenfrequenz"},
    {"filterBandgrenzeEdit", "Filter Bandgrenze"},
    {"grunddaempfungEdit", "Grunddämpfung"},
}};

// A band limit in general notation with six significant digits.
std::string bandText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

float bandValue(const std::string& text) {
    return static_cast<float>(parseDecimal(text).value_or(0.0));
}

// The texts of a list are long: room for 16 elements of "%5.2f" and their commas.
constexpr std::size_t kListWidth = 255;

}  // namespace

void KennungFields::show(const KonfigRecord& record, KennungWindow window) {
    edits = kennungEditsOf(record, window);
    bandgrenzeUnten = bandText(record.BandgrenzeUnten);
    bandgrenzeOben = bandText(record.BandgrenzeOben);
}

void KennungFields::bind(FieldBinder& b) {
    b.text("karteEdit", edits.karte, sizeof(KonfigRecord{}.Karte));
    b.text("aufsteckfilterEdit", edits.aufsteckfilter, sizeof(KonfigRecord{}.Aufsteckfilter));
    b.text("pciEepromEdit", edits.pciEeprom, sizeof(KonfigRecord{}.PciEeprom));
    b.text("lcaVersionEdit", edits.lcaVersion, sizeof(KonfigRecord{}.LcaVersion));
    b.text("programmversionEdit", edits.programmversion, sizeof(KonfigRecord{}.Programmversion));
    b.text("bandgrenzeUntenEdit", bandgrenzeUnten, kListWidth);
    b.text("bandgrenzeObenEdit", bandgrenzeOben, kListWidth);
    b.number("adcEdit", edits.adcBits);
    b.number("aufnahmeFifoEdit", edits.aufnahmeFifo);
    b.number("datenFifoEdit", edits.datenFifo);
    b.number("dynamikEdit", edits.dynamik);
    b.text("daempfungEingangEdit", edits.daempfungEingang, kListWidth);
    b.text("daempfungSenderEdit", edits.daempfungSender, kListWidth);
    b.text("energieSenderEdit", edits.energieSender, kListWidth);
    b.text("samplerrateEdit", edits.samplerrate, kListWidth);
    b.number("maxSapFolgeEdit", edits.maxSapFolge);
    b.text("filterMittenfrequenzEdit", edits.filterMittenfrequenz, kListWidth);
    b.text("filterBandgrenzeEdit", edits.filterBandgrenze, kListWidth);
    b.text("grunddaempfungEdit", edits.grunddaempfung, kListWidth);
}

std::vector<std::string> KennungFields::invalidBandLimits() const {
    std::vector<std::string> invalid;
    if (!parseDecimal(bandgrenzeUnten)) {
        invalid.emplace_back("bandgrenzeUntenEdit");
    }
    if (!parseDecimal(bandgrenzeOben)) {
        invalid.emplace_back("bandgrenzeObenEdit");
    }
    return invalid;
}

KonfigRecord KennungFields::record() const {
    KennungEdits e = edits;
    e.bandgrenzeUnten = bandValue(bandgrenzeUnten);
    e.bandgrenzeOben = bandValue(bandgrenzeOben);
    return kennungRecordOf(e);
}

std::string kennungLabelOf(const std::string& control) {
    for (const auto& [name, label] : kLabels) {
        if (control == name) {
            return label;
        }
    }
    return control;
}

std::optional<KonfigRecord> readCardKennung(KARVO7HANDLE card, uint32_t& error) {
    KonfigRecord record{};
    error = 0;
    if (KARVO7GetKonfig(card, &record, &error) == 0) {
        return std::nullopt;
    }
    return record;
}

std::string kennungFileName(Session& session) {
    return session.desktop().profileString(session.profileFile(), "Kennung", "Filename", " ");
}

namespace {

// The edits of `fields` that hold no number, after the window read its controls; the first
// is named in a message under `caption`. True when all hold numbers.
bool numbersValid(Desktop& desktop, const char* caption, std::vector<std::string> invalid,
                  const KennungFields& fields) {
    for (const std::string& control : fields.invalidBandLimits()) {
        invalid.push_back(control);
    }
    if (invalid.empty()) {
        return true;
    }
    desktop.messageBox(caption, "Keine gültige Zahl in \"" + kennungLabelOf(invalid.front()) +
                                    "\": bitte korrigieren.");
    return false;
}

}  // namespace

// ---- Kennung --------------------------------------------------------------------------------

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
        session_.desktop().messageBox(kTitle, formatText("GetKonfig Error %X", error));
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
    if (!numbersValid(desktop, kTitle, readFieldsFromControls(), fields)) {
        return;
    }
    const KonfigRecord record = fields.record();
    int written = 0;
    uint32_t error = 0;
    desktop.runLong(kTitle, "Die Kennung wird auf die Karte geschrieben ...", 30000,
                    [&] { written = KARVO7PutKonfig(card_, &record, &error); });
    if (written == 0) {
        desktop.messageBox("Test", formatText("PutKonfig Error Adr: 0x%X Soll: 0x%X Ist: 0x%X",
                                              error >> 16, (error >> 8) & 0xFFu, error & 0xFFu));
    }
    readCard();
}

bool KennungDlg::automaticCheck(std::string& resultText) {
    uint32_t error = 0;
    const std::optional<KonfigRecord> record = readCardKennung(card_, error);
    if (!record) {
        resultText = formatText("GetKonfig Error %X", error);
        return false;
    }
    resultText = compareKennung(*record, readKennungFile(kennungFileName(session_)));
    return resultText == "OK";
}

// ---- Kennung Vorgaben -----------------------------------------------------------------------

KennungVorgabenDlg::KennungVorgabenDlg(Session& session)
    : Dialog(kWindowClass, kTitle), session_(session) {}

bool KennungVorgabenDlg::onInit() {
    dateiname = kennungFileName(session_);
    fields.show(readKennungFile(dateiname).value_or(KonfigRecord{}), KennungWindow::Vorgaben);
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
    if (desktop.messageBox(kTitle, "Wollen Sie wirklich sichern?", Buttons::YesNo) != Answer::Yes) {
        return;
    }
    if (!numbersValid(desktop, kTitle, readFieldsFromControls(), fields)) {
        return;
    }
    const KonfigRecord record = fields.record();
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
    switch (saveKennungFile(dateiname, record)) {
        case KennungSave::Saved:
            break;
        case KennungSave::NoFileName:
            desktop.messageBox(kTitle,
                               "Kein Dateiname: in der Parameterdatei fehlt [Kennung] Filename.");
            break;
        case KennungSave::WriteFailed:
            desktop.messageBox(kTitle,
                               "Die Datei " + dateiname + " konnte nicht geschrieben werden!");
            break;
    }
}

}  // namespace k7check
