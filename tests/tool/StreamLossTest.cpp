// karvo7 stream's count of lost shots is the simulated card's own count of the shots it dropped
// (the driver boundary's test interface), exactly: overflows while the stream runs, each of
// more than two turns of the card's 8-bit shot counter, and one in its last shots before it
// stops at its count. The card's time moves only when the test moves it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>

#include "Commands.h"
#include "InProcessCards.h"
#include "KARVO7Driver.h"

namespace tooltest {
namespace {

class StreamLossTest : public InProcessCards {
  protected:
    static uint64_t cardCount(uint32_t what) {
        uint64_t value = 0;
        EXPECT_EQ(K7DrvTestCount(1, what, &value), 1);
        return value;
    }
};

TEST_F(StreamLossTest, TheSummarysLostShotsAreTheCardsOwnCount) {
    install(config("streamloss"));
    karvo7::StreamOptions o;
    o.card = 1;
    o.sets = {1};
    o.count = 2000;
    o.overrides.samples = 1600;
    o.overrides.shotRate = 20000;  // 20 shots a millisecond of the card's time
    o.output = folder.file("capture.k7");
    std::ostringstream err;
    std::atomic<bool> done{false};
    int code = -1;
    std::thread stream([&] {
        code = karvo7::runStream(o, -1, err);
        done = true;
    });
    // While the FIFO is empty (every shot the card kept is read), the card's time moves on a
    // millisecond; at three points by 30 ms at once (600 shots, of which the FIFO keeps about
    // 80). The last comes 50 shots before the count: the stream stops with the overflow's
    // shots still in the FIFO.
    const uint64_t holdUpsAt[] = {400, 1000, 1950};
    std::size_t holdUps = 0;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done) {
        ASSERT_LT(std::chrono::steady_clock::now(), limit) << err.str();
        if (sim->fifoBytes(1) == 0) {
            const uint64_t read =
                cardCount(K7DRV_COUNT_SHOTS_TAKEN) - cardCount(K7DRV_COUNT_SHOTS_DROPPED);
            const bool holdUp = holdUps < std::size(holdUpsAt) && read >= holdUpsAt[holdUps];
            clock.advance(holdUp ? 30 : 1);
            holdUps += holdUp ? 1 : 0;
            sim->service();
        }
        std::this_thread::yield();
    }
    stream.join();
    ASSERT_EQ(holdUps, 3u);
    const std::string text = err.str();
    const std::size_t at = text.rfind("shots read, ");
    ASSERT_NE(at, std::string::npos) << text;
    const std::size_t from = text.rfind(' ', at - 2) + 1;
    unsigned long long read = 0;
    unsigned long long lost = 0;
    ASSERT_EQ(std::sscanf(text.c_str() + from, "%llu shots read, %llu shots lost", &read, &lost), 2)
        << text;
    const uint64_t dropped = cardCount(K7DRV_COUNT_SHOTS_DROPPED);
    ASSERT_GT(dropped, 3 * 256u);
    EXPECT_EQ(lost, dropped) << text;
    EXPECT_EQ(read, 2000u);
    EXPECT_EQ(code, 1);  // shots lost: the capture has gaps
}

}  // namespace
}  // namespace tooltest
