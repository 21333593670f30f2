#include <cstdlib>

#include "profile/UserProfile.h"

namespace k7check {

std::string userConfigFolder() {
    return userConfigFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

}  // namespace k7check
