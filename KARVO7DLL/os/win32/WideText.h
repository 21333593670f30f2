// UTF-8 inside, UTF-16 where Windows takes names.
#pragma once

#include <string>

namespace k7::os {

std::wstring wideText(const std::string& utf8);

}  // namespace k7::os
