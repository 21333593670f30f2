// The parameter file at 21 MB (the shipped sections plus the sections of other stations):
// reading it for the start of the program (every setting and the sets of two cards) and reading
// the fourteen keys a window reads one by one through the profile functions, which parse an
// unchanged file once. Prints the times.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/MainWindowFields.h"
#include "paramfile/IniFile.h"
#include "profile/ParameterFile.h"

namespace {

constexpr std::size_t kFileBytes = 21u << 20;

std::string makeFile() {
    const std::string path =
        (std::filesystem::temp_directory_path() / "karvo7_profile_bench.ini").string();
    std::string text = "[Init]\r\nKarte=1\r\nZyklen=200\r\n[DSP]\r\nFilename=KARVO7DSP.hex\r\n";
    for (int set = 0; set < 8; ++set) {
        text += "[Karte1-Satz" + std::to_string(set) + "]\r\nActive=yes\r\nFilter=3\r\n";
    }
    for (int station = 0; text.size() < kFileBytes; ++station) {
        text += "[Station" + std::to_string(station) + "]\r\n";
        for (int key = 0; key < 50; ++key) {
            text += "Wert" + std::to_string(key) + "=0123456789012345678901234567890123456789\r\n";
        }
    }
    std::ofstream(path, std::ios::binary) << text;
    // Written long ago, as a parameter file nobody is editing.
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    return path;
}

const std::string& file() {
    static const std::string path = makeFile();
    return path;
}

void startRead(benchmark::State& state) {
    for (auto _ : state) {
        const k7check::IniFile ini = k7check::IniFile::load(file());
        std::array<k7check::Channel, k7check::kMaxCards> channels{};
        k7check::MainWindowFields fields;
        bool virma4 = false;
        k7check::ParameterSetTable sets;
        k7check::readChannels(ini, channels);
        k7check::readSettings(ini, fields, virma4);
        k7check::readSets(ini, sets, 2);
        benchmark::DoNotOptimize(fields.zyklen);
    }
}

void windowKeys(benchmark::State& state) {
    for (auto _ : state) {
        for (int key = 0; key < 14; ++key) {
            benchmark::DoNotOptimize(k7check::readProfileString(
                file(), "Selbsttest", "Test" + std::to_string(key), "yes"));
        }
    }
}

}  // namespace

BENCHMARK(startRead)->Unit(benchmark::kMillisecond);
BENCHMARK(windowKeys)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(file());
    return 0;
}
