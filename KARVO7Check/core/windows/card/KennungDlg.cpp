#include "windows/card/KennungDlg.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "Format.h"
#include "app/Session.h"
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

// A number a float field holds as typed; nothing for any other text.
std::optional<float> floatValue(std::string_view text) {
    const auto value = parseDecimal(text);
    if (!value || std::fabs(*value) > static_cast<double>(FLT_MAX)) {
        return std::nullopt;
    }
    return static_cast<float>(*value);
}

// The widest element a list shows: a float list element at its largest magnitude with two
// decimals ("-340282346638528859811704183484516925440.00").
constexpr std::size_t kWidestElement = 43;
// The texts of a list are long: room for the longest list (16 elements) of the widest element
// and the commas between them.
constexpr std::size_t kListWidth = 16 * kWidestElement + 15;

// Whether `text` is a list as a technician types one: at most `count` numbers separated by
// commas, each as the element type holds it (whole numbers up to `max`, or float numbers when
// `max` is 0). A blank text is an empty list.
bool listHolds(std::string_view text, std::size_t count, int64_t max) {
    if (text.find_first_not_of(" \t") == std::string_view::npos) {
        return true;
    }
    std::size_t elements = 0;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view piece = text.substr(0, comma);
        if (++elements > count) {
            return false;
        }
        if (max == 0) {
            if (!floatValue(piece)) {
                return false;
            }
        } else {
            const auto value = parseInteger(piece);
            if (!value || *value < 0 || *value > max) {
                return false;
            }
        }
        if (comma == std::string_view::npos) {
            return true;
        }
        text.remove_prefix(comma + 1);
    }
}

std::string listAllowed(std::size_t count, int64_t max) {
    return "bis zu " + std::to_string(count) +
           (max == 0 ? std::string(" Zahlen") : " ganze Zahlen von 0 bis " + std::to_string(max)) +
           ", durch Kommas getrennt";
}

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
    // Single bytes of the record.
    b.number("adcEdit", "ADC", edits.adcBits, 0, UINT8_MAX);
    b.number("aufnahmeFifoEdit", "Aufnahme-FIFO", edits.aufnahmeFifo, 0, UINT8_MAX);
    b.number("datenFifoEdit", "Daten-FIFO", edits.datenFifo, 0, UINT8_MAX);
    b.number("dynamikEdit", "Dynamik", edits.dynamik, 0, UINT8_MAX);
    b.text("daempfungEingangEdit", edits.daempfungEingang, kListWidth);
    b.text("daempfungSenderEdit", edits.daempfungSender, kListWidth);
    b.text("energieSenderEdit", edits.energieSender, kListWidth);
    b.text("samplerrateEdit", edits.samplerrate, kListWidth);
    b.number("maxSapFolgeEdit", "max. SAP-Folge", edits.maxSapFolge, 0, UINT8_MAX);
    b.text("filterMittenfrequenzEdit", edits.filterMittenfrequenz, kListWidth);
    b.text("filterBandgrenzeEdit", edits.filterBandgrenze, kListWidth);
    b.text("grunddaempfungEdit", edits.grunddaempfung, kListWidth);
}

std::optional<std::string> KennungFields::refusal() const {
    const std::pair<const char*, const std::string*> bands[] = {
        {"bandgrenzeUntenEdit", &bandgrenzeUnten}, {"bandgrenzeObenEdit", &bandgrenzeOben}};
    for (const auto& [control, text] : bands) {
        if (!floatValue(*text)) {
            return refusalText(kennungLabelOf(control), "Zahlen");
        }
    }
    const KonfigRecord r{};
    struct List {
        const char* control;
        const std::string* text;
        std::size_t count;
        int64_t max;  // 0: float elements
    };
    const List lists[] = {
        {"daempfungEingangEdit", &edits.daempfungEingang, std::size(r.DaempfungEingang),
         UINT16_MAX},
        {"daempfungSenderEdit", &edits.daempfungSender, std::size(r.DaempfungSender), UINT16_MAX},
        {"energieSenderEdit", &edits.energieSender, std::size(r.EnergieSender), UINT16_MAX},
        {"samplerrateEdit", &edits.samplerrate, std::size(r.Samplerrate), UINT8_MAX},
        {"filterMittenfrequenzEdit", &edits.filterMittenfrequenz, std::size(r.FilterMittenfrequenz),
         0},
        {"filterBandgrenzeEdit", &edits.filterBandgrenze, std::size(r.FilterBandgrenze), 0},
        {"grunddaempfungEdit", &edits.grunddaempfung, std::size(r.Grunddaempfung), UINT8_MAX},
    };
    for (const List& list : lists) {
        if (!listHolds(*list.text, list.count, list.max)) {
            return refusalText(kennungLabelOf(list.control), listAllowed(list.count, list.max));
        }
    }
    return std::nullopt;
}

KonfigRecord KennungFields::record() const {
    KennungEdits e = edits;
    e.bandgrenzeUnten = floatValue(bandgrenzeUnten).value_or(0.0f);
    e.bandgrenzeOben = floatValue(bandgrenzeOben).value_or(0.0f);
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

// Takes the window's fields, all or nothing; a refused entry is named under `caption`, the
// fields keep what they held and nothing is written.
bool fieldsTaken(Desktop& desktop, const char* caption, Dialog& window, KennungFields& fields) {
    const KennungFields held = fields;
    std::optional<std::string> refusal = window.takeFieldsFromControls();
    if (!refusal) {
        refusal = fields.refusal();
        if (refusal) {
            fields = held;
        }
    }
    if (refusal) {
        desktop.messageBox(caption, *refusal);
        return false;
    }
    return true;
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
    if (!fieldsTaken(desktop, kTitle, *this, fields)) {
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
    if (!fieldsTaken(desktop, kTitle, *this, fields)) {
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
