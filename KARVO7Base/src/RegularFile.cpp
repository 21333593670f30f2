#include "k7base/RegularFile.h"

#include <array>
#include <cerrno>
#include <cstring>

#include "k7base/Descriptors.h"

namespace k7base {

bool refuseFile(std::string* error, const std::string& path, int code, const char* why) {
    if (error != nullptr) {
        *error = path + ": " + why;
    }
    errno = code;
    return false;
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
        const std::ptrdiff_t got = readDescriptor(fd, block.data(), block.size());
        if (got < 0) {
            const int saved = errno;
            closeDescriptor(fd);
            return refuseFile(error, path, saved, std::strerror(saved));
        }
        if (got == 0) {
            break;
        }
        if (static_cast<std::size_t>(got) > limit - bytes.size()) {
            closeDescriptor(fd);
            return refuseFile(error, path, EFBIG, "zu groß");
        }
        bytes.append(block.data(), static_cast<std::size_t>(got));
    }
    closeDescriptor(fd);
    return true;
}

}  // namespace k7base
