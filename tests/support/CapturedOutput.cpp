#include "CapturedOutput.h"

#include <cstdio>

#include "KARVO7Os.h"

namespace k7test {

namespace {
// The capture whose log is installed now; captures are made and ended on the test's thread.
CapturedOutput* innermost = nullptr;
}  // namespace

CapturedOutput::CapturedOutput() : outer_(innermost), failedBefore_(::testing::Test::HasFailure()) {
    innermost = this;
    install();
}

CapturedOutput::~CapturedOutput() {
    restore();
}

std::string CapturedOutput::text() {
    restore();
    std::lock_guard lock(mutex_);
    return text_;
}

void CapturedOutput::collect(void* context, uint32_t, const char* line) {
    auto* self = static_cast<CapturedOutput*>(context);
    std::lock_guard lock(self->mutex_);
    self->text_ += line;
    self->text_ += '\n';
}

void CapturedOutput::install() {
    const K7OsLog log{this, collect, K7_LOG_INFO};
    K7OsSetLog(&log);
}

void CapturedOutput::restore() {
    if (!active_) {
        return;
    }
    active_ = false;
    innermost = outer_;
    if (outer_ != nullptr) {
        outer_->install();
    } else {
        K7OsSetLog(nullptr);
    }
    if (!failedBefore_ && ::testing::Test::HasFailure()) {
        std::lock_guard lock(mutex_);
        std::fwrite(text_.data(), 1, text_.size(), stdout);
        std::fflush(stdout);
    }
}

}  // namespace k7test
