#include "k7base/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "k7base/Descriptors.h"
#include "k7base/RegularFile.h"
#include "k7base/Temporaries.h"

namespace k7base {

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

}  // namespace

namespace {

// Links within links are followed this deep at most, as the kernel does (ELOOP).
constexpr int kMostLinks = 40;

// Whether the link `link` may be followed where it lies: anywhere but in a sticky,
// world-writable folder, where only a link of the caller or of the folder's owner is.
bool linkTrusted(const std::string& link, const struct stat& info) {
    struct stat folder {};
    if (::stat(folderOf(link).c_str(), &folder) != 0) {
        return true;
    }
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !shared || info.st_uid == ::geteuid() || info.st_uid == folder.st_uid;
}

// The names of `path` between its slashes, the first one last.
void pushNames(std::vector<std::string>& pending, const std::string& path) {
    std::size_t end = path.size();
    while (end > 0) {
        const std::size_t slash = path.rfind('/', end - 1);
        const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
        if (end > start) {
            pending.push_back(path.substr(start, end - start));
        }
        if (slash == std::string::npos) {
            break;
        }
        end = slash;
    }
}

// Walks `path` as the system does, following every link on the way, folders included, with
// the names a link's target brings walked in turn: a link to a folder planted in /tmp turns a
// name below it as much as a link to a file does. ".." takes the folder of the way walked so
// far, links followed. False at the first link that is not to be followed, named in `refused`.
bool wayMayBeFollowed(const std::string& path, std::string* refused) {
    std::vector<std::string> pending;
    pushNames(pending, path);
    std::string way;  // "" for the root; "." for the working folder
    if (path.rfind('/', 0) != 0) {
        way = ".";
    }
    int links = 0;
    while (!pending.empty()) {
        const std::string part = std::move(pending.back());
        pending.pop_back();
        if (part == ".") {
            continue;
        }
        if (part == ".." && way.empty()) {
            continue;  // the root is its own folder
        }
        if (part == ".." && way != "." && !way.ends_with("/..")) {
            way.erase(way.rfind('/'));
            continue;
        }
        const std::string next = way + "/" + part;
        struct stat info {};
        if (::lstat(next.c_str(), &info) != 0) {
            return true;  // nothing there to follow (a file still to be made)
        }
        if (!S_ISLNK(info.st_mode)) {
            way = next;
            continue;
        }
        if (++links > kMostLinks || !linkTrusted(next, info)) {
            if (refused != nullptr) {
                *refused = next.rfind("./", 0) == 0 ? next.substr(2) : next;
            }
            return false;
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(next.c_str(), target.data(), target.size());
        if (n < 0) {
            return true;
        }
        target.resize(static_cast<std::size_t>(n));
        if (target.rfind('/', 0) == 0) {
            way.clear();
        }
        pushNames(pending, target);
    }
    return true;
}

}  // namespace

bool linkMayBeFollowed(const std::string& path, std::string* refused) {
    return wayMayBeFollowed(path, refused);
}

bool AtomicFile::open(const std::string& path, std::string* error) {
    discard();
    if (!resolveTarget(path, error)) {
        return false;
    }
    mode_ = 0644;
    struct stat info {};
    if (::stat(target_.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            return fail(error, kNotARegularFile, target_);
        }
        mode_ = info.st_mode & 07777;
        if ((mode_ & 0222) == 0 || ::access(target_.c_str(), W_OK) != 0) {
            return fail(error, kReadOnly, target_);
        }
    }
    removeStaleTemporaries(target_);
    return (kind_ == Temporary::UnnamedWherePossible && openUnnamed()) || openNamed(error);
}

// Replace the file a symbolic link points to, not the link.
bool AtomicFile::resolveTarget(const std::string& path, std::string* error) {
    target_ = path;
    std::string refused;
    if (!linkMayBeFollowed(path, &refused)) {
        return fail(error, kForeignLink, refused);
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return true;
    }
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        return fail(error, std::strerror(errno), path);
    }
    target_ = resolved;
    return true;
}

// An unnamed file in the target's folder, linked to a name only once it is complete. It needs
// /proc to be given that name without privileges (linkat of /proc/self/fd/N).
bool AtomicFile::openUnnamed() {
    if (::access("/proc/self/fd", X_OK) != 0) {
        return false;
    }
    fd_ = ::open(folderOf(target_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    unnamed_ = fd_ >= 0;
    return unnamed_;
}

bool AtomicFile::openNamed(std::string* error) {
    temporary_ = temporaryPrefixOfThisProcess(target_) + "XXXXXX";
    fd_ = ::mkstemp(temporary_.data());
    if (fd_ < 0) {
        const int saved = errno;
        const std::string pattern = temporary_;
        temporary_.clear();
        errno = saved;
        return fail(error, std::strerror(errno), pattern);
    }
    return true;
}

// Gives the complete unnamed file a temporary name beside the target, to be renamed over it (a
// link cannot replace a name).
bool AtomicFile::nameUnnamed() {
    static std::atomic<unsigned> serial{0};
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = temporaryPrefixOfThisProcess(target_) + "l" + std::to_string(serial++);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary_.c_str(), AT_SYMLINK_FOLLOW) ==
            0) {
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    const int saved = errno;
    temporary_.clear();
    errno = saved;
    return false;
}

bool AtomicFile::write(std::string_view bytes) {
    return fd_ >= 0 && writeWhole(fd_, bytes);
}

bool AtomicFile::commit(std::string* error) {
    bool ok =
        fd_ >= 0 && ::fchmod(fd_, mode_) == 0 && ::fsync(fd_) == 0 && (!unnamed_ || nameUnnamed());
    int saved = ok ? 0 : errno;
    if (fd_ >= 0 && ::close(fd_) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    fd_ = -1;
    if (!ok) {
        const std::string temporary = temporary_.empty() ? target_ : temporary_;
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
    unnamed_ = false;
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace k7base
