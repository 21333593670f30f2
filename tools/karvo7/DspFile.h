// A DSP program file as karvo7 reads it: by the check program's rules, with what is wrong said
// in English.
#pragma once

#include <string>

#include "card/DspImage.h"

namespace karvo7 {

// The image of the program file `path` (.hex or .bin), or in `error` why the file is none:
// "<path>: the file is empty", "<path>: line 3 is not a word of four hexadecimal digits", ...
k7check::DspImageRead readProgramFile(const std::string& path);

}  // namespace karvo7
