#include "pci/PciFields.h"

#include "KARVO7Protocol.h"
#include "numbers/NumberText.h"

namespace k7check {

std::string formatField(uint32_t value, unsigned bits) {
    return formatHex(value, static_cast<int>(bits / 4));
}

std::optional<uint32_t> parseEntry(const std::string& text, unsigned bits) {
    const auto value = parseHex(text);
    if (!value || *value > fieldMask(bits)) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(*value);
}

std::string entryRefusalText(const HexField& field) {
    const std::string& label = field.label.empty() ? field.key : field.label;
    return refusalText(
        label, IntegerRange{0, int64_t{fieldMask(field.bits)}, static_cast<int>(field.bits / 4)});
}

std::optional<std::string> entryRefusal(const std::vector<HexField>& fields,
                                        const std::vector<std::string>& texts,
                                        const std::vector<bool>& only) {
    for (std::size_t i = 0; i < fields.size() && i < texts.size(); ++i) {
        if ((only.empty() || only[i]) && !parseEntry(texts[i], fields[i].bits)) {
            return entryRefusalText(fields[i]);
        }
    }
    return std::nullopt;
}

uint32_t fieldMask(unsigned bits) {
    return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
}

std::string fillMessage(const std::string& pattern, uint32_t reference, uint32_t live) {
    std::string text;
    const uint32_t values[2] = {reference, live};
    size_t used = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || used == 2) {
            text += pattern[i];
            continue;
        }
        size_t j = i + 1;
        int digits = 0;
        while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9') {
            digits = digits * 10 + (pattern[j] - '0');
            ++j;
        }
        if (j < pattern.size() && pattern[j] == 'X') {
            text += formatHex(values[used++], digits);
            i = j;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

uint32_t imageValue(const std::array<uint8_t, 256>& image, uint32_t at, unsigned bits) {
    uint32_t value = 0;
    for (unsigned i = 0; i < bits / 8 && at + i < image.size(); ++i) {
        value |= uint32_t{image[at + i]} << (8 * i);
    }
    return value;
}

void setImageValue(std::array<uint8_t, 256>& image, uint32_t at, unsigned bits, uint32_t value) {
    for (unsigned i = 0; i < bits / 8 && at + i < image.size(); ++i) {
        image[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint32_t readEeprom(KARVO7HANDLE card, uint32_t at, unsigned bits) {
    switch (bits) {
        case 8:
            return KARVO7ReadPCIEEPROMbyte(card, at);
        case 16:
            return KARVO7ReadPCIEEPROMword(card, at);
        case 24:
            return KARVO7ReadPCIEEPROMword(card, at) |
                   uint32_t{KARVO7ReadPCIEEPROMbyte(card, at + 2)} << 16;
        default:
            return KARVO7ReadPCIEEPROMdword(card, at);
    }
}

bool writeEeprom(KARVO7HANDLE card, uint32_t at, unsigned bits, uint32_t value) {
    switch (bits) {
        case 8:
            return KARVO7WritePCIEEPROMbyte(card, at, value & 0xFFu) != 0;
        case 16:
            return KARVO7WritePCIEEPROMword(card, at, value & 0xFFFFu) != 0;
        case 24:
            return KARVO7WritePCIEEPROMword(card, at, value & 0xFFFFu) != 0 &&
                   KARVO7WritePCIEEPROMbyte(card, at + 2, (value >> 16) & 0xFFu) != 0;
        default:
            return KARVO7WritePCIEEPROMdword(card, at, value) != 0;
    }
}

uint32_t eepromWriteMs(unsigned bits) {
    return bits / 8 * k7proto::eeprom::kByteWriteMs;
}

Reference referenceValue(const IniFile& file, const std::string& section, const HexField& field) {
    const std::string name = "[" + section + "] " + field.key;
    const std::optional<std::string> text = file.value(section, field.key);
    if (!text || text->find_first_not_of(" \t") == std::string::npos) {
        return {0, "Vorgabe fehlt: " + name};
    }
    const std::optional<uint32_t> value = parseEntry(*text, field.bits);
    if (!value) {
        return {0, "Vorgabe ungültig: " + name};
    }
    return {*value, ""};
}

}  // namespace k7check
