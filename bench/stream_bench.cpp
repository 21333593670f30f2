// The decoder library's walker over a realistic capture in the record layout: two parameter
// sets, each shot an A-scan record of 1600 samples followed by its gate results record, a cycle
// end after each round. Measures the walk alone, the walk with every sample written into the
// caller's buffer (the decode figure), the same with 12-bit packed records, and the body of
// `karvo7 decode` writing CSV lines of the same capture from a file. Prints the throughputs, from
// CPU time (the machines that run it are shared).
//
// More figures are added as one benchmark function and one line in main's table.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "DecodeCommand.h"
#include "KARVO7Stream.h"

namespace {

constexpr std::size_t kSamples = 1600;
constexpr std::size_t kCaptureBytes = 16u << 20;

void put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, static_cast<uint16_t>(v));
    put16(b, static_cast<uint16_t>(v >> 16));
}
void header(std::vector<uint8_t>& b, uint8_t type, std::size_t length, int16_t kennung) {
    put32(b, type | static_cast<uint32_t>(length << 8));
    put16(b, static_cast<uint16_t>(kennung));
}

// One shot: noise with a back-wall echo, 12 significant bits.
std::vector<uint16_t> shotSamples(std::mt19937& random) {
    std::normal_distribution<double> noise(0.0, 400.0);
    std::vector<uint16_t> s(kSamples);
    for (std::size_t i = 0; i < kSamples; ++i) {
        const double t = static_cast<double>(i) - 350.0;
        const double x = noise(random) + 20000.0 * std::exp(-t * t / 800.0) * std::sin(t / 2.0);
        s[i] =
            static_cast<uint16_t>(static_cast<int16_t>(std::clamp(x, -32768.0, 32767.0))) & 0xFFF0u;
    }
    return s;
}

// About 16 MB of record-layout data; `packed` writes the A-scans as type 0x10.
std::vector<uint8_t> capture(bool packed) {
    std::mt19937 random(11);
    std::vector<uint8_t> b;
    b.reserve(kCaptureBytes + 8192);
    while (b.size() < kCaptureBytes) {
        for (const int16_t kennung : {int16_t{-11}, int16_t{-13}}) {
            const std::vector<uint16_t> s = shotSamples(random);
            if (packed) {
                header(b, 0x10, 6 + kSamples / 4 * 6, kennung);
                for (std::size_t i = 0; i < kSamples; i += 4) {
                    const uint32_t a = s[i] >> 4, c = s[i + 1] >> 4, d = s[i + 2] >> 4,
                                   e = s[i + 3] >> 4;
                    put16(b, static_cast<uint16_t>(a | (c & 0xF) << 12));
                    put16(b, static_cast<uint16_t>(c >> 4 | (d & 0xFF) << 8));
                    put16(b, static_cast<uint16_t>(d >> 8 | e << 4));
                }
            } else {
                header(b, 0x14, 6 + 2 * kSamples, kennung);
                for (uint16_t v : s) {
                    put16(b, v);
                }
            }
            header(b, 0x40, 56, kennung);
            put16(b, 0);
            for (int n = 0; n < 5; ++n) {
                put16(b, static_cast<uint16_t>(1000 + n * 300));
                put16(b, 0);
                put16(b, static_cast<uint16_t>(700 + n * 200));
                put16(b, 0x8000);
            }
            put32(b, 0);
            put32(b, 0);
        }
        put32(b, 0xFFFFEFFF);
    }
    return b;
}

const std::vector<uint8_t>& plainCapture() {
    static const std::vector<uint8_t> data = capture(false);
    return data;
}
const std::vector<uint8_t>& packedCapture() {
    static const std::vector<uint8_t> data = capture(true);
    return data;
}

// Walks `data` once; with `samples` every item's samples go into a caller buffer.
uint64_t walkOnce(const std::vector<uint8_t>& data, int16_t* samples, uint32_t capacity) {
    KARVO7StreamOptions options{};
    options.layout = KARVO7STREAM_LAYOUT_RECORD;
    KARVO7StreamWalker walker;
    KARVO7StreamBegin(&walker, data.data(), data.size(), &options);
    KARVO7StreamItem item{};
    item.struct_size = sizeof item;
    uint64_t sum = 0;
    while (KARVO7StreamNext(&walker, &item, samples, capacity) == 1) {
        sum += item.kind + item.samples_written + item.gates[0].time;
        if (item.samples_written != 0) {
            sum += static_cast<uint16_t>(samples[item.samples_written - 1]);
        }
    }
    return sum;
}

void run(benchmark::State& state, const std::vector<uint8_t>& data, bool samples) {
    std::vector<int16_t> out(65536);
    for (auto _ : state) {
        benchmark::DoNotOptimize(walkOnce(data, samples ? out.data() : nullptr, 65536));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(data.size()));
}

void walk(benchmark::State& state) {
    run(state, plainCapture(), false);
}
void decode(benchmark::State& state) {
    run(state, plainCapture(), true);
}
void decodePacked(benchmark::State& state) {
    run(state, packedCapture(), true);
}

// Discards what it is given, as /dev/null does.
class NullBuffer : public std::streambuf {
  protected:
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
    int overflow(int c) override { return c; }
};

// The capture as a file, removed at the end.
const std::string& captureFile() {
    static const std::string path = [] {
        char name[] = "/tmp/k7-stream-bench-XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd >= 0) {
            ::close(fd);
        }
        const std::vector<uint8_t>& data = plainCapture();
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()),
                   static_cast<std::streamsize>(data.size()));
        return std::string(name);
    }();
    return path;
}

void decodeCommand(benchmark::State& state) {
    NullBuffer discard;
    std::ostream out(&discard);
    std::ostringstream err;
    karvo7::DecodeOptions options;
    options.file = captureFile();
    for (auto _ : state) {
        if (karvo7::runDecode(options, out, err) != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(plainCapture().size()));
}

}  // namespace

BENCHMARK(walk)->Unit(benchmark::kMillisecond);
BENCHMARK(decode)->Unit(benchmark::kMillisecond);
BENCHMARK(decodePacked)->Unit(benchmark::kMillisecond);
BENCHMARK(decodeCommand)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    struct Collect : benchmark::ConsoleReporter {
        std::map<std::string, double> seconds;  // CPU time of one iteration
        void ReportRuns(const std::vector<Run>& runs) override {
            for (const auto& r : runs) {
                seconds[r.benchmark_name()] =
                    r.iterations > 0 ? r.cpu_accumulated_time / static_cast<double>(r.iterations)
                                     : 0.0;
            }
            ConsoleReporter::ReportRuns(runs);
        }
    } reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto mbPerSecond = [&](const char* name, std::size_t bytes) {
        const double s = reporter.seconds[name];
        return s > 0 ? static_cast<double>(bytes) / s / 1e6 : 0.0;
    };
    struct Line {
        const char* text;
        const char* benchmark;
        std::size_t bytes;
    };
    const Line lines[] = {
        {"walk MB/s", "walk", plainCapture().size()},
        {"decode packed MB/s", "decodePacked", packedCapture().size()},
        {"decode command CSV MB/s", "decodeCommand", plainCapture().size()},
        {"decode MB/s", "decode", plainCapture().size()},
    };
    for (const Line& line : lines) {
        std::printf("%s: %.0f\n", line.text, mbPerSecond(line.benchmark, line.bytes));
    }
    std::remove(captureFile().c_str());
    return 0;
}
