// The user's configuration folder on Windows: the roaming application-data folder, read as
// UTF-16 from the environment (a user name with umlauts is part of it).
#include <cstdlib>

#include "k7base/Paths.h"
#include "profile/UserProfile.h"

namespace k7check {

std::string userConfigFolder() {
    const wchar_t* appData = ::_wgetenv(L"APPDATA");
    if (appData == nullptr) {
        return {};
    }
    std::string folder = k7base::nameOf(std::filesystem::path(appData));
    if (!k7base::isAbsolutePath(folder)) {
        return {};
    }
    for (char& c : folder) {
        c = c == '\\' ? '/' : c;
    }
    return folder + "/karvo7";
}

}  // namespace k7check
