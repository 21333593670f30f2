// What a check of a card returns: passed or not, and its line as the check program shows it.
#pragma once

#include <string>

namespace k7check {

struct Verdict {
    bool passed = false;
    std::string line;
};

}  // namespace k7check
