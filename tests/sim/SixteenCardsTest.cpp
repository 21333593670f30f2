// A full rack: sixteen simulated cards on two PCI buses, from a configuration file, opened and
// warmed up through the library, each delivering its own data.
#include "SimFixture.h"

using namespace simtest;

namespace {

std::string rackConfiguration() {
    std::string text = "[Simulator]\nversion = 1\ncards = 16\nworker = no\npersist = no\n";
    for (int n = 1; n <= 16; ++n) {
        text += "[Card" + std::to_string(n) + "]\nbus = " + (n <= 8 ? "1" : "2") +
                "\nslot = " + std::to_string(8 + (n - 1) % 8) + "\n";
    }
    return text;
}

TEST(SixteenCards, OnTwoBusesEachOpensWarmsUpAndDeliversItsOwnShot) {
    k7sim::Config config;
    std::string error;
    ASSERT_TRUE(k7sim::Config::parse(rackConfiguration(), config, error)) << error;
    ASSERT_EQ(config.cards.size(), 16u);
    config.lockDir = lockFolder();
    config.instance = "rack";
    VirtualClock clock{1000};
    k7sim::Simulator sim(config);
    ASSERT_TRUE(sim.install());
    std::vector<KARVO7HANDLE> cards;
    for (uint32_t n = 1; n <= 17; ++n) {
        KARVO7HANDLE h = KARVO7Open(n);
        if (h != nullptr) {
            cards.push_back(h);
        }
    }
    ASSERT_EQ(cards.size(), 16u);  // and no seventeenth
    std::vector<Bytes> shots;
    for (size_t i = 0; i < cards.size(); ++i) {
        SCOPED_TRACE(i + 1);
        KARVO7HANDLE h = cards[i];
        uint32_t err = 1;
        ASSERT_EQ(KARVO7WarmUp(h, &err), 1);
        uint32_t bus = 0, slot = 0;
        ASSERT_EQ(KARVO7GetCardPosition(h, &bus, &slot, &err), 1);
        EXPECT_EQ(bus, i < 8 ? 1u : 2u);
        EXPECT_EQ(slot, 8u + i % 8);
        ASSERT_TRUE(prepare(h, 0, defaultSet()));
        ASSERT_EQ(KARVO7Start(h, &err), 1);
    }
    // Every card's shot waits in its own FIFO; the reads collect them card by card.
    for (KARVO7HANDLE h : cards) {
        Bytes buffer(131072);
        uint32_t count = static_cast<uint32_t>(buffer.size()), err = 0;
        ASSERT_EQ(KARVO7StartGetData(h, &count, buffer.data(), nullptr, &err), 1);
        ASSERT_EQ(KARVO7IsReadyGetDataIntReturn(h, &count, &err), 0) << std::hex << err;
        buffer.resize(count);
        shots.push_back(buffer);
    }
    for (size_t i = 0; i < shots.size(); ++i) {
        SCOPED_TRACE(i + 1);
        ASSERT_EQ(shots[i].size(), 3200u);
        // The interface echo of the delay line at 2 us (sample 80 at 40 MHz) clips.
        const auto s = samples16(shots[i], shots[i].size());
        int peak = 0;
        for (size_t k = 60; k < 100; ++k) {
            peak = std::max(peak, std::abs(static_cast<int>(s[k])));
        }
        EXPECT_GE(peak, 0x7FF0);
        // Each card has its own noise.
        if (i > 0) {
            EXPECT_NE(shots[i], shots[i - 1]);
        }
    }
    for (KARVO7HANDLE h : cards) {
        KARVO7Close(h);
    }
}

}  // namespace
