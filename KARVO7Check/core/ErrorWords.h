// What the library's error words mean, in the program's words: one table for every message and
// line that shows an error word. The library's own codes and the system's error numbers of the
// readiness queries have a meaning; any other word is the driver's own and is named as such.
#pragma once

#include <cstdint>
#include <string>

namespace k7check {

// "Filter über 7", "keine Daten innerhalb des Time Out", ... or "Fehlerwort des Treibers".
std::string errorMeaning(uint32_t error);

// The error word as the program shows it, with its meaning: "Error 90110000 (Filter über 7)".
std::string errorText(uint32_t error);

}  // namespace k7check
