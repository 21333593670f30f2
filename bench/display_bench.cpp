// The measured-data display and the stream readers under the load of live runs: repainting a
// 65536-sample A-scan into an 800x600 client with the full polyline against the per-column curve,
// and the decoding throughput of 12-bit unpacking and of the result walk. Prints the throughputs
// and, last, the repaint ratio.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "desktop/scripted/RecordingCanvas.h"
#include "stream/ResultWalkers.h"
#include "windows/measurement/MeasuredDataDisplay.h"
#include "windows/measurement/PixelCanvas.h"

namespace {

constexpr std::size_t kSamples = 65536;
constexpr k7check::Size kClient{800, 600};

// An A-scan as a card delivers it: noise with a transmit pulse and decaying echoes.
std::vector<uint8_t> ascanBuffer() {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 600.0);
    std::vector<uint8_t> b;
    b.reserve(2 * kSamples);
    for (std::size_t i = 0; i < kSamples; ++i) {
        double x = noise(random);
        for (int k = 0; k < 8; ++k) {
            const double t = static_cast<double>(i) - 400.0 - 8000.0 * k;
            x += 26000.0 * std::pow(0.7, k) * std::exp(-t * t / 20000.0) * std::sin(t / 3.0);
        }
        const auto s = static_cast<int16_t>(std::clamp(x, -32768.0, 32767.0)) & ~0xF;
        b.push_back(static_cast<uint8_t>(s));
        b.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
    }
    return b;
}

void repaint(benchmark::State& state, k7check::CurveDrawing drawing) {
    const std::vector<uint8_t> buffer = ascanBuffer();
    k7check::MeasuredDataInputs in;
    in.data = buffer.data();
    in.length = static_cast<uint32_t>(buffer.size());
    in.number = 1;
    k7check::MeasuredDataDisplay display;
    display.setInputs(in);
    display.setCurveDrawing(drawing);
    k7check::PixelCanvas canvas(kClient.width, kClient.height);
    for (auto _ : state) {
        display.paint(canvas, kClient);
        benchmark::DoNotOptimize(canvas.pixels().data());
    }
    state.counters["line_pixels_per_paint"] =
        static_cast<double>(canvas.linePixels()) / static_cast<double>(state.iterations());
}

// The same on a canvas that records every operation: what a toolkit's per-segment cost sees.
void record(benchmark::State& state, k7check::CurveDrawing drawing) {
    const std::vector<uint8_t> buffer = ascanBuffer();
    k7check::MeasuredDataInputs in;
    in.data = buffer.data();
    in.length = static_cast<uint32_t>(buffer.size());
    in.number = 1;
    k7check::MeasuredDataDisplay display;
    display.setInputs(in);
    display.setCurveDrawing(drawing);
    k7check::RecordingCanvas canvas;
    for (auto _ : state) {
        canvas.clear();
        display.paint(canvas, kClient);
        benchmark::DoNotOptimize(canvas.ops().data());
    }
    state.counters["operations"] = static_cast<double>(canvas.ops().size());
}

void recordNaive(benchmark::State& state) {
    record(state, k7check::CurveDrawing::FullPolyline);
}
void recordOurs(benchmark::State& state) {
    record(state, k7check::CurveDrawing::Envelope);
}

void repaintNaive(benchmark::State& state) {
    repaint(state, k7check::CurveDrawing::FullPolyline);
}
void repaintOurs(benchmark::State& state) {
    repaint(state, k7check::CurveDrawing::Envelope);
}

void unpack12(benchmark::State& state) {
    std::mt19937 random(3);
    std::vector<uint8_t> payload(kSamples / 4 * 6);
    for (auto& byte : payload) {
        byte = static_cast<uint8_t>(random());
    }
    std::vector<int16_t> out(kSamples);
    for (auto _ : state) {
        benchmark::DoNotOptimize(k7check::stream::unpack12(payload, payload.size() / 2, out));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(payload.size()));
}

// 131072 bytes of gate results records, each followed by a cycle end.
void resultWalk(benchmark::State& state) {
    std::vector<uint8_t> data;
    while (data.size() + 60 <= 131072) {
        std::vector<uint8_t> record(56, 0);
        record[0] = 0x40;
        record[1] = 56;
        record[4] = 0xF5;
        record[5] = 0xFF;
        for (int n = 0; n < 5; ++n) {
            record[8 + 8 * n] = static_cast<uint8_t>(n * 40);
            record[12 + 8 * n] = static_cast<uint8_t>(n * 17);
            record[15 + 8 * n] = 0x80;
        }
        data.insert(data.end(), record.begin(), record.end());
        data.insert(data.end(), {0xFF, 0xEF, 0xFF, 0xFF});
    }
    for (auto _ : state) {
        k7check::stream::RecordResultWalker walker(data);
        k7check::stream::ResultItem item;
        uint32_t sum = 0;
        while (walker.next(item)) {
            sum += item.record.slots[1].time + static_cast<uint32_t>(item.cycle);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(data.size()));
    state.counters["bytes"] = static_cast<double>(data.size());
}

}  // namespace

BENCHMARK(recordNaive)->Unit(benchmark::kMicrosecond);
BENCHMARK(recordOurs)->Unit(benchmark::kMicrosecond);
BENCHMARK(repaintNaive)->Unit(benchmark::kMicrosecond);
BENCHMARK(repaintOurs)->Unit(benchmark::kMicrosecond);
BENCHMARK(unpack12)->Unit(benchmark::kMicrosecond);
BENCHMARK(resultWalk)->Unit(benchmark::kMicrosecond);

// Runs them all and prints the throughputs and the repaint ratio, from CPU time (the machines
// that run it are shared).
int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    struct Collect : benchmark::ConsoleReporter {
        std::map<std::string, double> us;
        void ReportRuns(const std::vector<Run>& runs) override {
            for (const auto& r : runs) {
                us[r.benchmark_name()] = r.GetAdjustedCPUTime();
            }
            ConsoleReporter::ReportRuns(runs);
        }
    } reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto mbPerSecond = [&](const char* name, double bytes) {
        return reporter.us[name] > 0 ? bytes / reporter.us[name] : 0.0;  // bytes per us = MB/s
    };
    std::fprintf(stderr, "unpack 12-bit: %.0f MB/s\n", mbPerSecond("unpack12", kSamples / 4 * 6));
    std::fprintf(stderr, "result walk: %.0f MB/s\n",
                 mbPerSecond("resultWalk", 131072.0 - 131072 % 60));
    const double recorded = reporter.us["recordOurs"];
    std::fprintf(stderr, "ratio naive/ours on the recording canvas: %.1f\n",
                 recorded > 0 ? reporter.us["recordNaive"] / recorded : 0.0);
    const double ours = reporter.us["repaintOurs"];
    std::fprintf(stderr, "ratio naive/ours: %.1f\n",
                 ours > 0 ? reporter.us["repaintNaive"] / ours : 0.0);
    return 0;
}
