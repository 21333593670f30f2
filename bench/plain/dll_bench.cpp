// dll_bench for builds without Google Benchmark (Debian has none for MinGW-w64): the same four
// operations, each timed over batches of steps on the steady clock, printed as nanoseconds a
// step and as the same two ratios as the Google Benchmark program.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "DllBench.h"

namespace {

using Clock = std::chrono::steady_clock;

// Seconds for `steps` steps of `step`.
template <class Step>
double secondsFor(Step& step, long steps) {
    const auto start = Clock::now();
    for (long i = 0; i < steps; ++i) {
        step();
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Nanoseconds a step: the batch grows until it takes 20 ms, then the fastest of nine such
// batches counts (the others met a busy machine).
template <class Step>
double nanosecondsPerStep(const char* name) {
    Step step;
    long steps = 1;
    while (secondsFor(step, steps) < 0.02) {
        steps *= 2;
    }
    double best = secondsFor(step, steps);
    for (int batch = 1; batch < 9; ++batch) {
        best = std::min(best, secondsFor(step, steps));
    }
    const double ns = best * 1e9 / static_cast<double>(steps);
    std::printf("%-24s %12.1f ns %12ld steps a batch\n", name, ns, steps);
    return ns;
}

}  // namespace

int main() {
    using namespace k7bench;
    const double command = nanosecondsPerStep<CommandThroughLibrary>("commandThroughLibrary");
    const double direct = nanosecondsPerStep<CommandStraightToDriver>("commandStraightToDriver");
    const double getData = nanosecondsPerStep<GetDataThroughLibrary>("getDataThroughLibrary");
    const double copy = nanosecondsPerStep<MemcpyReference>("memcpyReference");
    std::fflush(stdout);
    printRatios(command, direct, getData, copy);
    return 0;
}
