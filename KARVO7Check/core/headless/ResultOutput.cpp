#include "headless/ResultOutput.h"

#include <cstdio>
#include <iostream>

#include "KARVO7Os.h"
#include "k7base/Descriptors.h"

namespace k7check {

namespace {

void toStandardError(void*, uint32_t, const char* text) {
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

}  // namespace

ResultOutput::ResultOutput() : stream_(&buffer_) {
    // What others left in the C++ and C streams goes out before the first result.
    std::cout.flush();
    std::fflush(stdout);
    const K7OsLog log{nullptr, toStandardError, K7_LOG_INFO};
    K7OsSetLog(&log);
}

ResultOutput::~ResultOutput() {
    stream_.flush();
    K7OsSetLog(nullptr);
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
        const std::ptrdiff_t n = k7base::writeDescriptor(k7base::kStandardOutput, text + written,
                                                         static_cast<size_t>(count - written));
        if (n <= 0) {
            break;
        }
        written += n;
    }
    return written;
}

}  // namespace k7check
