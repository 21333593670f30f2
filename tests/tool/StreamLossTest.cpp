// `karvo7 stream` called directly on a simulated card in this process whose FIFO holds a single
// shot: the shots its summary names lost are the card's own count of the shots it dropped (the
// driver boundary's test interface), exactly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <sstream>

#include "Commands.h"
#include "KARVO7Sim.h"
#include "ToolProcess.h"

namespace tooltest {
namespace {

TEST(StreamLoss, TheSummarysLostShotsAreTheCardsOwnCount) {
    TempFolder folder;
    k7sim::Config c = k7sim::Config::defaults(1);
    c.persist = false;
    c.lockDir = folder.path();
    c.instance = "loss" + std::to_string(::getpid());
    c.fifoBytes = 4000;
    auto sim = std::make_unique<k7sim::Simulator>(c);
    ASSERT_TRUE(sim->install());

    karvo7::StreamOptions s;
    s.card = 1;
    s.sets = {1};
    s.count = 200;
    s.output = folder.file("capture.k7");
    std::ostringstream err;
    const int code = karvo7::runStream(s, -1, err);
    unsigned long long read = 0;
    unsigned long long lost = 0;
    unsigned long long events = 0;
    ASSERT_EQ(std::sscanf(err.str().c_str(),
                          "karvo7: %llu shots read, %llu shots lost, %llu overflow events;", &read,
                          &lost, &events),
              3)
        << err.str();
    uint64_t dropped = 0;
    ASSERT_EQ(K7DrvTestCount(1, K7DRV_COUNT_SHOTS_DROPPED, &dropped), 1);
    EXPECT_EQ(read, 200u);
    EXPECT_EQ(lost, dropped) << err.str();
    EXPECT_EQ(code, lost > 0 ? 1 : 0) << err.str();
    EXPECT_EQ(events > 0, lost > 0) << err.str();
}

}  // namespace
}  // namespace tooltest
