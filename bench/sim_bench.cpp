// Simulated cards under load, reported as ratios in one run:
//  - shots per second delivered in continuous mode at the card's fastest setting, read by a
//    loop of KARVO7GetData, against the card's nominal pulse repetition (20 kHz);
//  - library time per command against the simulated driver, against a trivial driver that
//    answers every request at once.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "KARVO7Sim.h"

namespace {

k7sim::Config benchConfig() {
    k7sim::Config c = k7sim::Config::defaults(1);
    c.persist = false;
    c.instance = "bench" + std::to_string(::getpid());
    return c;
}

// A driver that completes everything at once and keeps no state.
namespace trivial {
int exists(void*, uint32_t number) {
    return number == 1 ? 1 : 0;
}
uint32_t open(void*, uint32_t, void** device) {
    static int token;
    *device = &token;
    return K7_ERROR_SUCCESS;
}
uint32_t control(void*, void*, uint32_t, const void*, uint32_t, void*, uint32_t outSize,
                 uint32_t* returned) {
    *returned = outSize;
    return K7_ERROR_SUCCESS;
}
uint32_t transfer(void*, void*, K7DrvIrp*, void*, uint32_t size, uint32_t* done) {
    *done = size;
    return K7_ERROR_SUCCESS;
}
uint32_t write(void*, void*, K7DrvIrp*, const void*, uint32_t size, uint32_t* done) {
    *done = size;
    return K7_ERROR_SUCCESS;
}
void cancel(void*, void*) {}
uint32_t close(void*, void*) {
    return K7_ERROR_SUCCESS;
}
K7DrvDriver table() {
    return K7DrvDriver{K7DRV_INTERFACE_VERSION,
                       nullptr,
                       exists,
                       open,
                       control,
                       transfer,
                       write,
                       cancel,
                       close,
                       nullptr};
}
}  // namespace trivial

// Nanoseconds per gain command (one set selection and one command each) on card 1.
double nanosPerCommand(int commands) {
    KARVO7HANDLE h = KARVO7Open(1);
    if (h == nullptr) {
        return 0.0;
    }
    uint32_t error = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < commands; ++i) {
        KARVO7SetGainParam(h, static_cast<uint32_t>(i & 7), static_cast<uint32_t>(i & 511), &error);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    KARVO7Close(h);
    return std::chrono::duration<double, std::nano>(elapsed).count() / commands;
}

void CommandTimeSimulatedVersusTrivial(benchmark::State& state) {
    double sim = 0.0, plain = 0.0;
    for (auto _ : state) {
        {
            k7sim::Simulator simulator(benchConfig());
            simulator.install();
            sim = nanosPerCommand(20000);
            simulator.uninstall();
        }
        const K7DrvDriver t = trivial::table();
        K7DrvInstall(&t);
        plain = nanosPerCommand(20000);
        K7DrvInstall(nullptr);
    }
    state.counters["sim_ns_per_command"] = sim;
    state.counters["trivial_ns_per_command"] = plain;
    state.counters["ratio_sim_to_trivial"] = plain > 0.0 ? sim / plain : 0.0;
}
BENCHMARK(CommandTimeSimulatedVersusTrivial)->Iterations(3)->Unit(benchmark::kMillisecond);

void ContinuousShotsPerSecond(benchmark::State& state) {
    k7sim::Simulator simulator(benchConfig());
    simulator.install();
    KARVO7HANDLE h = KARVO7Open(1);
    uint32_t error = 0;
    KARVO7WarmUp(h, &error);
    MeasureParams m{};
    m.Samplerate = 0;  // 80 MHz
    m.Start = 3;       // continuous
    m.Aufnahmelaenge = static_cast<uint16_t>(state.range(0));
    SpecialParams s{};
    s.Sendeenergie = 1;
    KARVO7PrepAllParam(h, 0, m, s, 200, &error);
    KARVO7SetDataTimeOut(h, 2, &error);
    KARVO7Start(h, &error);
    std::vector<uint8_t> buffer(131072);
    uint64_t shots = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        uint32_t count = static_cast<uint32_t>(buffer.size());
        if (KARVO7GetData(h, &count, buffer.data(), &error) == 1 && count > 0) {
            ++shots;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    KARVO7Stop(h, &error);
    KARVO7Close(h);
    simulator.uninstall();
    const double rate = seconds > 0 ? static_cast<double>(shots) / seconds : 0.0;
    state.counters["shots_per_s"] = rate;
    state.counters["ratio_to_20kHz"] = rate / 20000.0;
}
BENCHMARK(ContinuousShotsPerSecond)
    ->Arg(160)
    ->Arg(1600)
    ->Iterations(20000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
