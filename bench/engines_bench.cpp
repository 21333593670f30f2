// Sixteen simulated cards on two PCI buses of 132 MB/s (eight on each), each read by an
// acquisition engine of its own (KARVO7Acquire) in a continuous block measurement, at the rate
// at which eight cards fill their bus, for a given time on the real clock. Prints the shots
// read, the shots lost and the overflow events of all engines together beside the shots the
// cards took and dropped by their own count (the driver boundary's test counts), and
// `shots read / shots taken: X` (goal 1.000000): the engines must read every shot the buses
// carry. Options:
//   --seconds T    how long the cards measure, default 10
//   --cards N      1 to 16, default 16; the first half on bus 1
//   --samples N    recording length, default 1600
//   --rate HZ      each card's shot rate, default: eight cards fill a bus (at most the card's
//                  highest rate, 20 kHz)
//   --busy 1       one competing busy process (a separate process at ordinary priority) beside
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BusyProcess.h"
#include "CardLoops.h"
#include "KARVO7Acquire.h"
#include "KARVO7DLL.h"
#include "KARVO7Driver.h"
#include "KARVO7Sim.h"
#include "LatencyProbe.h"
#include "TwoBuses.h"
#include "card/SetToCard.h"

namespace {

constexpr uint32_t kMostCards = 16;
constexpr uint32_t kCardsPerBus = 8;

using k7bench::option;
using k7bench::prepareCard;

// The cards' own count of `what` (K7DRV_COUNT_*), summed over cards 1 to `cards`.
uint64_t cardsCount(uint32_t cards, uint32_t what) {
    uint64_t sum = 0;
    for (uint32_t number = 1; number <= cards; ++number) {
        uint64_t value = 0;
        K7DrvTestCount(number, what, &value);
        sum += value;
    }
    return sum;
}

struct Card {
    KARVO7HANDLE handle = nullptr;
    K7AcqEngine* engine = nullptr;
    std::thread consumer;
};

}  // namespace

int main(int argc, char* argv[]) {
    const uint32_t seconds = std::max<uint32_t>(1, option(argc, argv, "--seconds", 10));
    const uint32_t cards =
        std::clamp<uint32_t>(option(argc, argv, "--cards", kMostCards), 1, kMostCards);
    const uint32_t samples = std::clamp<uint32_t>(option(argc, argv, "--samples", 1600), 1, 65535);
    const uint32_t shotBytes = 2 * samples + 6;
    const uint32_t busLimitHz = kBusMbPerSecond * 1000000u / (kCardsPerBus * shotBytes);
    const uint32_t rateHz = option(argc, argv, "--rate", std::min(busLimitHz, 20000u));
    const bool busy = option(argc, argv, "--busy", 0) != 0;

    k7sim::Simulator simulator(twoBuses(cards, "engines_bench"));
    if (!simulator.install()) {
        std::fprintf(stderr, "no simulated cards\n");
        return 1;
    }
    std::printf(
        "%u cards on 2 buses of %u MB/s, %u Hz x %u samples each (%.1f MB/s a card), "
        "%u s%s\n",
        cards, kBusMbPerSecond, rateHz, samples, rateHz * shotBytes / 1e6, seconds,
        busy ? ", one busy process beside them" : "");
    // Whether zero loss was possible: the machine's worst wake-up beside the FIFO's time.
    printWakeUps(probeWakeUps(3.0), fifoMs(simulator.config().fifoBytes, shotBytes, rateHz));
    std::vector<Card> running(cards);
    for (uint32_t i = 0; i < cards; ++i) {
        running[i].handle = KARVO7Open(i + 1);
        if (running[i].handle == nullptr || !prepareCard(running[i].handle, samples, rateHz)) {
            std::fprintf(stderr, "card %u could not be prepared\n", i + 1);
            return 1;
        }
    }
    K7AcqSettings settings;
    K7AcqDefaults(&settings);
    settings.shotBytes = shotBytes;
    settings.shotsPerSecond = rateHz;
    K7AcqStatistics total{};
    bool failed = false;
    const uint64_t takenBefore = cardsCount(cards, K7DRV_COUNT_SHOTS_TAKEN);
    const uint64_t droppedBefore = cardsCount(cards, K7DRV_COUNT_SHOTS_DROPPED);
    const auto begin = std::chrono::steady_clock::now();
    {
        BusyProcess competing(busy);
        for (Card& c : running) {
            uint32_t error = 0;
            if (K7AcqStart(c.handle, &settings, &c.engine, &error) == 0) {
                std::fprintf(stderr, "an engine did not start, error %X\n", error);
                return 1;
            }
            c.consumer =
                std::thread([&c, shotBytes] { k7bench::consumeEngine(c.engine, shotBytes); });
        }
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        for (Card& c : running) {
            uint32_t error = 0;
            K7AcqStop(c.engine, &error);
            c.consumer.join();
            K7AcqStatistics s{};
            K7AcqGetStatistics(c.engine, &s);
            total.shotsRead += s.shotsRead;
            total.shotsLost += s.shotsLost;
            total.overflowEvents += s.overflowEvents;
            total.bytesRead += s.bytesRead;
            total.realTime += s.realTime;
            failed = failed || s.error != 0;
            K7AcqClose(c.engine);
            KARVO7Close(c.handle);
        }
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const uint64_t taken = total.shotsRead + total.shotsLost;
    std::printf(
        "cards' own count: %llu shots taken, %llu dropped (engines: %llu lost)\n",
        static_cast<unsigned long long>(cardsCount(cards, K7DRV_COUNT_SHOTS_TAKEN) - takenBefore),
        static_cast<unsigned long long>(cardsCount(cards, K7DRV_COUNT_SHOTS_DROPPED) -
                                        droppedBefore),
        static_cast<unsigned long long>(total.shotsLost));
    std::printf(
        "engines: %llu shots read, %llu shots lost, %llu overflow events (%u of %u "
        "reading in real time)\n",
        static_cast<unsigned long long>(total.shotsRead),
        static_cast<unsigned long long>(total.shotsLost),
        static_cast<unsigned long long>(total.overflowEvents), total.realTime, cards);
    std::printf("data: %.1f MB/s of the buses' %u\n",
                static_cast<double>(total.bytesRead) / elapsed / 1e6,
                kBusMbPerSecond * (cards > 1 ? 2 : 1));
    std::printf(
        "shots read / shots taken: %.6f (goal 1.000000)\n",
        taken > 0 ? static_cast<double>(total.shotsRead) / static_cast<double>(taken) : 0.0);
    return failed ? 1 : 0;
}
