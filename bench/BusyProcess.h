// A separate process at ordinary priority that keeps a processor busy while this lives: the
// competing program of the benchmarks' `--busy 1`.
#pragma once

#include <cstdint>

#include "ChildProcess.h"

class BusyProcess {
  public:
    explicit BusyProcess(bool wanted)
        : child_(wanted, [] {
              volatile uint64_t spins = 0;
              for (;;) {
                  spins = spins + 1;
              }
          }) {}

  private:
    ChildProcess child_;
};
