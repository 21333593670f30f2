#include "profile/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace k7check {

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool failed(std::string* error, const std::string& file, const std::string& why) {
    if (error != nullptr) {
        *error = file + ": " + why;
    }
    return false;
}

bool failedWithErrno(std::string* error, const std::string& file) {
    return failed(error, file, std::strerror(errno));
}

}  // namespace

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    // Replace the file a symbolic link points to, not the link.
    std::string target = path;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) {
            return failedWithErrno(error, path);
        }
        target = resolved;
    }
    mode_t mode = 0644;
    if (::stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            return failed(error, target, "keine Datei");
        }
        mode = info.st_mode & 07777;
        if ((mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
            return failed(error, target, "schreibgeschützt");
        }
    }

    std::string temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return failedWithErrno(error, temporary);
    }
    bool ok = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int saved = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        errno = saved;
        return failedWithErrno(error, temporary);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        errno = renameError;
        return failedWithErrno(error, target);
    }
    // Make the rename itself durable.
    const int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::string resolveProfilePath(const std::string& file, const std::string& executablePath) {
    if (file.empty() || file.front() == '/') {
        return file;
    }
    const size_t slash = executablePath.rfind('/');
    if (slash == std::string::npos) {
        return file;
    }
    return executablePath.substr(0, slash + 1) + file;
}

std::string matchFileName(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        return path;
    }
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string wanted = lowered(slash == std::string::npos ? path : path.substr(slash + 1));
    std::string found;
    int matches = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (lowered(name) == wanted) {
            found = name;
            ++matches;
        }
    }
    if (matches != 1) {
        return path;
    }
    return slash == std::string::npos ? found : folder + found;
}

}  // namespace k7check
