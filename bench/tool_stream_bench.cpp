// `karvo7 stream` at the card's highest rate into a file against a bare KARVO7GetData loop on
// the same simulated card, both on the real clock, printed as `ratio stream/bare: X` (goal >=
// 0.95), and the shots the stream wrote against the shots the card took, printed as
// `shots read / shots taken: X` (goal 1.000000): the tool must take every shot the card
// delivers, as a program doing nothing else would. (The decoder's throughput is stream_bench's.)
// Options:
//   --rate HZ      the card's shot rate, default 20000 (its highest)
//   --samples N    recording length, default 1600
//   --shots N      shots of each measurement, default 40000
//   --seconds T    the stream runs T seconds instead (the bare loop still takes --shots)
//   --busy 1       one competing busy process (a separate process at ordinary priority) runs
//                  beside the measurements
//   --output FILE  where the stream goes, default a file in the temporary folder
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "BusyProcess.h"
#include "Commands.h"
#include "KARVO7DLL.h"
#include "KARVO7Sim.h"
#include "LatencyProbe.h"
#include "SetOptions.h"
#include "card/SetToCard.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    uint32_t rateHz = 20000;
    uint32_t samples = 1600;
    uint32_t shots = 40000;
    uint32_t seconds = 0;  // 0: the stream takes --shots
    bool busy = false;
    std::string output;
};

bool parseOptions(int argc, char* argv[], Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--output") {
            o.output = argv[i + 1];
            continue;
        }
        const unsigned long value = std::strtoul(argv[i + 1], nullptr, 10);
        if (name == "--busy") {
            o.busy = value != 0;
            continue;
        }
        if (value == 0) {
            return false;
        }
        if (name == "--rate") {
            o.rateHz = static_cast<uint32_t>(value);
        } else if (name == "--samples") {
            o.samples = static_cast<uint32_t>(value);
        } else if (name == "--shots") {
            o.shots = static_cast<uint32_t>(value);
        } else if (name == "--seconds") {
            o.seconds = static_cast<uint32_t>(value);
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

double seconds(Clock::time_point begin) {
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

// Shots a second a bare loop of KARVO7GetData reads in continuous mode; 0 when a read failed.
double bareRate(const Options& o) {
    KARVO7HANDLE card = KARVO7Open(1);
    if (card == nullptr) {
        return 0.0;
    }
    uint32_t error = 0;
    KARVO7WarmUp(card, &error);
    k7check::ParameterSet set;
    set.aufnahmelaenge = static_cast<uint16_t>(o.samples);
    set.iff = o.rateHz;
    KARVO7SetVIRMA4(card, 1, -11, &error);
    k7check::prepareSet(card, 1, k7check::cardRecordOf(set, 3), error);
    KARVO7SetMode(card, 1, &error);
    KARVO7ActiveParam(card, 0, 1, 0, 0, 0, 0, 0, 0, &error);
    KARVO7SetParam(card, 1, &error);
    KARVO7Stop(card, &error);
    KARVO7ClearFIFO(card, &error);
    std::vector<uint8_t> buffer(131084);
    const Clock::time_point begin = Clock::now();
    KARVO7Start(card, &error);
    uint32_t read = 0;
    for (; read < o.shots; ++read) {
        uint32_t count = static_cast<uint32_t>(buffer.size());
        if (KARVO7GetData(card, &count, buffer.data(), &error) == 0) {
            std::printf("bare loop failed after %u shots: GetData Error %X\n", read, error);
            break;
        }
    }
    const double s = seconds(begin);
    KARVO7Stop(card, &error);
    KARVO7ClearFIFO(card, &error);
    KARVO7Close(card);
    return read == o.shots ? read / s : 0.0;
}

struct StreamResult {
    double rate = 0.0;  // shots written a second; 0 when the stream failed
    uint64_t read = 0;  // shots in the output
    uint64_t lost = 0;  // shots the card took that are not in the output
    uint64_t overflowEvents = 0;
};

// `karvo7 stream` into `output`, with its summary's counts.
StreamResult streamRun(const Options& o, const std::string& output) {
    karvo7::StreamOptions s;
    s.card = 1;
    s.sets = {1};
    if (o.seconds != 0) {
        s.seconds = o.seconds;
    } else {
        s.count = o.shots;
    }
    s.overrides.samples = o.samples;
    s.overrides.shotRate = o.rateHz;
    s.output = output;
    std::ostringstream err;
    const Clock::time_point begin = Clock::now();
    const int code = karvo7::runStream(s, STDOUT_FILENO, err);
    const double elapsed = seconds(begin);
    StreamResult r;
    unsigned long long read = 0;
    unsigned long long lost = 0;
    unsigned long long events = 0;
    const std::string text = err.str();
    // The summary, behind the program's name when it names a failure.
    const std::size_t at = text.rfind("karvo7: ", 0) == 0 ? 8 : 0;
    if (std::sscanf(text.c_str() + at, "%llu shots read, %llu shots lost, %llu overflow events",
                    &read, &lost, &events) != 3) {
        std::printf("karvo7 stream failed: %s", text.c_str());
        return r;
    }
    if (code != 0) {
        std::printf("karvo7 stream lost shots: %s", text.c_str());
    }
    r.read = read;
    r.lost = lost;
    r.overflowEvents = events;
    r.rate = static_cast<double>(read) / elapsed;
    return r;
}

}  // namespace

int main(int argc, char* argv[]) {
    Options o;
    if (!parseOptions(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: tool_stream_bench [--rate HZ] [--samples N] [--shots N] [--seconds T] "
                     "[--busy 1] [--output FILE]\n");
        return 2;
    }
    k7sim::Config config = k7sim::Config::defaults(1);
    config.persist = false;
    config.instance = "tool_stream_bench" + std::to_string(::getpid());
    k7sim::Simulator simulator(config);
    if (!simulator.install()) {
        std::fprintf(stderr, "no simulated card\n");
        return 1;
    }
    // Whether zero loss was possible: the machine's worst wake-up beside the FIFO's time.
    printWakeUps(probeWakeUps(3.0), fifoMs(config.fifoBytes, 6 + 2 * o.samples, o.rateHz));
    // The library's lines about opening and closing go to standard output; the ratios follow.
    std::printf("card: %u Hz, %u samples, %u shots a measurement%s\n", o.rateHz, o.samples, o.shots,
                o.busy ? ", one busy process beside it" : "");
    const std::string output =
        o.output.empty() ? "/tmp/tool_stream_bench" + std::to_string(::getpid()) + ".k7" : o.output;
    double bare = 0.0;
    StreamResult stream;
    {
        BusyProcess busy(o.busy);
        bare = bareRate(o);
        stream = streamRun(o, output);
    }
    if (o.output.empty()) {
        ::unlink(output.c_str());
    }
    std::printf("bare GetData loop: %.0f shots/s\n", bare);
    std::printf("karvo7 stream:     %.0f shots/s into %s\n", stream.rate, output.c_str());
    std::printf("ratio stream/bare: %.3f (goal >= 0.95)\n", bare > 0 ? stream.rate / bare : 0.0);
    std::printf("karvo7 stream:     %llu shots read, %llu shots lost, %llu overflow events\n",
                static_cast<unsigned long long>(stream.read),
                static_cast<unsigned long long>(stream.lost),
                static_cast<unsigned long long>(stream.overflowEvents));
    const uint64_t taken = stream.read + stream.lost;
    std::printf("shots read / shots taken: %.6f (goal 1.000000)\n",
                taken > 0 ? static_cast<double>(stream.read) / static_cast<double>(taken) : 0.0);

    return bare > 0 && stream.rate > 0 ? 0 : 1;
}
