// The data-rate run "Karte n Satz n" with "kontinuierlich" through the check program's own
// logic and Qt desktop (offscreen), on a simulated card, against a bare KARVO7GetData loop on
// the same card, all timed on the real clock:
//  - the run's rate with "Anzeige" off against the card's rate ("rate / card rate") and against
//    the bare loop: the program must measure the card, not itself;
//  - the run's rate with "Anzeige" on ("Anzeigefaktor" 1) against "Anzeige" off: the live
//    display must not slow the measurement down.
// The card shoots at its highest rate (20 kHz at 1600 samples) unless told otherwise; a card
// whose reader falls behind overflows its FIFO like a real one, and the run then fails.
// Options:
//   --rate HZ      the card's shot rate (its "IFF"), default 20000
//   --samples N    recording length, default 1600
//   --shots N      shots per measurement ("Zyklen"), default 20000
//   --load N       N busy threads competing for the processors meanwhile, default 0
//   --busy 1       one competing busy process (a separate process at ordinary priority) beside
//                  the runs
// The sets run "Karte n Sätze 1..n" (set 0 and set 1 in turn, continuous) prints the shots its
// reads took against the shots the card took, `shots read / shots taken: X` (goal 1.000000).
// A failed run prints its line and makes the program end with 1; a bare loop that falls behind
// (it reads at ordinary priority) is reported as such.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BusyProcess.h"
#include "KARVO7DLL.h"
#include "KARVO7Sim.h"
#include "LatencyProbe.h"
#include "QtDesktop.h"
#include "ViewRegistry.h"
#include "app/Session.h"
#include "card/SetToCard.h"
#include "runs/DataRateRuns.h"
#include "runs/ProgramRunWindows.h"

namespace {

struct Options {
    uint32_t rateHz = 20000;
    uint32_t samples = 1600;
    uint32_t shots = 20000;
    uint32_t load = 0;
    uint32_t busy = 0;
};

bool parseNumber(const char* text, uint32_t low, uint32_t high, uint32_t& value) {
    char* end = nullptr;
    const unsigned long number = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || number < low || number > high) {
        return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

bool parseOptions(int argc, char* argv[], Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        const char* value = argv[++i];
        bool ok = false;
        if (name == "--rate") {
            ok = parseNumber(value, 1, 1000000, options.rateHz);
        } else if (name == "--samples") {
            ok = parseNumber(value, 16, 65535, options.samples);
        } else if (name == "--shots") {
            ok = parseNumber(value, 10, 100000000, options.shots);
        } else if (name == "--load") {
            ok = parseNumber(value, 0, 64, options.load);
        } else if (name == "--busy") {
            ok = parseNumber(value, 0, 1, options.busy);
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

// Threads that keep processors busy while they live.
class BusyThreads {
  public:
    explicit BusyThreads(uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) {
            threads_.emplace_back([this] {
                volatile uint64_t spins = 0;
                while (!stop_.load(std::memory_order_relaxed)) {
                    spins = spins + 1;
                }
            });
        }
    }
    ~BusyThreads() {
        stop_ = true;
        for (std::thread& t : threads_) {
            t.join();
        }
    }
    BusyThreads(const BusyThreads&) = delete;
    BusyThreads& operator=(const BusyThreads&) = delete;

  private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

k7sim::Config benchConfig() {
    k7sim::Config c = k7sim::Config::defaults(1);
    c.persist = false;
    c.instance = "run_bench" + std::to_string(::getpid());
    return c;
}

// Shots per second a bare loop of KARVO7GetData reads from the card in continuous mode; 0 when
// a read failed (printed).
double bareRate(k7check::Session& session, uint32_t shots) {
    KARVO7HANDLE card = session.card(1);
    const k7check::ParameterSet& set = *session.editableSet(1, 1);
    uint32_t error = 0;
    k7check::prepareSet(card, 1, k7check::cardRecordOf(set, 3), error);
    KARVO7SetMode(card, 1, &error);
    KARVO7ActiveParam(card, 0, 1, 0, 0, 0, 0, 0, 0, &error);
    KARVO7ClearFIFO(card, &error);
    std::vector<uint8_t> buffer(131072);
    const auto begin = std::chrono::steady_clock::now();
    KARVO7Start(card, &error);
    uint32_t read = 0;
    for (; read < shots; ++read) {
        uint32_t count = static_cast<uint32_t>(buffer.size());
        if (KARVO7GetData(card, &count, buffer.data(), &error) == 0) {
            std::printf("bare loop failed after %u shots: GetData Error %X\n", read, error);
            break;
        }
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - begin;
    KARVO7Stop(card, &error);
    KARVO7ClearFIFO(card, &error);
    return read == shots ? read / elapsed.count() : 0.0;
}

// The rate of the run as its result line reports it ("... -> %6.2f Hz  OK"); 0 when the run
// failed (its line printed).
double runRate(k7check::Session& session, bool display) {
    session.settings().anzeige = display;
    k7check::ProgramRunWindows windows;
    const bool ok = k7check::runDataRateOneSet(session, windows);
    const std::string& line = session.fields().resultLines.back();
    const size_t arrow = line.find("-> ");
    if (!ok || arrow == std::string::npos) {
        std::printf("run, Anzeige %s failed: %s\n", display ? "on" : "off", line.c_str());
        return 0.0;
    }
    return std::atof(line.c_str() + arrow + 3);
}

double ratio(double a, double b) {
    return b > 0 ? a / b : 0.0;
}

// The sets run over set 1 (with set 0, continuous): the shots it read against the shots the card
// took, from the card's count of lost shots; 0 when it failed otherwise (its line printed).
double setsRunShare(k7check::Session& session, k7sim::Simulator& simulator, uint32_t shots) {
    session.settings().anzeige = false;
    session.selectSet(1);
    *session.editableSet(1, 0) = *session.editableSet(1, 1);
    const uint64_t droppedBefore = simulator.droppedShots(1);
    k7check::ProgramRunWindows windows;
    const bool ok = k7check::runDataRateSets(session, windows);
    const uint64_t lost = simulator.droppedShots(1) - droppedBefore;
    const std::string& line = session.fields().resultLines.back();
    std::printf("sets run: %s\n", line.c_str());
    const double read = 2.0 * shots;  // sets 0 and 1, "Zyklen" passes
    if (ok) {
        std::printf("sets run: %.0f shots read, %llu shots lost at the card\n", read,
                    static_cast<unsigned long long>(lost));
        return read / (read + static_cast<double>(lost));
    }
    return lost > 0 ? 0.0 : -1.0;
}

}  // namespace

int main(int argc, char* argv[]) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: run_bench [--rate HZ] [--samples N] [--shots N] [--load THREADS] "
                     "[--busy 1]\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    k7qt::registerProgramViews();
    k7sim::Simulator simulator(benchConfig());
    if (!simulator.install()) {
        std::fprintf(stderr, "no simulated card\n");
        return 1;
    }
    // Whether zero loss was possible: the machine's worst wake-up beside the FIFO's time.
    printWakeUps(probeWakeUps(3.0),
                 fifoMs(simulator.config().fifoBytes, 6 + 2 * options.samples, options.rateHz));
    k7qt::QtDesktop desktop;
    k7check::Session session(desktop);
    if (!session.startUp()) {
        return 1;
    }
    session.selectCard(1);
    session.selectSet(1);
    session.settings().kontinuierlich = true;
    session.settings().prepAll = false;
    session.settings().random = false;
    session.settings().dma = true;
    session.settings().anzeigefaktor = 1;
    session.settings().zyklen = options.shots;
    session.editableSet(1, 1)->aufnahmelaenge = static_cast<uint16_t>(options.samples);
    session.editableSet(1, 1)->iff = options.rateHz;

    std::printf("card: %u Hz, %u samples, %u shots a measurement, %u busy thread(s)%s\n",
                options.rateHz, options.samples, options.shots, options.load,
                options.busy != 0 ? ", one busy process" : "");
    double bare = 0.0;
    double off = 0.0;
    double on = 0.0;
    double setsShare = 0.0;
    {
        BusyProcess busy(options.busy != 0);
        BusyThreads load(options.load);
        bare = bareRate(session, options.shots);
        off = runRate(session, false);
        on = runRate(session, true);
        setsShare = setsRunShare(session, simulator, options.shots);
    }
    if (bare > 0) {
        std::printf("bare GetData loop: %.0f shots/s (%.2f of the card's rate)\n", bare,
                    ratio(bare, options.rateHz));
    } else {
        std::printf("bare GetData loop: did not keep up\n");
    }
    std::printf("run, Anzeige off:  %.0f shots/s\n", off);
    std::printf("run, Anzeige on:   %.0f shots/s\n", on);
    std::printf("ratio display on/off: %.2f (goal >= 0.90)\n", ratio(on, off));
    std::printf("rate / card rate: %.2f (goal >= %.2f)\n", ratio(off, options.rateHz),
                options.load > 0 ? 0.90 : 0.95);
    if (bare > 0) {
        std::printf("rate / bare loop: %.2f\n", ratio(off, bare));
    }
    if (setsShare >= 0) {
        std::printf("sets run, shots read / shots taken: %.6f (goal 1.000000)\n", setsShare);
    }
    // The bare loop is the reference, not the program: only a failed run fails the benchmark.
    return off > 0 && on > 0 ? 0 : 1;
}
