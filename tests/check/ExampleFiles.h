// The example files shipped in examples/, found from this folder (tests/check) of the sources.
#pragma once

#include <string>

namespace k7checktest {

inline std::string exampleFile(const std::string& name) {
    const std::string here = __FILE__;
    return here.substr(0, here.rfind('/')) + "/../../examples/" + name;
}

}  // namespace k7checktest
