#include "numbers/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace k7check {

namespace {

std::string_view skipBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    return text;
}

std::string_view trimBlanks(std::string_view text) {
    text = skipBlanks(text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<int64_t> parseInteger(std::string_view text) {
    text = trimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    // Magnitudes up to 2^63 (the most negative value); beyond that nothing is stored.
    constexpr uint64_t kLimit = uint64_t{1} << 63u;
    uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        const auto digit = static_cast<uint64_t>(c - '0');
        if (value > (kLimit - digit) / 10u) {
            return std::nullopt;
        }
        value = value * 10u + digit;
    }
    if (!negative && value == kLimit) {
        return std::nullopt;
    }
    return negative ? static_cast<int64_t>(0u - value) : static_cast<int64_t>(value);
}

std::optional<uint64_t> parseHex(std::string_view text) {
    text = trimBlanks(text);
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (const char c : text) {
        const int d = hexDigit(c);
        if (d < 0 || (value >> 60u) != 0) {
            return std::nullopt;
        }
        value = (value << 4u) | static_cast<uint64_t>(d);
    }
    return value;
}

std::optional<double> parseDecimal(std::string_view text) {
    std::string copy(trimBlanks(text));
    for (char& c : copy) {
        if (c == ',') {
            c = '.';
        }
    }
    // Digits, one point, a sign and an exponent only ("inf", "nan" and hexadecimal floats are
    // no entry), read the same way whatever locale the program runs in.
    if (copy.empty() || copy.find_first_not_of("0123456789.+-eE") != std::string::npos) {
        return std::nullopt;
    }
    const char* first = copy.c_str();
    if (*first == '+') {
        ++first;  // from_chars takes no plus sign, and one sign only
        if (*first == '-') {
            return std::nullopt;
        }
    }
    double value = 0.0;
    const char* last = copy.c_str() + copy.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string refusalText(std::string_view label, std::string_view allowed) {
    return "Ungültiger Wert in \"" + std::string(label) + "\": erlaubt sind " +
           std::string(allowed) + ".";
}

std::string refusalText(std::string_view label, const IntegerRange& range) {
    if (range.hexDigits > 0) {
        return refusalText(label, "Hexadezimalzahlen von " +
                                      formatHex(static_cast<uint64_t>(range.min), range.hexDigits) +
                                      " bis " +
                                      formatHex(static_cast<uint64_t>(range.max), range.hexDigits));
    }
    return refusalText(label, "ganze Zahlen von " + std::to_string(range.min) + " bis " +
                                  std::to_string(range.max));
}

std::string refusalText(std::string_view label, double min, double max, int decimals,
                        std::string_view unit) {
    return refusalText(label, "Zahlen von " + formatFixed(min, decimals) + std::string(unit) +
                                  " bis " + formatFixed(max, decimals) + std::string(unit));
}

std::string formatIntegerList(const std::vector<int64_t>& values) {
    std::string text;
    for (const int64_t v : values) {
        if (!text.empty()) {
            text += ", ";
        }
        text += std::to_string(v);
    }
    return text;
}

std::optional<std::vector<int64_t>> parseIntegerList(std::string_view text) {
    std::vector<int64_t> values;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == ',' || text[i] == '\t')) {
            ++i;
        }
        if (i == text.size()) {
            break;
        }
        size_t end = i;
        while (end < text.size() && text[end] != ',' && text[end] != ' ' && text[end] != '\t') {
            ++end;
        }
        const std::string_view element = text.substr(i, end - i);
        // The whole element must be the number: "1x" is a typing error, not 1.
        const auto value = parseInteger(element);
        if (!value) {
            return std::nullopt;
        }
        values.push_back(*value);
        i = end;
    }
    return values;
}

std::string formatFixed(double value, int decimals) {
    char text[400];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string();
}

std::string formatHex(uint64_t value, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string cutText(std::string_view text, std::size_t width) {
    if (text.size() <= width) {
        return std::string(text);
    }
    std::size_t end = width;
    // Back off over continuation bytes so that no character is cut in half.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u) {
        --end;
    }
    return std::string(text.substr(0, end));
}

}  // namespace k7check
