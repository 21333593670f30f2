// How the check program's windows read numbers and texts typed into their edits. What a
// technician types and what a card or file stores are the same value, or nothing is stored: an
// entry is the whole text of the edit (blanks around it aside), and an entry that is not a
// number, has a fraction where a whole number belongs or lies outside its field's range is
// refused with one message that names the field and its range (`refusalText`).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace k7check {

// A decimal integer: an optional sign and at least one digit, blanks around it allowed and
// nothing else. Nothing when the text is anything else ("12abc", "1,5") or the number lies
// beyond 64 bits.
std::optional<int64_t> parseInteger(std::string_view text);
// A hexadecimal integer: an optional "0x" and at least one hex digit, blanks around it allowed
// and nothing else. Nothing otherwise, or beyond 64 bits.
std::optional<uint64_t> parseHex(std::string_view text);
// A decimal number with an optional fraction ("12.7", "-3,5" with a comma as well), blanks
// around it allowed and nothing else. Nothing when the text is anything else or the number is
// not finite.
std::optional<double> parseDecimal(std::string_view text);

// The values an integer field accepts; `hexDigits` > 0 when the edit shows it in hex.
struct IntegerRange {
    int64_t min = 0;
    int64_t max = 0;
    int hexDigits = 0;
    bool holds(int64_t value) const { return value >= min && value <= max; }
};

// The one message for a refused entry, with what the field allows: `Ungültiger Wert in
// "Schallgeschwindigkeit in m/s": erlaubt sind Zahlen größer als 0.`
std::string refusalText(std::string_view label, std::string_view allowed);
// The same for an integer field: `Ungültiger Wert in "Ende 1": erlaubt sind ganze
// Zahlen von 0 bis 65535.` (hex fields: "Hexadezimalzahlen von 00 bis FF").
std::string refusalText(std::string_view label, const IntegerRange& range);
// The same for a field with a fraction, its bounds shown with `decimals` places; `unit` is
// appended to the bounds when given (" µs").
std::string refusalText(std::string_view label, double min, double max, int decimals,
                        std::string_view unit = {});

// A list of integers as a window shows it: "5, 10, 0, 20".
std::string formatIntegerList(const std::vector<int64_t>& values);
// Reads such a list; elements are separated by commas and/or blanks. Nothing when an element
// is not a number.
std::optional<std::vector<int64_t>> parseIntegerList(std::string_view text);

// `value` with `decimals` places and a point, whatever the numeric locale ("%.*f" in the C
// locale).
std::string formatFixed(double value, int decimals);

// Upper-case hexadecimal with at least `digits` digits ("%0*X").
std::string formatHex(uint64_t value, int digits);

// `text` cut to at most `width` bytes, never inside a UTF-8 sequence.
std::string cutText(std::string_view text, std::size_t width);

}  // namespace k7check
