// The library's diagnostic lines behind the replaceable log: standard output by default, as the
// card family's library writes them, or whatever a program installs.
#include <cstdio>
#include <mutex>

#include "OsLayer.h"

namespace {

// The installed log is a process-wide setting of the device layer, as the clock is.
struct LogSlot {
    std::mutex mutex;
    K7OsLog log{nullptr, nullptr, K7_LOG_INFO};
};

LogSlot& slot() {
    static LogSlot instance;
    return instance;
}

K7OsLog current() {
    LogSlot& s = slot();
    std::lock_guard lock(s.mutex);
    return s.log;
}

}  // namespace

namespace k7::os {

void logLine(uint32_t level, const char* text) {
    const K7OsLog log = current();
    if (level == K7_LOG_NONE || level > log.level) {
        return;
    }
    if (log.line != nullptr) {
        log.line(log.context, level, text);
        return;
    }
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace k7::os

extern "C" KARVO7_API void K7OsSetLog(const K7OsLog* log) {
    LogSlot& s = slot();
    std::lock_guard lock(s.mutex);
    s.log = log != nullptr ? *log : K7OsLog{nullptr, nullptr, K7_LOG_INFO};
}
