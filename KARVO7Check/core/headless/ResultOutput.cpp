#include "headless/ResultOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>

namespace k7check {

ResultOutput::ResultOutput() : stream_(&buffer_) {
    std::cout.flush();
    std::fflush(stdout);
    saved_ = ::fcntl(1, F_DUPFD_CLOEXEC, 3);
    if (saved_ < 0) {
        return;  // results and diagnostics share standard output, as without this class
    }
    if (::dup2(2, 1) < 0) {
        ::close(saved_);
        saved_ = -1;
        return;
    }
    buffer_.fd = saved_;
}

ResultOutput::~ResultOutput() {
    stream_.flush();
    if (saved_ < 0) {
        return;
    }
    // What the library left in the C stream belongs to standard error.
    std::cout.flush();
    std::fflush(stdout);
    ::dup2(saved_, 1);
    ::close(saved_);
}

ResultOutput::FdBuffer::int_type ResultOutput::FdBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::streamsize ResultOutput::FdBuffer::xsputn(const char* text, std::streamsize count) {
    std::streamsize written = 0;
    while (written < count) {
        const ssize_t n = ::write(fd, text + written, static_cast<size_t>(count - written));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += n;
    }
    return written;
}

}  // namespace k7check
