// One parameter set read from a parameter file by its name, as karvo7 --ini and the C interface
// read one: the file must be a readable regular file holding text, and the set's section must
// be in it; the set's keys then read as the check program reads them (missing keys take their
// defaults). A refusal names the file, and the line where the file is not text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "card/ParameterSet.h"

namespace k7check {

enum class SetFileFault {
    None,
    Unreadable,  // missing, no permission, not a regular file, too large
    NotText,     // empty, or binary data
    NoSection,   // the set's section is not in the file
};

struct SetFileRead {
    SetFileFault fault = SetFileFault::None;
    std::string why;  // "<file>: no section [Karte1-Satz2]"
    bool ok() const { return fault == SetFileFault::None; }
};

// Checks the bytes of a parameter file named `name` for text: empty, or a NUL byte (the line
// it is on is named), is refused.
SetFileRead checkParameterText(std::string_view name, std::string_view text);

// Reads set `section` of the file `path` into `set` (reset to the defaults first) and `active`.
SetFileRead readSetFromFile(const std::string& path, const std::string& section, ParameterSet& set,
                            bool& active);

}  // namespace k7check
