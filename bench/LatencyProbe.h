// The machine's worst wake-up of a real-time thread, measured before a benchmark: a thread at
// real-time priority (SCHED_FIFO 90 where the system grants it, else ordinary) wakes every
// 250 µs for a few seconds, and the largest delay past its time is the worst wake-up. Printed
// beside the time the card's FIFO holds at the rate under test, it tells the reader of the
// figures whether zero loss was possible: a reader that wakes that late finds a FIFO that ran
// over, whatever the program does.
#pragma once

#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <thread>

struct WakeUps {
    double worstMs = 0.0;
    double seconds = 0.0;
    bool realTime = false;
};

// Wakes every `periodUs` for `seconds` on a thread of its own.
inline WakeUps probeWakeUps(double seconds, uint32_t periodUs = 250) {
    WakeUps result;
    result.seconds = seconds;
    std::thread probe([&] {
        sched_param param{};
        param.sched_priority = 90;
        result.realTime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
        const auto toNs = [](const timespec& t) {
            return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
        };
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const int64_t end = toNs(now) + static_cast<int64_t>(seconds * 1e9);
        int64_t due = toNs(now);
        int64_t worst = 0;
        while (due < end) {
            due += int64_t{periodUs} * 1000;
            const timespec at{static_cast<time_t>(due / 1000000000),
                              static_cast<long>(due % 1000000000)};
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
            clock_gettime(CLOCK_MONOTONIC, &now);
            worst = std::max(worst, toNs(now) - due);
            due = std::max(due, toNs(now));  // a late wake-up does not make the next ones late
        }
        result.worstMs = static_cast<double>(worst) / 1e6;
    });
    probe.join();
    return result;
}

// The milliseconds of shots the card's FIFO holds: `fifoBytes` of shots of `shotBytes` at
// `shotsPerSecond`.
inline double fifoMs(uint32_t fifoBytes, uint32_t shotBytes, uint32_t shotsPerSecond) {
    if (shotBytes == 0 || shotsPerSecond == 0) {
        return 0.0;
    }
    return static_cast<double>(fifoBytes / shotBytes) * 1000.0 / shotsPerSecond;
}

inline void printWakeUps(const WakeUps& w, double fifoHoldsMs) {
    std::printf(
        "latency probe: worst wake-up %.2f ms in %.0f s (%s); the FIFO holds %.2f ms: "
        "zero loss %s\n",
        w.worstMs, w.seconds, w.realTime ? "real-time thread" : "no real-time right", fifoHoldsMs,
        w.worstMs < fifoHoldsMs ? "possible" : "not possible on this machine now");
}
