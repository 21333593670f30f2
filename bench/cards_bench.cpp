// The data-rate run "Karten 1..n Satz n" (single shots, "DMA") through the check program's own
// logic and Qt desktop (offscreen) on sixteen simulated cards, eight on each of two PCI buses
// of 132 MB/s, reported as ratios in one run:
//  - the cards' data in MB/s (all cards together, from the rate the run's line reports)
//    against what the two buses can carry: the run must meet the rack's limit, the bus, not
//    a limit of its own. Every card could deliver 64 MB/s at 1600 samples, eight on a bus ask
//    for 512: the buses are the bottleneck;
//  - the run's rate with "Anzeige" on (sixteen tiled live displays, "Anzeigefaktor" 1)
//    against "Anzeige" off.
// Options: --samples N (recording length, default 1600), --cycles N (shots per card, default
// 4000), --cards N (1 to 16, default 16; the first half on bus 1). With one card the run shows
// the card's own limit instead: single shots one after another at most at 20 kHz. Exits
// non-zero when a run fails.
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "KARVO7Sim.h"
#include "LatencyProbe.h"
#include "QtDesktop.h"
#include "TwoBuses.h"
#include "ViewRegistry.h"
#include "app/Session.h"
#include "runs/DataRateRuns.h"
#include "runs/ProgramRunWindows.h"

namespace {

constexpr uint32_t kMostCards = 16;

// The per-card rate of the run as its result line reports it ("... -> %6.2f Hz  OK"); 0
// when the run failed.
double runRate(k7check::Session& session, bool display) {
    session.settings().anzeige = display;
    k7check::ProgramRunWindows windows;
    const bool ok = k7check::runDataRateCards(session, windows);
    const std::string& line = session.fields().resultLines.back();
    const size_t arrow = line.find("-> ");
    if (!ok || arrow == std::string::npos) {
        std::fprintf(stderr, "run failed: %s\n", line.c_str());
        return 0.0;
    }
    return std::atof(line.c_str() + arrow + 3);
}

uint32_t option(int argc, char* argv[], const char* name, uint32_t fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return static_cast<uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
        }
    }
    return fallback;
}

}  // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const uint32_t samples = option(argc, argv, "--samples", 1600);
    const uint32_t cycles = option(argc, argv, "--cycles", 4000);
    const uint32_t cards =
        std::clamp<uint32_t>(option(argc, argv, "--cards", kMostCards), 1, kMostCards);
    const uint32_t buses = cards > 1 ? 2 : 1;
    QApplication application(argc, argv);
    k7qt::registerProgramViews();
    k7sim::Simulator simulator(twoBuses(cards, "cards_bench"));
    if (!simulator.install()) {
        std::fprintf(stderr, "no simulated cards\n");
        return 1;
    }
    // The cards' FIFO time at the rate a card shoots 1600 samples unless its set says less.
    printWakeUps(probeWakeUps(3.0), fifoMs(simulator.config().fifoBytes, 6 + 2 * samples, 20000));
    k7qt::QtDesktop desktop;
    k7check::Session session(desktop);
    if (!session.startUp()) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    session.selectCard(cards);
    session.selectSet(1);
    session.settings().kontinuierlich = false;
    session.settings().prepAll = false;
    session.settings().random = false;
    session.settings().dma = true;
    session.settings().anzeigefaktor = 1;
    session.settings().zyklen = cycles;
    for (uint32_t k = 1; k <= cards; ++k) {
        session.editableSet(k, 1)->aufnahmelaenge = static_cast<uint16_t>(samples);
        session.editableSet(k, 1)->iff = 0;  // the card's fastest, 20 kHz
    }

    const double off = runRate(session, false);
    const double on = runRate(session, true);
    const double bytesPerShot = 2.0 * samples;
    const double limit = buses * kBusMbPerSecond;
    const double mbOff = off * cards * bytesPerShot / 1e6;
    const double mbOn = on * cards * bytesPerShot / 1e6;
    std::printf("%u cards on %u buses, %u samples, %u shots per card\n", cards, buses, samples,
                cycles);
    std::printf("buses' limit:      %.0f MB/s\n", limit);
    std::printf("run, Anzeige off:  %.1f MB/s (%.0f shots/s per card)\n", mbOff, off);
    std::printf("run, Anzeige on:   %.1f MB/s (%.0f shots/s per card)\n", mbOn, on);
    std::printf("ratio cards run / bus limit: %.2f\n", mbOff / limit);
    std::printf("ratio display on/off: %.2f\n", off > 0 ? on / off : 0.0);
    return off > 0 && on > 0 ? 0 : 1;
}
