#include "profile/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace k7check {

namespace {

bool refuse(std::string* error, const std::string& path, int code, const char* why) {
    if (error != nullptr) {
        *error = path + ": " + why;
    }
    errno = code;
    return false;
}

// A folder says so as the system does; anything else is no file to read.
void refuseKind(std::string* error, const std::string& path, mode_t mode) {
    if (S_ISDIR(mode)) {
        refuse(error, path, EISDIR, std::strerror(EISDIR));
    } else {
        refuse(error, path, EINVAL, kNotARegularFile);
    }
}

}  // namespace

int openRegularFile(const std::string& path, std::string* error) {
    // Refused before any open where possible (opening some devices has effects of its own);
    // checked again on the opened file, which is what is read.
    struct stat named {};
    if (::stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) {
        refuseKind(error, path, named.st_mode);
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int saved = errno;
        refuse(error, path, saved, std::strerror(saved));
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int saved = errno;
        ::close(fd);
        refuse(error, path, saved, std::strerror(saved));
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        refuseKind(error, path, info.st_mode);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool readRegularFile(const std::string& path, std::string& bytes, std::string* error,
                     std::size_t limit) {
    bytes.clear();
    const int fd = openRegularFile(path, error);
    if (fd < 0) {
        return false;
    }
    std::array<char, 65536> block{};
    for (;;) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int saved = errno;
            ::close(fd);
            return refuse(error, path, saved, std::strerror(saved));
        }
        if (got == 0) {
            break;
        }
        if (static_cast<std::size_t>(got) > limit - bytes.size()) {
            ::close(fd);
            return refuse(error, path, EFBIG, "zu groß");
        }
        bytes.append(block.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return true;
}

}  // namespace k7check
