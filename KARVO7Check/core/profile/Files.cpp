#include "profile/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

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

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::open(const std::string& path, std::string* error) {
    discard();
    // Replace the file a symbolic link points to, not the link.
    target_ = path;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) {
            return fail(error, std::strerror(errno), path);
        }
        target_ = resolved;
    }
    mode_ = 0644;
    if (::stat(target_.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            return fail(error, "keine Datei", target_);
        }
        mode_ = info.st_mode & 07777;
        if ((mode_ & 0222) == 0 || ::access(target_.c_str(), W_OK) != 0) {
            return fail(error, "schreibgeschützt", target_);
        }
    }
    temporary_ = target_ + ".XXXXXX";
    fd_ = ::mkstemp(temporary_.data());
    if (fd_ < 0) {
        const int saved = errno;
        temporary_.clear();
        errno = saved;
        return fail(error, std::strerror(errno), target_ + ".XXXXXX");
    }
    return true;
}

bool AtomicFile::write(std::string_view bytes) {
    return fd_ >= 0 && writeAll(fd_, bytes);
}

bool AtomicFile::commit(std::string* error) {
    bool ok = fd_ >= 0 && ::fchmod(fd_, mode_) == 0 && ::fsync(fd_) == 0;
    int saved = ok ? 0 : errno;
    if (fd_ >= 0 && ::close(fd_) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    fd_ = -1;
    if (!ok) {
        const std::string temporary = temporary_;
        discard();
        errno = saved;
        return fail(error, std::strerror(errno), temporary);
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        saved = errno;
        discard();
        errno = saved;
        return fail(error, std::strerror(errno), target_);
    }
    temporary_.clear();
    // Make the rename itself durable.
    const int dir = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

bool AtomicFile::fail(std::string* error, std::string why, const std::string& file) {
    reason_ = std::move(why);
    return failed(error, file, reason_);
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    AtomicFile file;
    if (!file.open(path, error)) {
        return false;
    }
    if (!file.write(bytes)) {
        const std::string temporary = file.temporaryPath();
        const int saved = errno;
        file.discard();
        errno = saved;
        return failedWithErrno(error, temporary);
    }
    return file.commit(error);
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
