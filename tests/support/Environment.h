// Setting and removing environment variables for a test and the programs it starts.
#pragma once

#include <string>

namespace k7test {

void setEnvironment(const std::string& name, const std::string& value);
void unsetEnvironment(const std::string& name);

}  // namespace k7test
