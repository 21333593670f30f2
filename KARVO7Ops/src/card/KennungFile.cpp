#include "card/KennungFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <memory>

#include "k7base/Files.h"
#include "k7base/RegularFile.h"

namespace k7check {

namespace {

bool isWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view skipWhite(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isWhite(text[i])) {
        ++i;
    }
    return text.substr(i);
}

// A decimal integer at the start of `text` (white space, optional sign, digits). The value
// wraps at 32 bits, so its low-order bits are exactly those of the number written.
std::optional<uint32_t> leadingInteger(std::string_view text) {
    text = skipWhite(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !isDigit(text.front())) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (const char c : text) {
        if (!isDigit(c)) {
            break;
        }
        value = value * 10u + static_cast<uint32_t>(c - '0');
    }
    return negative ? 0u - value : value;
}

// A decimal float at the start of `text`: white space, optional sign, digits with an optional
// point and fraction, an optional exponent. Read the same whatever the program's locale; a
// number beyond the float range gives nothing.
std::optional<float> leadingFloat(std::string_view text) {
    text = skipWhite(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    size_t end = 0;
    size_t digits = 0;
    while (end < text.size() && isDigit(text[end])) {
        ++end;
        ++digits;
    }
    if (end < text.size() && text[end] == '.') {
        ++end;
        while (end < text.size() && isDigit(text[end])) {
            ++end;
            ++digits;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        size_t e = end + 1;
        if (e < text.size() && (text[e] == '-' || text[e] == '+')) {
            ++e;
        }
        if (e < text.size() && isDigit(text[e])) {
            while (e < text.size() && isDigit(text[e])) {
                ++e;
            }
            end = e;
        }
    }
    float value = 0.0f;
    const auto [ptr, error] = std::from_chars(text.data(), text.data() + end, value);
    if (error != std::errc() || ptr != text.data() + end) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

template <typename T>
void readList(std::string_view text, std::span<T> elements) {
    std::fill(elements.begin(), elements.end(), T{});
    for (size_t i = 0; i < elements.size(); ++i) {
        if constexpr (std::is_same_v<T, float>) {
            elements[i] = leadingFloat(text).value_or(0.0f);
        } else {
            elements[i] = static_cast<T>(leadingInteger(text).value_or(0u));
        }
        const size_t comma = text.find(',');
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
}

std::string integerText(uint32_t value) {
    std::array<char, 16> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

// "%.2f" in the C locale, whatever locale the program runs in.
std::string floatText(float value) {
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      static_cast<double>(value), std::chars_format::fixed, 2);
    return std::string(buffer.data(), result.ptr);
}

template <typename T>
std::string elementText(T value) {
    if constexpr (std::is_same_v<T, float>) {
        return floatText(value);
    } else {
        return integerText(value);
    }
}

template <typename T>
size_t leadingNonZero(std::span<const T> elements) {
    size_t n = 0;
    while (n < elements.size() && elements[n] != T{}) {
        ++n;
    }
    return n;
}

// Whether the file writes `value` as a zero: 0 itself, or a float that two decimals make
// "0.00" (or "-0.00"), which reads back as 0.
template <typename T>
bool writtenAsZero(T value) {
    if constexpr (std::is_same_v<T, float>) {
        const std::string text = floatText(value);
        return text == "0.00" || text == "-0.00";
    } else {
        return value == T{};
    }
}

// The elements a list line carries: those before the first one the file writes as 0, so that
// the line's count is what reading it gives back and no "0.00" stands in it.
template <typename T>
size_t leadingWritten(std::span<const T> elements) {
    size_t n = 0;
    while (n < elements.size() && !writtenAsZero(elements[n])) {
        ++n;
    }
    return n;
}

// The values part of a list line: the elements it carries, separated by commas.
template <typename T>
std::string listFileValues(std::span<const T> elements) {
    std::string text;
    const size_t n = leadingWritten(elements);
    for (size_t i = 0; i < n; ++i) {
        if (i > 0) {
            text += ',';
        }
        text += elementText(elements[i]);
    }
    return text;
}

template <typename T>
std::string listDisplay(std::span<const T> elements, int width) {
    std::string text;
    for (const T element : elements) {
        if (element == T{}) {
            continue;
        }
        if (!text.empty()) {
            text += ',';
        }
        const std::string value = elementText(element);
        if (static_cast<int>(value.size()) < width) {
            text.append(static_cast<size_t>(width) - value.size(), ' ');
        }
        text += value;
    }
    return text;
}

template <size_t N>
std::string textOf(const char (&field)[N]) {
    return std::string(field, std::find(field, field + N, '\0'));
}

template <size_t N>
void setText(char (&field)[N], std::string_view text) {
    std::fill(field, field + N, '\0');
    std::copy_n(text.begin(), std::min(N, text.size()), field);
}

// One field of the file, in file order, with what the file carries of it.
struct Field {
    int key;
    int type;
    const char* label;
    std::string values;  // the values part of the field's line (for key 16, this half)
    size_t count;        // the count written in the line header
};

template <typename T, size_t N>
Field listField(int key, int type, const char* label, const T (&elements)[N]) {
    const std::span<const T> list(elements, N);
    return {key, type, label, listFileValues(list), leadingWritten(list)};
}

std::vector<Field> fieldsOf(const KonfigRecord& r) {
    const auto text = [](int key, const char* label, std::string value) {
        const size_t n = value.size();
        return Field{key, 1, label, std::move(value), n};
    };
    const auto byte = [](int key, const char* label, uint8_t value) {
        return Field{key, 2, label, integerText(value), 1};
    };
    return {
        text(1, "Karte", textOf(r.Karte)),
        text(2, "Aufsteckfilter", textOf(r.Aufsteckfilter)),
        text(3, "PCI EEPROM", textOf(r.PciEeprom)),
        text(4, "LCA-Version", textOf(r.LcaVersion)),
        text(5, "Programmversion", textOf(r.Programmversion)),
        {16, 5, "Bandgrenze unten", floatText(r.BandgrenzeUnten), 2},
        {16, 5, "Bandgrenze oben", floatText(r.BandgrenzeOben), 2},
        byte(17, "ADC", r.AdcBits),
        byte(18, "Aufnahme-FIFO", r.AufnahmeFifo),
        byte(19, "Daten-FIFO", r.DatenFifo),
        byte(20, "Dynamik", r.Dynamik),
        listField(32, 3, "Dämpfung Eingang", r.DaempfungEingang),
        listField(33, 3, "Dämpfung Sender", r.DaempfungSender),
        listField(34, 3, "Energie Sender", r.EnergieSender),
        listField(35, 2, "Samplerrate", r.Samplerrate),
        byte(36, "max. SAP-Folge", r.MaxSapFolge),
        listField(37, 5, "Filter Mittenfrequenz", r.FilterMittenfrequenz),
        listField(38, 5, "Filter Bandgrenze", r.FilterBandgrenze),
        listField(39, 2, "Grunddämpfung", r.Grunddaempfung),
    };
}

// The values of a line: after the first ':' up to the next ';' (from the line's start when it
// has no ':'); empty without that ';'.
std::string_view valueText(std::string_view line) {
    const size_t colon = line.find(':');
    const size_t start = colon == std::string_view::npos ? 0 : colon + 1;
    const size_t end = line.find(';', start);
    if (end == std::string_view::npos) {
        return {};
    }
    return line.substr(start, end - start);
}

// The key at the start of a line; keys that are too long to be any key give nothing.
std::optional<uint32_t> keyOf(std::string_view line) {
    line = skipWhite(line);
    if (!line.empty() && line.front() == '+') {
        line.remove_prefix(1);
    }
    if (line.empty() || !isDigit(line.front())) {
        return std::nullopt;
    }
    uint32_t key = 0;
    for (const char c : line) {
        if (!isDigit(c)) {
            break;
        }
        if (key > 1000) {
            return std::nullopt;
        }
        key = key * 10u + static_cast<uint32_t>(c - '0');
    }
    return key;
}

uint8_t byteOf(std::string_view values) {
    return static_cast<uint8_t>(leadingInteger(values).value_or(0u));
}

void readLine(std::string_view line, KonfigRecord& r) {
    const auto key = keyOf(line);
    if (!key) {
        return;
    }
    const std::string_view values = valueText(line);
    switch (*key) {
        case 1:
            setText(r.Karte, values);
            break;
        case 2:
            setText(r.Aufsteckfilter, values);
            break;
        case 3:
            setText(r.PciEeprom, values);
            break;
        case 4:
            setText(r.LcaVersion, values);
            break;
        case 5:
            setText(r.Programmversion, values);
            break;
        case 16: {
            float band[2] = {};
            readListText(values, band);
            r.BandgrenzeUnten = band[0];
            r.BandgrenzeOben = band[1];
            break;
        }
        case 17:
            r.AdcBits = byteOf(values);
            break;
        case 18:
            r.AufnahmeFifo = byteOf(values);
            break;
        case 19:
            r.DatenFifo = byteOf(values);
            break;
        case 20:
            r.Dynamik = byteOf(values);
            break;
        case 32:
            readListText(values, r.DaempfungEingang);
            break;
        case 33:
            readListText(values, r.DaempfungSender);
            break;
        case 34:
            readListText(values, r.EnergieSender);
            break;
        case 35:
            readListText(values, r.Samplerrate);
            break;
        case 36:
            r.MaxSapFolge = byteOf(values);
            break;
        case 37:
            readListText(values, r.FilterMittenfrequenz);
            break;
        case 38:
            readListText(values, r.FilterBandgrenze);
            break;
        case 39:
            readListText(values, r.Grunddaempfung);
            break;
        default:
            break;
    }
}

// Everything of a field that must survive the file: for texts the whole text, for numbers
// every element at the file's precision and, for lists, the number of leading non-zero
// elements as well.
template <typename T, size_t N>
std::string fullList(const T (&elements)[N]) {
    std::string text =
        integerText(static_cast<uint32_t>(leadingNonZero(std::span<const T>(elements, N))));
    for (const T element : elements) {
        text += ' ';
        text += elementText(element);
    }
    return text;
}

std::vector<std::string> fullFields(const KonfigRecord& r) {
    return {textOf(r.Karte),
            textOf(r.Aufsteckfilter),
            textOf(r.PciEeprom),
            textOf(r.LcaVersion),
            textOf(r.Programmversion),
            floatText(r.BandgrenzeUnten),
            floatText(r.BandgrenzeOben),
            integerText(r.AdcBits),
            integerText(r.AufnahmeFifo),
            integerText(r.DatenFifo),
            integerText(r.Dynamik),
            fullList(r.DaempfungEingang),
            fullList(r.DaempfungSender),
            fullList(r.EnergieSender),
            fullList(r.Samplerrate),
            integerText(r.MaxSapFolge),
            fullList(r.FilterMittenfrequenz),
            fullList(r.FilterBandgrenze),
            fullList(r.Grunddaempfung)};
}

}  // namespace

void readListText(std::string_view text, std::span<uint8_t> elements) {
    readList(text, elements);
}
void readListText(std::string_view text, std::span<uint16_t> elements) {
    readList(text, elements);
}
void readListText(std::string_view text, std::span<float> elements) {
    readList(text, elements);
}

std::string listDisplayText(std::span<const uint8_t> elements, int width) {
    return listDisplay(elements, width);
}
std::string listDisplayText(std::span<const uint16_t> elements, int width) {
    return listDisplay(elements, width);
}
std::string listDisplayText(std::span<const float> elements, int width) {
    return listDisplay(elements, width);
}

std::string kennungFileText(const KonfigRecord& record) {
    const std::vector<Field> fields = fieldsOf(record);
    std::string text;
    for (size_t i = 0; i < fields.size(); ++i) {
        const Field& f = fields[i];
        text += integerText(static_cast<uint32_t>(f.key)) + ',' +
                integerText(static_cast<uint32_t>(f.type)) + ',' +
                integerText(static_cast<uint32_t>(f.count)) + ':' + f.values;
        if (f.key == 16) {
            // Both band limits share one line.
            text += ',' + fields[++i].values;
        }
        text += ";\n";
    }
    text += '0';
    return text;
}

KonfigRecord parseKennungFile(std::string_view bytes) {
    KonfigRecord record{};
    size_t i = 0;
    while (i < bytes.size()) {
        size_t end = i;
        while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) >= 0x20 &&
               static_cast<unsigned char>(bytes[end]) <= 0x7F) {
            ++end;
        }
        readLine(bytes.substr(i, end - i), record);
        if (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') {
            // A byte a line cannot hold ends it; what follows it on that line is no line of
            // its own, so a piece of a text never reads as another field.
            while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') {
                ++end;
            }
        }
        i = end + 1;
    }
    return record;
}

std::optional<KonfigRecord> readKennungFile(const std::string& path) {
    std::string bytes;
    if (!k7base::readRegularFile(path, bytes)) {
        return std::nullopt;
    }
    return parseKennungFile(bytes);
}

std::vector<std::string> fieldsTheFileCannotCarry(const KonfigRecord& record) {
    const KonfigRecord back = parseKennungFile(kennungFileText(record));
    const std::vector<std::string> before = fullFields(record);
    const std::vector<std::string> after = fullFields(back);
    const std::vector<Field> fields = fieldsOf(record);
    std::vector<std::string> labels;
    for (size_t i = 0; i < fields.size(); ++i) {
        const bool lost = before[i] != after[i];
        if (lost) {
            labels.emplace_back(fields[i].label);
        }
    }
    return labels;
}

KennungSave saveKennungFile(const std::string& path, const KonfigRecord& record) {
    if (std::all_of(path.begin(), path.end(), isWhite)) {
        return KennungSave::NoFileName;
    }
    return k7base::writeFileAtomically(path, kennungFileText(record)) ? KennungSave::Saved
                                                                      : KennungSave::WriteFailed;
}

std::string compareKennung(const KonfigRecord& card, const std::optional<KonfigRecord>& file) {
    if (!file) {
        return kKennungFileUnreadable;
    }
    const std::vector<Field> wanted = fieldsOf(*file);
    const std::vector<Field> found = fieldsOf(card);
    for (size_t i = 0; i < wanted.size(); ++i) {
        if (wanted[i].values != found[i].values) {
            return std::string(wanted[i].label) + " Soll: " + wanted[i].values +
                   " Ist: " + found[i].values;
        }
    }
    return "OK";
}

KennungEdits kennungEditsOf(const KonfigRecord& r, KennungWindow window) {
    const int floatWidth = window == KennungWindow::Kennung ? 5 : 0;
    KennungEdits e;
    e.karte = textOf(r.Karte);
    e.aufsteckfilter = textOf(r.Aufsteckfilter);
    e.pciEeprom = textOf(r.PciEeprom);
    e.lcaVersion = textOf(r.LcaVersion);
    e.programmversion = textOf(r.Programmversion);
    e.bandgrenzeUnten = r.BandgrenzeUnten;
    e.bandgrenzeOben = r.BandgrenzeOben;
    e.adcBits = r.AdcBits;
    e.aufnahmeFifo = r.AufnahmeFifo;
    e.datenFifo = r.DatenFifo;
    e.dynamik = r.Dynamik;
    e.maxSapFolge = r.MaxSapFolge;
    e.daempfungEingang = listDisplayText(r.DaempfungEingang);
    e.daempfungSender = listDisplayText(r.DaempfungSender);
    e.energieSender = listDisplayText(r.EnergieSender);
    e.samplerrate = listDisplayText(r.Samplerrate);
    e.filterMittenfrequenz = listDisplayText(r.FilterMittenfrequenz, floatWidth);
    e.filterBandgrenze = listDisplayText(r.FilterBandgrenze, floatWidth);
    e.grunddaempfung = listDisplayText(r.Grunddaempfung, 3);
    return e;
}

KonfigRecord kennungRecordOf(const KennungEdits& e) {
    KonfigRecord r{};
    setText(r.Karte, e.karte);
    setText(r.Aufsteckfilter, e.aufsteckfilter);
    setText(r.PciEeprom, e.pciEeprom);
    setText(r.LcaVersion, e.lcaVersion);
    setText(r.Programmversion, e.programmversion);
    r.BandgrenzeUnten = e.bandgrenzeUnten;
    r.BandgrenzeOben = e.bandgrenzeOben;
    r.AdcBits = static_cast<uint8_t>(e.adcBits);
    r.AufnahmeFifo = static_cast<uint8_t>(e.aufnahmeFifo);
    r.DatenFifo = static_cast<uint8_t>(e.datenFifo);
    r.Dynamik = static_cast<uint8_t>(e.dynamik);
    r.MaxSapFolge = static_cast<uint8_t>(e.maxSapFolge);
    readListText(e.daempfungEingang, r.DaempfungEingang);
    readListText(e.daempfungSender, r.DaempfungSender);
    readListText(e.energieSender, r.EnergieSender);
    readListText(e.samplerrate, r.Samplerrate);
    readListText(e.filterMittenfrequenz, r.FilterMittenfrequenz);
    readListText(e.filterBandgrenze, r.FilterBandgrenze);
    readListText(e.grunddaempfung, r.Grunddaempfung);
    return r;
}

}  // namespace k7check
