#include "k7base/Descriptors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace k7base {

std::ptrdiff_t readDescriptor(int fd, void* data, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, data, size);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

std::int64_t descriptorSize(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

bool truncateDescriptor(int fd, std::uint64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0 &&
           ::lseek(fd, static_cast<off_t>(size), SEEK_SET) >= 0;
}

std::ptrdiff_t writeDescriptor(int fd, const void* data, std::size_t size) {
    for (;;) {
        const ssize_t n = ::write(fd, data, size);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

std::ptrdiff_t readAt(int fd, void* data, std::size_t size, std::uint64_t offset) {
    return ::pread(fd, data, size, static_cast<off_t>(offset));
}

std::FILE* temporaryFile() {
    return std::tmpfile();
}

bool closeDescriptor(int fd) {
    return ::close(fd) == 0;
}

bool isTerminal(int fd) {
    return ::isatty(fd) != 0;
}

int openForWriting(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
}

void useBinaryStandardStreams() {}

}  // namespace k7base
