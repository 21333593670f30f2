// How the check program's windows read numbers and texts typed into their edits, as the card
// family's programs always have: a decimal integer is an optional sign and its digits, and is
// truncated to its field's width, never clamped (300 in an 8-bit field stores 44, 70000 in a
// 16-bit field stores 4464). A text that holds no number at all is told apart from 0, so that
// a window can keep the old value or refuse to write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace k7check {

// A decimal integer: blanks, an optional sign, at least one digit; anything after the digits
// is ignored. The value wraps at 64 bits. Nothing when there is no digit.
std::optional<int64_t> parseInteger(std::string_view text);
// A hexadecimal integer: blanks, an optional "0x", at least one hex digit. Nothing otherwise.
std::optional<uint64_t> parseHex(std::string_view text);
// A decimal number with an optional fraction ("12.7", "-3,5" with a comma as well). Nothing
// when the text holds no number or the number is not finite.
std::optional<double> parseDecimal(std::string_view text);

// The low `bits` bits of `value`, as the field's type holds them (two's complement).
template <typename T>
T truncateTo(int64_t value) {
    return static_cast<T>(static_cast<uint64_t>(value));
}

// A list of integers as a window shows it: "5, 10, 0, 20".
std::string formatIntegerList(const std::vector<int64_t>& values);
// Reads such a list; elements are separated by commas and/or blanks. Nothing when an element
// is not a number.
std::optional<std::vector<int64_t>> parseIntegerList(std::string_view text);

// Upper-case hexadecimal with at least `digits` digits ("%0*X").
std::string formatHex(uint64_t value, int digits);

// `text` cut to at most `width` bytes, never inside a UTF-8 sequence.
std::string cutText(std::string_view text, std::size_t width);

}  // namespace k7check
