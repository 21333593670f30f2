// The data-rate run "Karte n Satz n" with "kontinuierlich" through the check program's own
// logic and Qt desktop (offscreen), on a simulated card (recording length 1600, 2000 shots),
// reported as ratios in one run. The card shoots at 5 kHz: the simulated card computes every
// echo on the CPU and cannot keep its nominal 20 kHz at this length on a shared machine, and a
// card that falls behind overflows its FIFO like a real one.
//  - the run's rate with "Anzeige" off against the rate a bare KARVO7GetData loop reads from the
//    same card: the program must measure the card, not itself;
//  - the run's rate with "Anzeige" on ("Anzeigefaktor" 1) against "Anzeige" off: the live
//    display must not slow the measurement down.
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "KARVO7Sim.h"
#include "ProgramRunWindows.h"
#include "QtDesktop.h"
#include "Session.h"
#include "SetToCard.h"
#include "ViewRegistry.h"
#include "windows/measurement/DataRateRuns.h"

namespace {

constexpr uint32_t kShots = 2000;
constexpr uint32_t kCardRateHz = 5000;

k7sim::Config benchConfig() {
    k7sim::Config c = k7sim::Config::defaults(1);
    c.persist = false;
    c.instance = "run_bench" + std::to_string(::getpid());
    return c;
}

// Shots per second a bare loop of KARVO7GetData reads from the card in continuous mode.
double bareRate(k7check::Session& session) {
    KARVO7HANDLE card = session.card(1);
    const k7check::ParameterSet& set = session.parameterSets().set(1, 1);
    uint32_t error = 0;
    k7check::prepareSet(card, 1, k7check::cardRecordOf(set, 3), error);
    KARVO7SetMode(card, 1, &error);
    KARVO7ActiveParam(card, 0, 1, 0, 0, 0, 0, 0, 0, &error);
    std::vector<uint8_t> buffer(131072);
    const auto begin = std::chrono::steady_clock::now();
    KARVO7Start(card, &error);
    uint32_t shots = 0;
    for (uint32_t i = 0; i < kShots; ++i) {
        uint32_t count = static_cast<uint32_t>(buffer.size());
        if (KARVO7GetData(card, &count, buffer.data(), &error) == 0) {
            std::fprintf(stderr, "bare loop: GetData Error %X\n", error);
            break;
        }
        ++shots;
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - begin;
    KARVO7Stop(card, &error);
    KARVO7ClearFIFO(card, &error);
    return shots / elapsed.count();
}

// The rate of the run as its result line reports it ("... -> %6.2f Hz  OK").
double runRate(k7check::Session& session, bool display) {
    session.fields.anzeige = display;
    k7check::ProgramRunWindows windows;
    k7check::runDataRateOneSet(session, windows);
    const std::string& line = session.fields.resultLines.back();
    const size_t arrow = line.find("-> ");
    if (arrow == std::string::npos) {
        std::fprintf(stderr, "run failed: %s\n", line.c_str());
        return 0.0;
    }
    return std::atof(line.c_str() + arrow + 3);
}

}  // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    k7qt::registerProgramViews();
    k7sim::Simulator simulator(benchConfig());
    if (!simulator.install()) {
        std::fprintf(stderr, "no simulated card\n");
        return 1;
    }
    k7qt::QtDesktop desktop;
    k7check::Session session(desktop);
    if (!session.startUp()) {
        return 1;
    }
    session.fields.karte = 1;
    session.fields.parametersatz = 1;
    session.fields.kontinuierlich = true;
    session.fields.prepAll = false;
    session.fields.random = false;
    session.fields.dma = true;
    session.fields.anzeigefaktor = 1;
    session.fields.zyklen = kShots;
    session.parameterSets().set(1, 1).aufnahmelaenge = 1600;
    session.parameterSets().set(1, 1).iff = kCardRateHz;

    const double card = bareRate(session);
    const double off = runRate(session, false);
    const double on = runRate(session, true);
    std::printf("bare GetData loop: %.0f shots/s\n", card);
    std::printf("run, Anzeige off:  %.0f shots/s\n", off);
    std::printf("run, Anzeige on:   %.0f shots/s\n", on);
    std::printf("ratio display on/off: %.2f\n", off > 0 ? on / off : 0.0);
    std::printf("rate / card rate: %.2f\n", card > 0 ? off / card : 0.0);
    return 0;
}
