// Files written whole on Windows: a named temporary file beside the target (opened by its UTF-16
// name, shared with no one), flushed to the disk and moved over the target with write-through,
// so that the target holds the old or the new contents whatever happens. A read-only file, a
// folder or a device is not replaced. Windows has no world-writable sticky folders: every link
// may be followed, and the system follows it.
#include "k7base/Files.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "k7base/Descriptors.h"
#include "k7base/Paths.h"
#include "k7base/RegularFile.h"
#include "k7base/Temporaries.h"
#include "k7base/WideText.h"

namespace k7base {

namespace {

// The errno of the system's reason a file could not be moved or replaced.
int errnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        default:
            return EIO;
    }
}

}  // namespace

bool linkMayBeFollowed(const std::string&, std::string*) {
    return true;
}

bool AtomicFile::open(const std::string& path, std::string* error) {
    discard();
    if (!resolveTarget(path, error)) {
        return false;
    }
    if (isOtherThanRegularFile(target_)) {
        return fail(error, kNotARegularFile, target_);
    }
    const DWORD attributes = GetFileAttributesW(wideOf(target_).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return fail(error, kReadOnly, target_);
    }
    removeStaleTemporaries(target_);
    return openNamed(error);
}

bool AtomicFile::resolveTarget(const std::string& path, std::string*) {
    target_ = path;
    return true;
}

bool AtomicFile::openUnnamed() {
    return false;
}

bool AtomicFile::openNamed(std::string* error) {
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = temporaryPrefixOfThisProcess(target_) + "w" + std::to_string(serial++);
        fd_ = ::_wopen(wideOf(temporary_).c_str(),
                       _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                       _S_IREAD | _S_IWRITE);
        if (fd_ >= 0 || errno != EEXIST) {
            break;
        }
    }
    if (fd_ < 0) {
        const int saved = errno;
        const std::string name = temporary_;
        temporary_.clear();
        errno = saved;
        return fail(error, std::strerror(errno), name);
    }
    return true;
}

bool AtomicFile::nameUnnamed() {
    return false;
}

bool AtomicFile::write(std::string_view bytes) {
    return fd_ >= 0 && writeWhole(fd_, bytes);
}

bool AtomicFile::commit(std::string* error) {
    bool ok = fd_ >= 0 && ::_commit(fd_) == 0;
    int saved = ok ? 0 : errno;
    if (fd_ >= 0 && ::_close(fd_) != 0 && ok) {
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
    if (MoveFileExW(wideOf(temporary_).c_str(), wideOf(target_).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        saved = errnoOf(GetLastError());
        discard();
        errno = saved;
        return fail(error, std::strerror(errno), target_);
    }
    temporary_.clear();
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) {
        ::_close(fd_);
        fd_ = -1;
    }
    unnamed_ = false;
    if (!temporary_.empty()) {
        DeleteFileW(wideOf(temporary_).c_str());
        temporary_.clear();
    }
}

}  // namespace k7base
