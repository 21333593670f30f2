// The library's diagnostic lines behind the replaceable log: standard output by default, as the
// card family's library writes them, or whatever a program installs.
#include <cstdio>

#include "OsLayer.h"
#include "ProcessSetting.h"

namespace {

constexpr K7OsLog kStandardOutput{nullptr, nullptr, K7_LOG_INFO};

// The installed log, a process-wide setting of the device layer as the clock is.
k7::os::ProcessSetting<K7OsLog>& installed() {
    static k7::os::ProcessSetting<K7OsLog> log(kStandardOutput);
    return log;
}

K7OsLog current() {
    return installed().get();
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
    installed().set(log != nullptr ? *log : kStandardOutput);
}
