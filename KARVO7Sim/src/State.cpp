// Files of the persistent card state.
#include "State.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace k7sim {

bool makeDirectories(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            const std::string part = path.substr(0, pos);
            if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
                return false;
            }
        }
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

StateStore::StateStore(std::string directory, uint32_t number)
    : directory_(std::move(directory)), number_(number) {}

std::string StateStore::path(const char* what) const {
    return directory_ + "/card" + std::to_string(number_) + "." + what;
}

bool StateStore::load(const char* what, std::vector<uint8_t>& bytes) const {
    if (!enabled()) {
        return false;
    }
    std::ifstream in(path(what), std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void StateStore::save(const char* what, const uint8_t* data, size_t size) const {
    if (!enabled() || !makeDirectories(directory_)) {
        return;
    }
    const std::string target = path(what);
    const std::string temporary = target + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) {
            std::remove(temporary.c_str());
            return;
        }
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
    }
}

}  // namespace k7sim
