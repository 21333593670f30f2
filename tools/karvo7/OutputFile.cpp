#include "OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Interrupt.h"

namespace karvo7 {

std::string writeErrorText(int error) {
    switch (error) {
        case EPIPE:
            return "the reader closed the output (broken pipe)";
        case ENOSPC:
            return "no space left on the device (disk full)";
        default:
            return std::strerror(error);
    }
}

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::open(const std::string& path, int stdoutFd, std::string& error) {
    path_ = path;
    if (path == "-") {
        fd_ = stdoutFd;
        ownsFd_ = false;
        return true;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        // A device or pipe (/dev/null, /dev/full) is written as it is: there is nothing to
        // rename, and a temporary file beside it could not be made in /dev.
        fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) {
            error = path + ": " + std::strerror(errno);
            return false;
        }
        ownsFd_ = true;
        return true;
    }
    temp_ = path + ".XXXXXX";
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) {
        error = path + ": " + std::strerror(errno);
        temp_.clear();
        return false;
    }
    ownsFd_ = true;
    registerTemporaryFile(temp_.c_str());
    return true;
}

bool OutputFile::write(const void* data, std::size_t size, std::string& error) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, bytes, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = path_ + ": " + writeErrorText(errno);
            discard();
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool OutputFile::commit(std::string& error) {
    if (!ownsFd_) {
        return true;
    }
    if (temp_.empty()) {
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        ownsFd_ = false;
        if (!closed) {
            error = path_ + ": " + writeErrorText(errno);
        }
        return closed;
    }
    (void)::fchmod(fd_, 0644);
    if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
        error = path_ + ": " + writeErrorText(errno);
        fd_ = -1;
        ownsFd_ = false;
        discard();
        return false;
    }
    fd_ = -1;
    ownsFd_ = false;
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        error = path_ + ": " + std::strerror(errno);
        discard();
        return false;
    }
    registerTemporaryFile(nullptr);
    temp_.clear();
    return true;
}

void OutputFile::discard() {
    if (ownsFd_ && fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = -1;
    ownsFd_ = false;
    if (!temp_.empty()) {
        registerTemporaryFile(nullptr);
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

}  // namespace karvo7
