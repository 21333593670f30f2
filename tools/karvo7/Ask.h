// Questions on the terminal: the EEPROM write's confirmation and the DAC ramps' "do they look
// right?".
#pragma once

#include <istream>
#include <ostream>
#include <string>

namespace karvo7 {

// Asks `question` on `prompt` and reads a line from `answers`: true for "y" or "yes" (any case).
bool askYes(std::istream& answers, std::ostream& prompt, const std::string& question);

}  // namespace karvo7
