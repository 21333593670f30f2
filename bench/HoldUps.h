// A separate process that stops this one now and then and lets it go on (SIGSTOP, SIGCONT),
// every 0.3 to 0.7 s for 10 to 90 ms, and one time in four for 1.0 to 1.4 s: a machine that
// holds every thread of the process up, the simulated card's own with them, while this lives.
// The card catches up on its time afterwards, and its FIFO runs over or keeps hundreds of shots
// without running over: the benchmarks' `--holdups 1`, which tests that the counts of lost shots
// are exact, not how few are lost. The child is killed while this process runs, so never between
// a stop and its continuation.
#pragma once

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>

#include "ChildProcess.h"

class HoldUps {
  public:
    explicit HoldUps(bool wanted) : child_(wanted, [process = ::getpid()] { holdUp(process); }) {}

  private:
    // Sleeps and signals only.
    [[noreturn]] static void holdUp(pid_t process) {
        uint32_t random = static_cast<uint32_t>(::getpid());
        const auto next = [&random](uint32_t below) {
            random = random * 1664525u + 1013904223u;
            return (random >> 8) % below;
        };
        for (;;) {
            sleepMs(300 + next(400));
            ::kill(process, SIGSTOP);
            sleepMs(next(4) == 0 ? 1000 + next(400) : 10 + next(80));
            ::kill(process, SIGCONT);
        }
    }
    static void sleepMs(uint32_t ms) {
        timespec t{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
        while (::nanosleep(&t, &t) != 0) {
        }
    }

    ChildProcess child_;
};
