// The example files shipped in examples/, by the absolute path the build gives
// (K7_EXAMPLES_DIR): a parameter file takes relative names from its own folder, and the tests
// run from any working folder.
#pragma once

#include <filesystem>
#include <string>

namespace k7checktest {

inline std::string exampleFile(const std::string& name) {
    return (std::filesystem::path(K7_EXAMPLES_DIR) / name).lexically_normal().generic_string();
}

}  // namespace k7checktest
