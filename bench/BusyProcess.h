// A separate process at ordinary priority that keeps a processor busy while this lives: the
// competing program of the benchmarks' `--busy 1`.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>

class BusyProcess {
  public:
    explicit BusyProcess(bool wanted) : child_(wanted ? ::fork() : 0) {
        if (child_ == 0 && wanted) {
            volatile uint64_t spins = 0;
            for (;;) {
                spins = spins + 1;
            }
        }
    }
    ~BusyProcess() {
        if (child_ > 0) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
        }
    }
    BusyProcess(const BusyProcess&) = delete;
    BusyProcess& operator=(const BusyProcess&) = delete;

  private:
    pid_t child_;
};
