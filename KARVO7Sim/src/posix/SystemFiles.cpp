// The simulated cards' files and worker priority on POSIX systems.
#include "SystemFiles.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace k7sim {

std::string userStateFolder() {
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && *xdg != '\0') {
        return std::string(xdg) + "/karvo7sim";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/.local/state/karvo7sim";
    }
    return {};
}

std::string userLockFolder(const std::string& state) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && *runtime == '/') {
        return std::string(runtime) + "/karvo7sim";
    }
    if (!state.empty()) {
        return state + "/locks";
    }
    return "/tmp/karvo7sim-" + std::to_string(::geteuid());
}

bool privateFolder(const std::string& folder) {
    if (!makeDirectories(folder, 0700)) {
        return false;
    }
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 0077) == 0;
}

bool makeDirectories(const std::string& path, unsigned mode) {
    if (path.empty()) {
        return false;
    }
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            const std::string part = path.substr(0, pos);
            if (::mkdir(part.c_str(), mode) != 0 && errno != EEXIST) {
                return false;
            }
        }
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool readRegularFile(const std::string& path, std::vector<uint8_t>& bytes) {
    // Only a regular file is state: anything else in its place reads as no state kept.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    bytes.clear();
    uint8_t block[4096];
    while (read) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        read = n >= 0;
        if (n <= 0) {
            break;
        }
        bytes.insert(bytes.end(), block, block + n);
    }
    ::close(fd);
    return read;
}

namespace {

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool replaceFile(const std::string& folder, const std::string& target, const uint8_t* data,
                 std::size_t size) {
    std::string temporary = target + ".tmp-" + std::to_string(::getpid()) + "-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return false;
    }
    bool written = ::fchmod(fd, 0644) == 0 && writeAll(fd, data, size) && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(folder);
    return true;
}

intptr_t lockFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void unlockFile(intptr_t handle) {
    ::close(static_cast<int>(handle));
}

bool processEnding() {
    return false;
}

void takeRealTimePriority() {
    sched_param param{};
    param.sched_priority = 20;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

}  // namespace k7sim
