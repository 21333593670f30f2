#include "k7base/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace k7base {

namespace {

// A folder says so as the system does; anything else is no file to read.
void refuseKind(std::string* error, const std::string& path, mode_t mode) {
    if (S_ISDIR(mode)) {
        refuseFile(error, path, EISDIR, std::strerror(EISDIR));
    } else {
        refuseFile(error, path, EINVAL, kNotARegularFile);
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
        refuseFile(error, path, saved, std::strerror(saved));
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int saved = errno;
        ::close(fd);
        refuseFile(error, path, saved, std::strerror(saved));
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

}  // namespace k7base
