// printf-style formatting of the program's message and result texts ("WarmUp Karte %d Error %X").
#pragma once

#include <string>

namespace k7check {

std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace k7check
