// Shots of an externally triggered set when no trigger comes: `karvo7 shot` and `karvo7 stream`
// wait the trigger wait of 10 s (of the library's clock, moved on by the test) and then say that
// no trigger came, not only the driver's word.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "Commands.h"
#include "InProcessCards.h"

namespace tooltest {
namespace {

class TriggerWaitTest : public InProcessCards {
  protected:
    void SetUp() override { install(config("trigger")); }

    // Runs `work` on a thread of its own while the cards' time moves on, 100 ms at a step.
    int whileTimePasses(const std::function<int()>& work) {
        std::atomic<bool> done{false};
        int code = -1;
        std::thread worker([&] {
            code = work();
            done = true;
        });
        while (!done) {
            clock.advance(100);
            sim->service();
            std::this_thread::yield();
        }
        worker.join();
        return code;
    }
};

TEST_F(TriggerWaitTest, AShotWithoutATriggerSaysThatNoneCame) {
    karvo7::ShotOptions o;
    o.card = 1;
    o.set = 1;
    o.overrides.externalTrigger = true;
    o.output = folder.file("shot.csv");
    std::ostringstream out, err;
    const uint32_t began = clock.now();
    EXPECT_EQ(whileTimePasses([&] { return karvo7::runShot(o, out, err); }), 1);
    EXPECT_NE(err.str().find("karvo7: shot 1: no trigger came within 10 s (the set waits for an "
                             "external trigger), error 0xE7060001 (no data within the data "
                             "time-out)\n"),
              std::string::npos)
        << err.str();
    EXPECT_GE(clock.now() - began, 10000u);
    EXPECT_FALSE(std::filesystem::exists(o.output));
}

TEST_F(TriggerWaitTest, AStreamWithoutATriggerSaysThatNoneCame) {
    karvo7::StreamOptions o;
    o.card = 1;
    o.sets = {1};
    o.count = 10;
    o.overrides.externalTrigger = true;
    o.output = folder.file("capture.k7");
    std::ostringstream err;
    EXPECT_EQ(whileTimePasses([&] { return karvo7::runStream(o, -1, err); }), 1);
    EXPECT_NE(err.str().find("karvo7: reading shot 1: no trigger came within 10 s (the set waits "
                             "for an external trigger), error 0xE7060001 (no data within the "
                             "data time-out)\n"),
              std::string::npos)
        << err.str();
}

}  // namespace
}  // namespace tooltest
