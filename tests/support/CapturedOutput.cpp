#include "CapturedOutput.h"

#include <unistd.h>

#include <iostream>
#include <stdexcept>

namespace k7test {

CapturedOutput::CapturedOutput() : failedBefore_(::testing::Test::HasFailure()) {
    std::cout.flush();
    std::fflush(stdout);
    file_ = std::tmpfile();
    savedOutput_ = ::dup(STDOUT_FILENO);
    if (file_ == nullptr || savedOutput_ < 0 || ::dup2(::fileno(file_), STDOUT_FILENO) < 0) {
        throw std::runtime_error("standard output cannot be captured");
    }
}

CapturedOutput::~CapturedOutput() {
    restore();
}

std::string CapturedOutput::text() {
    restore();
    return text_;
}

void CapturedOutput::restore() {
    if (savedOutput_ < 0) {
        return;
    }
    std::cout.flush();
    std::fflush(stdout);
    ::dup2(savedOutput_, STDOUT_FILENO);
    ::close(savedOutput_);
    savedOutput_ = -1;
    std::rewind(file_);
    char block[4096];
    size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, file_)) > 0) {
        text_.append(block, n);
    }
    std::fclose(file_);
    file_ = nullptr;
    if (!failedBefore_ && ::testing::Test::HasFailure()) {
        std::fwrite(text_.data(), 1, text_.size(), stdout);
        std::fflush(stdout);
    }
}

}  // namespace k7test
