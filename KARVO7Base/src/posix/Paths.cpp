#include "k7base/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace k7base {

std::filesystem::path nativePath(const std::string& name) {
    return std::filesystem::path(name);
}

std::string nameOf(const std::filesystem::path& path) {
    return path.string();
}

bool isAbsolutePath(std::string_view name) {
    return !name.empty() && name.front() == '/';
}

std::size_t lastSeparator(std::string_view name) {
    return name.rfind('/');
}

FileKind fileKindOf(const std::string& name, std::uint64_t* size) {
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) {
        return FileKind::Missing;
    }
    if (S_ISREG(info.st_mode)) {
        if (size != nullptr) {
            *size = static_cast<std::uint64_t>(info.st_size);
        }
        return FileKind::Regular;
    }
    return S_ISDIR(info.st_mode) ? FileKind::Folder : FileKind::Other;
}

std::string runningExecutable() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length <= 0 ? std::string{} : std::string(path, static_cast<size_t>(length));
}

std::string workingFolder() {
    char folder[PATH_MAX];
    return ::getcwd(folder, sizeof folder) == nullptr ? std::string{} : std::string(folder);
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace k7base
