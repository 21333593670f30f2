// The library's own cost: one KARVO7Command through the library against the same request sent
// straight to the driver, and a 131072-byte KARVO7GetData against a 131072-byte memcpy.
// Reported as ratios (library time / reference time) in one run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "KARVO7Driver.h"
#include "KARVO7Protocol.h"

namespace {

constexpr uint32_t kBlock = 131072;

// A driver that answers every request at once and delivers reads from a prepared buffer.
struct InstantDriver {
    std::vector<uint8_t> data = std::vector<uint8_t>(kBlock, 0x5A);

    static int exists(void*, uint32_t n) { return n == 1; }
    static uint32_t open(void*, uint32_t, void** device) {
        *device = reinterpret_cast<void*>(1);
        return 0;
    }
    static uint32_t control(void*, void*, uint32_t, const void*, uint32_t, void*, uint32_t out,
                            uint32_t* returned) {
        *returned = out;
        return 0;
    }
    static uint32_t read(void* self, void*, K7DrvIrp*, void* buffer, uint32_t size,
                         uint32_t* transferred) {
        auto* d = static_cast<InstantDriver*>(self);
        const uint32_t n = size < kBlock ? size : kBlock;
        std::memcpy(buffer, d->data.data(), n);
        *transferred = n;
        return 0;
    }
    static void cancel(void*, void*) {}
    static uint32_t close(void*, void*) { return 0; }

    K7DrvDriver table() {
        K7DrvDriver t{};
        t.interfaceVersion = K7DRV_INTERFACE_VERSION;
        t.context = this;
        t.deviceExists = exists;
        t.open = open;
        t.deviceControl = control;
        t.read = read;
        t.cancel = cancel;
        t.close = close;
        return t;
    }
};

InstantDriver& driver() {
    static InstantDriver d;
    return d;
}

struct Card {
    KARVO7HANDLE h = nullptr;
    Card() {
        const K7DrvDriver t = driver().table();
        K7DrvInstall(&t);
        h = KARVO7Open(1);
    }
    ~Card() {
        KARVO7Close(h);
        K7DrvInstall(nullptr);
    }
};

void commandThroughLibrary(benchmark::State& state) {
    Card card;
    const uint32_t words[2] = {0x12345678u, 0x9ABCDEF0u};
    uint32_t error = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(KARVO7Command(card.h, k7proto::cmd::kCount, 2, words, &error));
    }
}

void commandStraightToDriver(benchmark::State& state) {
    const K7DrvDriver t = driver().table();
    void* device = nullptr;
    t.open(t.context, 1, &device);
    uint8_t block[k7proto::req::kCommandBlockSize] = {};
    k7proto::putLe16(block, k7proto::cmd::kCount);
    block[k7proto::req::kCommandCountOffset] = 2;
    k7proto::putLe32(block + k7proto::req::kCommandWordsOffset, 0x12345678u);
    k7proto::putLe32(block + k7proto::req::kCommandWordsOffset + 4, 0x9ABCDEF0u);
    for (auto _ : state) {
        uint32_t returned = 0;
        benchmark::DoNotOptimize(t.deviceControl(t.context, device, k7proto::req::kCommand, block,
                                                 k7proto::req::kCommandBlockSize, nullptr, 0,
                                                 &returned));
        benchmark::ClobberMemory();
    }
}

void getDataThroughLibrary(benchmark::State& state) {
    Card card;
    std::vector<uint8_t> buffer(kBlock);
    uint32_t error = 0;
    for (auto _ : state) {
        uint32_t count = kBlock;
        benchmark::DoNotOptimize(KARVO7GetData(card.h, &count, buffer.data(), &error));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBlock);
}

void memcpyReference(benchmark::State& state) {
    std::vector<uint8_t> buffer(kBlock);
    for (auto _ : state) {
        std::memcpy(buffer.data(), driver().data.data(), kBlock);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBlock);
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
    auto ratio = [&](const char* a, const char* b) {
        return reporter.ns[b] > 0 ? reporter.ns[a] / reporter.ns[b] : 0.0;
    };
    std::fprintf(stderr, "ratio KARVO7Command library/driver: %.2f\n",
                 ratio("commandThroughLibrary", "commandStraightToDriver"));
    std::fprintf(stderr, "ratio KARVO7GetData(131072)/memcpy(131072): %.2f\n",
                 ratio("getDataThroughLibrary", "memcpyReference"));
    return 0;
}
