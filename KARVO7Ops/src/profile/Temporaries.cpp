#include "profile/Temporaries.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <memory>
#include <string_view>

namespace k7check {

namespace {

constexpr std::string_view kMarker = ".k7tmp-";

// The process id in a temporary name's rest "<pid>-<tag>", or 0 when the rest is not one.
pid_t writerOf(std::string_view rest) {
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size()) {
        return 0;
    }
    long pid = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + dash, pid);
    if (ec != std::errc{} || end != rest.data() + dash || pid <= 0) {
        return 0;
    }
    return static_cast<pid_t>(pid);
}

bool running(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

}  // namespace

std::string temporaryPrefix(const std::string& target) {
    return target + std::string(kMarker);
}

std::string temporaryPrefixOfThisProcess(const std::string& target) {
    return temporaryPrefix(target) + std::to_string(::getpid()) + "-";
}

int removeStaleTemporaries(const std::string& target) {
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string prefix =
        temporaryPrefix(slash == std::string::npos ? target : target.substr(slash + 1));
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir) {
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name.substr(0, prefix.size()) != prefix) {
            continue;
        }
        const pid_t writer = writerOf(name.substr(prefix.size()));
        if (writer == 0 || running(writer)) {
            continue;
        }
        const std::string path = folder + std::string(name);
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == ::geteuid() && ::unlink(path.c_str()) == 0) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace k7check
