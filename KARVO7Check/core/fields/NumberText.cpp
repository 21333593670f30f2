#include "NumberText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace k7check {

namespace {

std::string_view skipBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
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
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    uint64_t value = 0;
    bool digits = false;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10u + static_cast<uint64_t>(c - '0');
        digits = true;
    }
    if (!digits) {
        return std::nullopt;
    }
    return static_cast<int64_t>(negative ? 0u - value : value);
}

std::optional<uint64_t> parseHex(std::string_view text) {
    text = skipBlanks(text);
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    uint64_t value = 0;
    bool digits = false;
    for (const char c : text) {
        const int d = hexDigit(c);
        if (d < 0) {
            break;
        }
        value = (value << 4u) | static_cast<uint64_t>(d);
        digits = true;
    }
    if (!digits) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseDecimal(std::string_view text) {
    std::string copy(skipBlanks(text));
    for (char& c : copy) {
        if (c == ',') {
            c = '.';
        }
    }
    if (copy.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end == copy.c_str() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
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
        const auto value = parseInteger(element);
        // The whole element must be the number: "1x" is a typing error, not 1.
        const bool whole =
            value && (element.find_first_not_of("+-0123456789") == std::string::npos);
        if (!whole) {
            return std::nullopt;
        }
        values.push_back(*value);
        i = end;
    }
    return values;
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
