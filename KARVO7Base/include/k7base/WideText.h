// UTF-8 inside the programs, UTF-16 at the system's calls.
#pragma once

#include <string>

namespace k7base {

std::wstring wideOf(const std::string& utf8);
std::string utf8Of(const std::wstring& wide);

}  // namespace k7base
