#include "windows/card/KennungFields.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "app/Session.h"
#include "desktop/Desktop.h"
#include "desktop/Dialog.h"
#include "k7base/Paths.h"
#include "numbers/NumberText.h"

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

std::string kennungFileName(Session& session) {
    return session.desktop().profileString(session.profileFile(), "Kennung", "Filename", " ");
}

std::string kennungFilePath(Session& session) {
    return k7base::nameBeside(kennungFileName(session), session.profileFile());
}

bool takeKennungFields(Desktop& desktop, const char* caption, Dialog& window,
                       KennungFields& fields) {
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

}  // namespace k7check
