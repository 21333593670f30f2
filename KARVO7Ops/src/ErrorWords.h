// What the library's error words mean: one table, in English and in the check program's German,
// for every message, line and program that shows an error word. The card library's own codes,
// the card operations' and the acquisition engine's, the driver's words of a data transfer and
// the system's error numbers of the readiness queries have a meaning; any other word is the
// driver's own and is named as such.
#pragma once

#include <cstdint>
#include <string>

namespace k7check {

enum class Language { English, German };

// "Filter above 7", "no data within the data time-out", ... or "error word of the driver";
// in German "Filter über 7", "keine Daten innerhalb des Time Out", ... "Fehlerwort des Treibers".
const char* errorMeaning(uint32_t error, Language language);

// The check program's German meaning.
std::string errorMeaning(uint32_t error);

// The error word as the check program shows it, with its meaning: "Error 90110000 (Filter über
// 7)".
std::string errorText(uint32_t error);

}  // namespace k7check
