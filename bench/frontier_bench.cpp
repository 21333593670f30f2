// The loss-free frontier: at the card's highest rate (20 kHz) and 1600, 800, 400, 200 and 100
// samples a shot, each consumer reads a simulated card for a given time, quiet and beside one
// competing busy process; printed are the shots read against the shots the card took and the
// shots lost, the consumer's own count beside the card's (the driver boundary's test counts).
// Per consumer the largest shot size with zero loss is its frontier, and its ratio to the bare
// loop's (goal >= 1.0: the program is never the reason for a loss). Consumers:
//   bare     a C read loop (KARVO7GetData) at the real-time priority of the engine's reading
//            thread
//   engine   the acquisition engine through its C interface, consumed in batches
//   stream   `karvo7 stream` into a file
//   python   Python's Card.stream with gate results (a process of its own; --python 0: not run)
//   sets     the check program's sets run "Karte n Sätze 1..n" (set 0 and set 1 in turn)
// Before the measurements a latency probe prints the machine's worst wake-up of a real-time
// thread beside the FIFO time of each shot size. Options:
//   --seconds T      each point's time, default 60
//   --busy 0|1|2     quiet only, busy only, or both (default 2)
//   --python 0|1     run the Python consumer (default 1; needs KARVO7_LIBRARY_PATH and PYTHONPATH)
//   --samples N      one shot size instead of the five
//   --consumer NAME  one consumer (bare, engine, stream, python or sets) instead of all
//   --holdups 1      a second process stops this one now and then for up to 1.4 s (the
//                    Python consumer's process is not stopped): the counts, not the frontier
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BusyProcess.h"
#include "CardLoops.h"
#include "Commands.h"
#include "HoldUps.h"
#include "KARVO7Acquire.h"
#include "KARVO7DLL.h"
#include "KARVO7Protocol.h"
#include "KARVO7Sim.h"
#include "LatencyProbe.h"
#include "ReadingPriority.h"
#include "app/Session.h"
#include "card/SetToCard.h"
#include "desktop/scripted/HeadlessDesktop.h"
#include "runs/DataRateRuns.h"
#include "runs/RunWindows.h"

namespace {

constexpr uint32_t kRate = 20000;
constexpr uint32_t kFifoBytes = 262144;

using k7bench::Clock;
using k7bench::option;

uint32_t shotBytes(uint32_t samples) {
    return 6 + 2 * samples;  // the record layout
}

uint64_t cardCount(uint32_t what) {
    uint64_t value = 0;
    K7DrvTestCount(1, what, &value);
    return value;
}

struct Point {
    bool ran = false;
    uint64_t read = 0;
    uint64_t taken = 0;     // by the card, while the consumer measured
    uint64_t lost = 0;      // as the consumer reports it
    uint64_t cardLost = 0;  // as the card counts it
    std::string note;
};

// The card's counts around a measurement.
class CardCounts {
  public:
    CardCounts()
        : taken_(cardCount(K7DRV_COUNT_SHOTS_TAKEN)),
          dropped_(cardCount(K7DRV_COUNT_SHOTS_DROPPED)) {}
    void into(Point& p) const {
        p.taken = cardCount(K7DRV_COUNT_SHOTS_TAKEN) - taken_;
        p.cardLost = cardCount(K7DRV_COUNT_SHOTS_DROPPED) - dropped_;
    }

  private:
    uint64_t taken_;
    uint64_t dropped_;
};

bool prepareCard(KARVO7HANDLE card, uint32_t samples) {
    return k7bench::prepareCard(card, samples, kRate);
}

Point bare(uint32_t samples, double seconds) {
    Point p;
    KARVO7HANDLE card = KARVO7Open(1);
    if (card == nullptr || !prepareCard(card, samples)) {
        p.note = "card not prepared";
        KARVO7Close(card);
        return p;
    }
    std::thread reader([&] {
        // The engine's reading thread's priority, below the simulated card's own thread as
        // the engine's is: a loop above it would take the processor from the card, and be
        // measured against another card than the engine.
        const k7acquire::ReadingPriority priority;
        uint32_t error = 0;
        KARVO7Stop(card, &error);
        KARVO7ClearFIFO(card, &error);
        const CardCounts counts;
        const Clock::time_point end =
            Clock::now() + std::chrono::microseconds(static_cast<int64_t>(seconds * 1e6));
        KARVO7Start(card, &error);
        bool failed = false;
        p.read = k7bench::bareReads(card, end, failed);
        if (failed) {
            p.note = "GetData failed";
        }
        KARVO7Stop(card, &error);
        p.read += k7bench::readRest(card);
        KARVO7ClearFIFO(card, &error);
        counts.into(p);
    });
    reader.join();
    KARVO7Close(card);
    p.lost = p.taken - std::min(p.taken, p.read);
    p.ran = true;
    return p;
}

Point engine(uint32_t samples, double seconds) {
    Point p;
    KARVO7HANDLE card = KARVO7Open(1);
    if (card == nullptr || !prepareCard(card, samples)) {
        p.note = "card not prepared";
        KARVO7Close(card);
        return p;
    }
    K7AcqSettings s;
    K7AcqDefaults(&s);
    s.shotBytes = shotBytes(samples);
    s.shotsPerSecond = kRate;
    s.startSet = 1;
    s.shotCount = static_cast<uint64_t>(seconds * kRate);
    const CardCounts counts;
    K7AcqEngine* e = nullptr;
    uint32_t error = 0;
    if (K7AcqStart(card, &s, &e, &error) == 0) {
        p.note = "engine did not start";
        KARVO7Close(card);
        return p;
    }
    k7bench::consumeEngine(e, s.shotBytes, 256, 64);
    K7AcqStatistics st{};
    K7AcqGetStatistics(e, &st);
    K7AcqClose(e);
    KARVO7Close(card);
    counts.into(p);
    p.read = st.shotsRead - st.shotsDropped;
    p.lost = st.shotsLost;
    p.ran = true;
    return p;
}

Point stream(uint32_t samples, double seconds) {
    Point p;
    karvo7::StreamOptions o;
    o.card = 1;
    o.sets = {1};
    o.seconds = seconds;
    o.overrides.samples = samples;
    o.overrides.shotRate = kRate;
    o.output = "/tmp/frontier_bench" + std::to_string(::getpid()) + ".k7";
    std::ostringstream err;
    const CardCounts counts;
    karvo7::runStream(o, STDOUT_FILENO, err);
    counts.into(p);
    ::unlink(o.output.c_str());
    const std::string text = err.str();
    const std::size_t at = text.rfind("karvo7: ", 0) == 0 ? 8 : 0;
    unsigned long long read = 0;
    unsigned long long lost = 0;
    if (std::sscanf(text.c_str() + at, "%llu shots read, %llu shots lost", &read, &lost) != 2) {
        p.note = "stream failed: " + text;
        return p;
    }
    p.read = read;
    p.lost = lost;
    p.ran = true;
    return p;
}

Point python(uint32_t samples, double seconds) {
    Point p;
    const std::string script =
        "import karvo7, ctypes\n"
        "with karvo7.open_card(1) as card:\n"
        "    lib = card._library\n"
        "    def count(what):\n"
        "        v = ctypes.c_uint64(0)\n"
        "        lib.K7DrvTestCount(1, what, ctypes.byref(v))\n"
        "        return v.value\n"
        "    taken, dropped = count(1), count(2)\n"
        "    shots = 0\n"
        "    s = karvo7.ParameterSet(record_length=" +
        std::to_string(samples) +
        ", pulse_rate=20000)\n"
        "    stream = card.stream({1: s}, seconds=" +
        std::to_string(seconds) +
        ", results=True, lost_shots='count')\n"
        "    while True:\n"
        "        records = stream.next_records()\n"
        "        if not records:\n"
        "            break\n"
        "        shots += sum(not r.is_gates for r in records)\n"
        "    print(shots, stream.lost, count(1) - taken, count(2) - dropped)\n";
    const std::string file = "/tmp/frontier_bench" + std::to_string(::getpid()) + ".py";
    if (FILE* f = std::fopen(file.c_str(), "w")) {
        std::fputs(script.c_str(), f);
        std::fclose(f);
    }
    const std::string command = "/usr/bin/python3 " + file + " 2>&1";
    FILE* out = ::popen(command.c_str(), "r");
    char line[512] = {};
    std::string all;
    while (out != nullptr && std::fgets(line, sizeof line, out) != nullptr) {
        all = line;
    }
    if (out != nullptr) {
        ::pclose(out);
    }
    ::unlink(file.c_str());
    unsigned long long read = 0, lost = 0, taken = 0, cardLost = 0;
    if (std::sscanf(all.c_str(), "%llu %llu %llu %llu", &read, &lost, &taken, &cardLost) != 4) {
        p.note = "python failed: " + all;
        return p;
    }
    p.read = read;
    p.lost = lost;
    p.taken = taken;
    p.cardLost = cardLost;
    p.ran = true;
    return p;
}

struct NoWindows : k7check::RunWindows {
    struct Display : k7check::LiveDisplay {
        void show(const k7check::MeasuredDataInputs&) override {}
        void place(const k7check::Rect&) override {}
    };
    bool editSet(k7check::Session&, uint32_t, uint32_t, k7check::ParameterSet&) override {
        return false;
    }
    bool selectSets(k7check::Session&, std::array<bool, k7check::kSetsPerCard>&) override {
        return true;
    }
    void showData(k7check::Session&, const k7check::MeasuredDataInputs&) override {}
    void showGateValues(k7check::Session&, const uint8_t*, uint32_t) override {}
    std::unique_ptr<k7check::LiveDisplay> openDisplay(k7check::Session&,
                                                      const std::string&) override {
        return std::make_unique<Display>();
    }
};

Point setsRun(uint32_t samples, double seconds) {
    Point p;
    std::ostringstream log;
    const std::string ini = "/tmp/frontier_bench" + std::to_string(::getpid()) + ".ini";
    if (FILE* f = std::fopen(ini.c_str(), "w")) {
        std::fputs("[Init]\nVIRMA4=yes\n", f);
        std::fclose(f);
    }
    k7check::HeadlessDesktop desktop("/tmp/KARVO7Check", log);
    k7check::Session session(desktop);
    session.useParameterFile(ini);
    const bool started = session.startUp();
    ::unlink(ini.c_str());
    if (!started) {
        p.note = "no card";
        return p;
    }
    for (uint32_t s = 0; s <= 1; ++s) {
        k7check::ParameterSet& set = *session.editableSet(1, s);
        set.aufnahmelaenge = static_cast<uint16_t>(samples);
        set.iff = kRate;
    }
    session.selectCard(1);
    session.selectSet(1);
    k7check::MainWindowSettings& f = session.settings();
    f.kontinuierlich = true;
    f.prepAll = false;
    f.anzeige = false;
    f.zyklen = static_cast<uint32_t>(seconds * kRate / 2);  // passes over sets 0 and 1
    NoWindows windows;
    const CardCounts counts;
    const bool passed = k7check::runDataRateSets(session, windows);
    counts.into(p);
    const std::string line = session.fields().resultLines.back();
    unsigned long long lost = 0;
    const std::size_t at = line.find("FIFO-Überlauf, ");
    if (at != std::string::npos) {
        std::sscanf(line.c_str() + at, "FIFO-Überlauf, %llu", &lost);
    }
    p.lost = lost;
    p.read = passed ? uint64_t{f.zyklen} * 2 : p.taken - std::min<uint64_t>(p.taken, lost);
    p.note = passed ? "" : line;
    p.ran = true;
    return p;
}

using Consumer = Point (*)(uint32_t, double);

}  // namespace

int main(int argc, char* argv[]) {
    const double seconds = std::max<uint32_t>(1, option(argc, argv, "--seconds", 60));
    const uint32_t busyMode = std::min<uint32_t>(2, option(argc, argv, "--busy", 2));
    const bool withPython = option(argc, argv, "--python", 1) != 0;
    const bool holdUps = option(argc, argv, "--holdups", 0) != 0;
    std::vector<uint32_t> sizes{1600, 800, 400, 200, 100};
    if (const uint32_t one = option(argc, argv, "--samples", 0); one != 0) {
        // A set records at most 65535 samples a shot: a larger size would wrap to another.
        if (one > UINT16_MAX) {
            std::fprintf(stderr, "--samples %u: a shot has 1 to 65535 samples\n", one);
            return 2;
        }
        sizes = {one};
    }
    k7sim::Config config = k7sim::Config::defaults(1);
    config.persist = false;
    config.instance = "frontier_bench" + std::to_string(::getpid());
    k7sim::Simulator simulator(config);
    if (!simulator.install()) {
        std::fprintf(stderr, "no simulated card\n");
        return 1;
    }
    if (withPython) {
        // The Python consumer's own simulated card, configured as this one.
        const std::string conf = "/tmp/frontier_bench" + std::to_string(::getpid()) + ".conf";
        if (FILE* f = std::fopen(conf.c_str(), "w")) {
            std::fprintf(f, "[Simulator]\ncards = 1\npersist = no\ninstance = frontier_py%d\n",
                         static_cast<int>(::getpid()));
            std::fclose(f);
        }
        ::setenv("KARVO7_SIM", conf.c_str(), 1);
    }
    const char* only = k7bench::textOption(argc, argv, "--consumer");
    const std::vector<std::pair<const char*, Consumer>> consumers{{"bare", bare},
                                                                  {"engine", engine},
                                                                  {"stream", stream},
                                                                  {"python", python},
                                                                  {"sets", setsRun}};
    if (only != nullptr && std::none_of(consumers.begin(), consumers.end(), [&](const auto& c) {
            return std::strcmp(c.first, only) == 0;
        })) {
        std::fprintf(stderr, "no consumer %s (bare, engine, stream, python, sets)\n", only);
        return 2;
    }
    const WakeUps wakeUps = probeWakeUps(3.0);
    for (uint32_t samples : sizes) {
        std::printf("%u samples at %u Hz: ", samples, kRate);
        printWakeUps(wakeUps, fifoMs(kFifoBytes, shotBytes(samples), kRate));
    }
    for (uint32_t b = 0; b <= 1; ++b) {
        if ((busyMode == 0 && b == 1) || (busyMode == 1 && b == 0)) {
            continue;
        }
        std::printf("\n%s, %.0f s a point%s\n", b ? "beside one busy process" : "quiet", seconds,
                    holdUps ? ", the process held up now and then" : "");
        std::printf("%-8s %7s %12s %12s %10s %10s %10s\n", "consumer", "samples", "read", "taken",
                    "read/taken", "lost", "card lost");
        std::map<std::string, uint32_t> frontier;
        for (const auto& [name, consumer] : consumers) {
            if ((!withPython && std::strcmp(name, "python") == 0) ||
                (only != nullptr && std::strcmp(name, only) != 0)) {
                continue;
            }
            frontier[name] = 0;
            for (uint32_t samples : sizes) {
                Point p;
                {
                    BusyProcess busy(b != 0);
                    HoldUps heldUp(holdUps);
                    p = consumer(samples, seconds);
                }
                if (!p.ran) {
                    std::printf("%-8s %7u  %s\n", name, samples, p.note.c_str());
                    continue;
                }
                std::printf(
                    "%-8s %7u %12llu %12llu %10.6f %10llu %10llu%s%s\n", name, samples,
                    static_cast<unsigned long long>(p.read),
                    static_cast<unsigned long long>(p.taken),
                    p.taken > 0 ? static_cast<double>(p.read) / static_cast<double>(p.taken) : 0.0,
                    static_cast<unsigned long long>(p.lost),
                    static_cast<unsigned long long>(p.cardLost), p.note.empty() ? "" : "  ",
                    p.note.c_str());
                if (p.lost == 0 && p.cardLost == 0 && samples > frontier[name]) {
                    frontier[name] = samples;
                }
            }
        }
        const bool bareRan = frontier.count("bare") != 0;
        const uint32_t bareFrontier = bareRan ? frontier["bare"] : 0;
        for (const auto& [name, largest] : frontier) {
            if (!bareRan) {
                std::printf("frontier %-8s %5u samples (no bare loop to compare with)\n",
                            name.c_str(), largest);
                continue;
            }
            if (bareFrontier == 0) {
                // No ratio: the bare loop itself lost shots at every size.
                std::printf("frontier %-8s %5u samples (the bare loop lost at every size)\n",
                            name.c_str(), largest);
                continue;
            }
            std::printf("frontier %-8s %5u samples (ratio to bare %.2f, goal >= 1.0)\n",
                        name.c_str(), largest, static_cast<double>(largest) / bareFrontier);
        }
    }
    return 0;
}
