#include "OutputFile.h"

#include <cerrno>
#include <cstring>

#include "Interrupt.h"
#include "k7base/Descriptors.h"
#include "k7base/Paths.h"

namespace karvo7 {

std::string writeErrorText(int error) {
    switch (error) {
        case EPIPE:
            return "the reader closed the output (broken pipe)";
        case ENOSPC:
            return "no space left on the device (disk full)";
        case EFBIG:
            return "the file reached the largest size allowed (file too large)";
        default:
            return std::strerror(error);
    }
}

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::open(const std::string& path, int stdoutFd, std::string& error) {
    discard();
    path_ = path;
    if (path == "-") {
        fd_ = stdoutFd;
        return true;
    }
    if (!k7base::linkMayBeFollowed(path)) {
        error = path + ": " + k7base::kForeignLink;
        return false;
    }
    if (k7base::isOtherThanRegularFile(path)) {
        // A device or pipe (/dev/null, /dev/full) is written as it is: there is nothing to
        // rename, and a temporary file beside it could not be made in /dev.
        fd_ = k7base::openForWriting(path);
        if (fd_ < 0) {
            error = path + ": " + std::strerror(errno);
            return false;
        }
        ownsFd_ = true;
        return true;
    }
    if (!file_.open(path)) {
        error = path + ": " + file_.reason();
        return false;
    }
    // An unnamed temporary file (the usual case) vanishes with the process by itself.
    const std::string& temporary = file_.temporaryPath();
    registerTemporaryFile(temporary.empty() ? nullptr : temporary.c_str());
    return true;
}

bool OutputFile::write(const void* data, std::size_t size, std::string& error) {
    if (fd_ < 0) {
        if (file_.write({static_cast<const char*>(data), size})) {
            return true;
        }
        error = path_ + ": " + writeErrorText(errno);
        return false;
    }
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const std::ptrdiff_t n = k7base::writeDescriptor(fd_, bytes, size);
        if (n < 0) {
            error = path_ + ": " + writeErrorText(errno);
            discard();
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

int64_t OutputFile::written() const {
    return fd_ < 0 ? file_.size() : -1;
}

bool OutputFile::keepFirst(uint64_t bytes, std::string& error) {
    if (fd_ >= 0) {
        error = path_ + ": what was written cannot be kept";
        return false;
    }
    if (!file_.keepFirst(bytes)) {
        error = path_ + ": " + std::strerror(errno);
        discard();
        return false;
    }
    return commit(error);
}

bool OutputFile::commit(std::string& error) {
    if (fd_ >= 0) {
        const bool closed = !ownsFd_ || k7base::closeDescriptor(fd_);
        if (!closed) {
            error = path_ + ": " + writeErrorText(errno);
        }
        fd_ = -1;
        ownsFd_ = false;
        return closed;
    }
    const bool committed = file_.commit();
    if (!committed) {
        error = path_ + ": " + file_.reason();
    }
    registerTemporaryFile(nullptr);
    return committed;
}

void OutputFile::discard() {
    if (ownsFd_ && fd_ >= 0) {
        k7base::closeDescriptor(fd_);
    }
    fd_ = -1;
    ownsFd_ = false;
    registerTemporaryFile(nullptr);
    file_.discard();
}

}  // namespace karvo7
