// The library's own cost: one KARVO7Command through the library against the same request sent
// straight to the driver, and a 131072-byte KARVO7GetData against a 131072-byte memcpy.
// Reported as ratios (library time / reference time) in one run.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "DllBench.h"

namespace {

template <class Step>
void run(benchmark::State& state) {
    Step step;
    for (auto _ : state) {
        step();
    }
}

template <class Step>
void runBlocks(benchmark::State& state) {
    run<Step>(state);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * k7bench::kBlock);
}

void commandThroughLibrary(benchmark::State& state) {
    run<k7bench::CommandThroughLibrary>(state);
}
void commandStraightToDriver(benchmark::State& state) {
    run<k7bench::CommandStraightToDriver>(state);
}
void getDataThroughLibrary(benchmark::State& state) {
    runBlocks<k7bench::GetDataThroughLibrary>(state);
}
void memcpyReference(benchmark::State& state) {
    runBlocks<k7bench::MemcpyReference>(state);
}

}  // namespace

BENCHMARK(commandThroughLibrary);
BENCHMARK(commandStraightToDriver);
BENCHMARK(getDataThroughLibrary);
BENCHMARK(memcpyReference);

// Runs the four and prints the two ratios.
int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    struct Collect : benchmark::ConsoleReporter {
        std::map<std::string, double> ns;
        void ReportRuns(const std::vector<Run>& runs) override {
            for (const auto& r : runs) {
                ns[r.benchmark_name()] = r.GetAdjustedRealTime();
            }
            ConsoleReporter::ReportRuns(runs);
        }
    } reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    k7bench::printRatios(reporter.ns["commandThroughLibrary"],
                         reporter.ns["commandStraightToDriver"],
                         reporter.ns["getDataThroughLibrary"], reporter.ns["memcpyReference"]);
    return 0;
}
