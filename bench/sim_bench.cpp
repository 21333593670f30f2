// Simulated cards under load, reported as ratios in one run:
//  - CPU time the simulated card spends per shot of a continuous run at its fastest setting
//    with the default probe (echoes and noise, the default set's gates), against the card's
//    shot period: the share of one core a card at full rate takes. Measured in virtual time
//    (the clock moves a millisecond at a time, the reader drains the card after each), as the
//    CPU time of the one thread that does all of it, the reads included. Printed as
//    `sim CPU time / shot period: X` for 1600 and 16384 samples;
//  - library time per command against the simulated driver, against a trivial driver that
//    answers every request at once.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "KARVO7Os.h"
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

// The library clock, moved only by the benchmark.
struct BenchClock {
    uint32_t now = 0;
    static uint32_t tick(void* self) { return static_cast<BenchClock*>(self)->now; }
    static void sleep(void* self, uint32_t ms) { static_cast<BenchClock*>(self)->now += ms; }
};

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct CpuPerShot {
    uint64_t shots = 0;
    double periodUs = 0.0;  // the card's shot period, from shots and virtual time
    double cpuUs = 0.0;     // CPU time per shot
    bool ok = false;
};

// A continuous run of the check program's default set (40 MHz, 20 dB, echo start and gates
// B1 to B4) with `samples` samples, drained after every virtual millisecond, for `ms`
// milliseconds of virtual time.
CpuPerShot cpuPerShot(uint16_t samples, uint32_t ms) {
    BenchClock clock;
    const K7OsClock table{&clock, &BenchClock::tick, &BenchClock::sleep};
    K7OsSetClock(&table);
    k7sim::Config config = benchConfig();
    config.worker = false;
    CpuPerShot out;
    {
        k7sim::Simulator simulator(config);
        simulator.install();
        KARVO7HANDLE h = KARVO7Open(1);
        uint32_t error = 0;
        MeasureParams m{};
        m.Samplerate = 1;
        m.Start = 3;
        m.Aufnahmelaenge = samples;
        SpecialParams s{};
        s.Filter = 3;
        GateParams g{};
        const uint32_t gates[5][3] = {
            {300, 400, 480}, {300, 400, 800}, {600, 800, 800}, {800, 1000, 800}, {1100, 1400, 800}};
        for (int i = 0; i < 5; ++i) {
            g.Gate[i] = {gates[i][0], gates[i][1], gates[i][2]};
            g.Enables.Enable[i] = i == 0 ? 0u : 1u;
        }
        bool ok = h != nullptr && KARVO7WarmUp(h, &error) == 1 &&
                  KARVO7PrepAllGatesParam(h, 0, m, s, 200, g, &error) == 1 &&
                  KARVO7SetESGateParam(h, 0, 30, 200, 0, 0, &error) == 1 &&
                  KARVO7SetMode(h, 1, &error) == 1 && KARVO7Start(h, &error) == 1;
        std::vector<uint8_t> buffer(131072);
        uint64_t shots = 0;
        const double begin = threadCpuSeconds();
        bool reading = false;  // a read is outstanding
        uint32_t count = 0;
        for (uint32_t t = 0; ok && t < ms; ++t) {
            ++clock.now;
            simulator.service();
            for (;;) {
                if (!reading) {
                    count = static_cast<uint32_t>(buffer.size());
                    if (KARVO7StartGetData(h, &count, buffer.data(), nullptr, &error) != 1) {
                        ok = false;
                        break;
                    }
                    reading = true;
                }
                const int ready = KARVO7IsReadyGetDataIntReturn(h, &count, &error);
                if (ready == -3) {
                    break;  // the FIFO is empty: the read waits for the next shot
                }
                reading = false;
                if (ready != 0) {
                    std::fprintf(stderr, "read failed: %X\n", error);
                    ok = false;
                    break;
                }
                ++shots;
            }
        }
        const double cpu = threadCpuSeconds() - begin;
        if (h != nullptr) {
            KARVO7CancelGetData(h, &error);
            KARVO7Stop(h, &error);
            KARVO7Close(h);
        }
        simulator.uninstall();
        out.ok = ok && shots > 0;
        out.shots = shots;
        if (shots > 0) {
            out.periodUs = ms * 1000.0 / static_cast<double>(shots);
            out.cpuUs = cpu * 1e6 / static_cast<double>(shots);
        }
    }
    K7OsSetClock(nullptr);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bool ok = true;
    for (const auto& [samples, ms] : {std::pair<uint16_t, uint32_t>{1600, 2000}, {16384, 4000}}) {
        const CpuPerShot r = cpuPerShot(samples, ms);
        if (!r.ok) {
            std::printf("sim CPU time / shot period: run failed (%u samples)\n", samples);
            ok = false;
            continue;
        }
        std::printf("%u samples: %llu shots, period %.1f us, CPU %.2f us per shot\n", samples,
                    static_cast<unsigned long long>(r.shots), r.periodUs, r.cpuUs);
        std::printf("sim CPU time / shot period: %.3f (%u samples)\n", r.cpuUs / r.periodUs,
                    samples);
    }
    return ok ? 0 : 1;
}
