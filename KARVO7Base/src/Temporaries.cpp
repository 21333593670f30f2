#include "k7base/Temporaries.h"

#include <charconv>

namespace k7base {

namespace {

constexpr std::string_view kMarker = ".k7tmp-";

}  // namespace

std::string temporaryPrefix(const std::string& target) {
    return target + std::string(kMarker);
}

long writerOfTemporary(std::string_view rest) {
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size()) {
        return 0;
    }
    long pid = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + dash, pid);
    if (ec != std::errc{} || end != rest.data() + dash || pid <= 0) {
        return 0;
    }
    return pid;
}

}  // namespace k7base
