#include "card/KennungReference.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

#include "Format.h"
#include "card/KennungFile.h"
#include "k7base/RegularFile.h"

namespace k7check {

namespace {

enum class Shape { Text, Pair, Single, List };

// A key of the file with the type it is stored under and what its values must be.
struct Key {
    uint32_t key;
    uint32_t type;  // 1 text, 2 unsigned 8-bit, 3 unsigned 16-bit, 5 float
    Shape shape;
    uint32_t most;  // characters of a text, elements of a list
    const char* label;
};

constexpr std::array kKeys{
    Key{1, 1, Shape::Text, 20, "Karte"},
    Key{2, 1, Shape::Text, 20, "Aufsteckfilter"},
    Key{3, 1, Shape::Text, 20, "PCI EEPROM"},
    Key{4, 1, Shape::Text, 10, "LCA-Version"},
    Key{5, 1, Shape::Text, 10, "Programmversion"},
    Key{16, 5, Shape::Pair, 2, "Bandgrenze"},
    Key{17, 2, Shape::Single, 1, "ADC"},
    Key{18, 2, Shape::Single, 1, "Aufnahme-FIFO"},
    Key{19, 2, Shape::Single, 1, "Daten-FIFO"},
    Key{20, 2, Shape::Single, 1, "Dynamik"},
    Key{32, 3, Shape::List, 4, "Dämpfung Eingang"},
    Key{33, 3, Shape::List, 4, "Dämpfung Sender"},
    Key{34, 3, Shape::List, 8, "Energie Sender"},
    Key{35, 2, Shape::List, 8, "Samplerrate"},
    Key{36, 2, Shape::Single, 1, "max. SAP-Folge"},
    Key{37, 5, Shape::List, 8, "Filter Mittenfrequenz"},
    Key{38, 5, Shape::List, 16, "Filter Bandgrenze"},
    Key{39, 2, Shape::List, 8, "Grunddämpfung"},
};

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// A whole number of digits only, at most `max`.
std::optional<uint32_t> number(std::string_view text, uint32_t max) {
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (const char c : text) {
        if (!digit(c)) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value <= max ? std::optional<uint32_t>(static_cast<uint32_t>(value)) : std::nullopt;
}

// A float as the writer writes it: an optional sign, digits, an optional point with digits;
// finite in 32 bits.
bool floatValue(std::string_view text) {
    size_t i = text.empty() || text.front() != '-' ? 0 : 1;
    size_t digits = 0;
    while (i < text.size() && digit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && digit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0 || i != text.size() || text.size() > 48) {
        return false;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(value) &&
           std::fabs(value) <= 3.4028234663852886e38;
}

bool valueHolds(const Key& key, std::string_view text) {
    switch (key.type) {
        case 2:
            return number(text, UINT8_MAX).has_value();
        case 3:
            return number(text, UINT16_MAX).has_value();
        default:
            return floatValue(text);
    }
}

std::vector<std::string_view> split(std::string_view text) {
    std::vector<std::string_view> pieces;
    if (text.empty()) {
        return pieces;
    }
    while (true) {
        const size_t comma = text.find(',');
        pieces.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) {
            return pieces;
        }
        text.remove_prefix(comma + 1);
    }
}

// Why one non-empty line is not a field line of the form, or "".
std::string lineFault(std::string_view line, std::array<bool, kKeys.size()>& seen) {
    for (const char c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) {
            return "Zeichen außerhalb ASCII";
        }
    }
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || line.back() != ';' || line.size() < colon + 2) {
        return "keine Zeile \"Schlüssel,Typ,Anzahl:Werte;\"";
    }
    const std::vector<std::string_view> header = split(line.substr(0, colon));
    const std::string_view values = line.substr(colon + 1, line.size() - colon - 2);
    if (header.size() != 3 || !number(header[0], 1000) || !number(header[1], 9) ||
        !number(header[2], 1000)) {
        return "keine Zeile \"Schlüssel,Typ,Anzahl:Werte;\"";
    }
    const uint32_t keyNumber = *number(header[0], 1000);
    size_t index = 0;
    while (index < kKeys.size() && kKeys[index].key != keyNumber) {
        ++index;
    }
    if (index == kKeys.size()) {
        return formatText("Schlüssel %u gibt es nicht", keyNumber);
    }
    const Key& key = kKeys[index];
    if (seen[index]) {
        return formatText("Schlüssel %u zum zweiten Mal", keyNumber);
    }
    seen[index] = true;
    const uint32_t type = *number(header[1], 9);
    if (type != key.type) {
        return formatText("Schlüssel %u hat Typ %u, nicht %u", keyNumber, key.type, type);
    }
    const uint32_t count = *number(header[2], 1000);
    if (key.shape == Shape::Text) {
        if (values.find(';') != std::string_view::npos) {
            return "Text mit \";\"";
        }
        if (values.size() > key.most) {
            return formatText("Text länger als %u Zeichen", key.most);
        }
        if (count != values.size()) {
            return formatText("Anzahl %u, aber %zu Zeichen", count, values.size());
        }
        return "";
    }
    const std::vector<std::string_view> pieces = split(values);
    const size_t wanted = key.shape == Shape::List ? pieces.size() : key.most;
    if (pieces.size() > key.most || (key.shape != Shape::List && pieces.size() != key.most)) {
        return formatText("%zu Werte, erlaubt sind %s%u", pieces.size(),
                          key.shape == Shape::List ? "bis zu " : "", key.most);
    }
    if (count != wanted) {
        return formatText("Anzahl %u, aber %zu Werte", count, pieces.size());
    }
    for (const std::string_view piece : pieces) {
        if (!valueHolds(key, piece)) {
            return "Wert \"" + std::string(piece) + "\" ungültig";
        }
    }
    return "";
}

std::string withoutName(std::string why, const std::string& path) {
    const std::string named = path + ": ";
    if (why.rfind(named, 0) == 0) {
        why.erase(0, named.size());
    }
    return why;
}

}  // namespace

std::optional<std::string> kennungFileFault(std::string_view bytes) {
    std::array<bool, kKeys.size()> seen{};
    size_t number = 0;
    size_t closing = 0;  // the line "0", once read
    while (!bytes.empty()) {
        ++number;
        const size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        if (closing != 0) {
            return formatText("Zeile %zu: nach der letzten Zeile \"0\" (Zeile %zu)", number,
                              closing);
        }
        if (line == "0") {
            closing = number;
            continue;
        }
        if (const std::string fault = lineFault(line, seen); !fault.empty()) {
            return formatText("Zeile %zu: %s", number, fault.c_str());
        }
    }
    if (number == 0) {
        return std::string("leer");
    }
    for (size_t i = 0; i < kKeys.size(); ++i) {
        if (!seen[i]) {
            return formatText("Schlüssel %u (%s) fehlt", kKeys[i].key, kKeys[i].label);
        }
    }
    return std::nullopt;
}

KennungReference readKennungReference(const std::string& path) {
    KennungReference read;
    std::string bytes;
    std::string why;
    // A reference file is small: far more than any file of the form is refused unread.
    if (!k7base::readRegularFile(path, bytes, &why, 64 * 1024)) {
        read.fault = std::string(kKennungFileUnreadable) + ": " + path;
        if (errno != ENOENT) {
            read.fault += " (" + withoutName(why, path) + ")";
        }
        return read;
    }
    if (const auto fault = kennungFileFault(bytes)) {
        read.fault = "Kennung-Datei " + path + ": " + *fault;
        return read;
    }
    read.record = parseKennungFile(bytes);
    return read;
}

}  // namespace k7check
