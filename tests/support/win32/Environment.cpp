// The C runtime's copy of the environment and the process's own both change, so that getenv()
// and a started program see the same.
#include "Environment.h"

#include <windows.h>

#include <cstdlib>

namespace k7test {

void setEnvironment(const std::string& name, const std::string& value) {
    ::_putenv_s(name.c_str(), value.c_str());
    SetEnvironmentVariableA(name.c_str(), value.c_str());
}

void unsetEnvironment(const std::string& name) {
    ::_putenv_s(name.c_str(), "");
    SetEnvironmentVariableA(name.c_str(), nullptr);
}

}  // namespace k7test
