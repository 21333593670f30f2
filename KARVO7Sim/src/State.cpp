// Files of the persistent card state.
#include "State.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace k7sim {

bool makeDirectories(const std::string& path, unsigned mode) {
    if (path.empty()) {
        return false;
    }
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            const std::string part = path.substr(0, pos);
            if (::mkdir(part.c_str(), mode) != 0 && errno != EEXIST) {
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
    // Only a regular file is state: anything else in its place reads as no state kept.
    const int fd = ::open(path(what).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    bytes.clear();
    uint8_t block[4096];
    while (read) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        read = n >= 0;
        if (n <= 0) {
            break;
        }
        bytes.insert(bytes.end(), block, block + n);
    }
    ::close(fd);
    return read;
}

namespace {

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool StateStore::save(const char* what, const uint8_t* data, size_t size) const {
    if (!enabled()) {
        return true;
    }
    if (!makeDirectories(directory_)) {
        return false;
    }
    const std::string target = path(what);
    std::string temporary = target + ".tmp-" + std::to_string(::getpid()) + "-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return false;
    }
    bool written = ::fchmod(fd, 0644) == 0 && writeAll(fd, data, size) && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(directory_);
    return true;
}

}  // namespace k7sim
