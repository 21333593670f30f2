#include "k7base/Descriptors.h"

namespace k7base {

bool writeWhole(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const std::ptrdiff_t written = writeDescriptor(fd, bytes.data(), bytes.size());
        if (written < 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace k7base
