// The example files shipped in examples/, found from this folder (tests/check) of the sources.
// The name is absolute: the compiler may give this file's name relative to the build folder,
// and a parameter file takes relative names from its own folder.
#pragma once

#include <filesystem>
#include <string>

namespace k7checktest {

inline std::string exampleFile(const std::string& name) {
    const std::string here = __FILE__;
    return std::filesystem::absolute(here.substr(0, here.rfind('/')) + "/../../examples/" + name)
        .lexically_normal()
        .generic_string();
}

}  // namespace k7checktest
