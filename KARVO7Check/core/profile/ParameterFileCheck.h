// What a parameter file holds that the program cannot take: a number where none is, or a value
// outside what its field, the card or the main window allows. A file with any of them is not
// loaded, so that nothing of it replaces what the program holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "paramfile/IniFile.h"

namespace k7check {

// One line per value that cannot be taken, in file order of the sections the program reads:
// `[Init] Parametersatz = -3: erlaubt sind 0 bis 7`. Missing and empty keys take their
// defaults and are fine; sets of card numbers above `cardCount` are not looked at.
std::vector<std::string> parameterFileFaults(const IniFile& file, uint32_t cardCount);

// The fault line of the card number the file selects ("Karte" in section "Init"; 1 when it is
// missing or empty) when it names none of cards 1 to `cardCount`:
// `[Init] Karte = 17: erlaubt sind 1 bis 2`. Nothing for a card that is there.
std::optional<std::string> selectedCardFault(const IniFile& file, uint32_t cardCount);

// The message naming the file and its faults.
std::string parameterFileRefusal(const std::string& path, const std::vector<std::string>& faults);

}  // namespace k7check
