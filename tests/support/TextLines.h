// A program's output taken apart into its lines, for tests that compare them.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace k7test {

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

}  // namespace k7test
