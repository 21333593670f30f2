// The engine's parts on their own: the card's 8-bit shot counter unwrapped, the shots lost
// counted from time stamps, and the ring's whole items around its end.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Ring.h"
#include "ShotCounter.h"
#include "StampGaps.h"

namespace {

using k7acquire::Ring;
using k7acquire::ShotCounter;

TEST(ShotCounter, AfterAnOverflowTheTimePassedSaysHowOftenTheCounterTurned) {
    ShotCounter c(20000);  // 20 shots a millisecond
    c.begin(250, 1000);
    EXPECT_EQ(c.advance(4, 1000, 0, false), 10u);  // a wrap within the same millisecond
    // 20 ms: 400 shots, the counter moved 400 mod 256 = 144.
    EXPECT_EQ(c.advance(148, 1020, 10, true), 410u);
    // 1 s: 20000 shots.
    EXPECT_EQ(c.advance(static_cast<uint8_t>(148 + 20000), 2020, 410, true), 20410u);
    // Six shots on the counter, but 290 were read: whole turns were missed.
    EXPECT_EQ(c.advance(static_cast<uint8_t>(148 + 20000 + 6), 2020, 20700, true), 20928u);
}

TEST(ShotCounter, ASlowerCardThanConfiguredIsCountedAtTheRateMeasured) {
    ShotCounter c(20000);
    c.begin(0, 0);
    // 1000 shots a second, read in time: 64 shots every 64 ms.
    uint64_t taken = 0;
    for (uint32_t ms = 64; ms <= 640; ms += 64) {
        taken = c.advance(static_cast<uint8_t>(ms), ms, ms, false);
    }
    EXPECT_EQ(taken, 640u);
    // Then 1 s behind: 1000 shots, not the 20000 the configured rate would have taken.
    EXPECT_EQ(c.advance(static_cast<uint8_t>(1640), 1640, 640, true), 1640u);
}

TEST(ShotCounter, AHoldUpTheFifoKeptTurnsTheCounterTooAndTheTimePassedSaysHowOften) {
    const auto afterAHoldUp = [](bool steady) {
        ShotCounter c(1000);
        c.steady(steady);
        c.begin(0, 0);
        // 64 shots every 64 ms, read in time, for 192 ms: the rate is measured.
        for (uint32_t ms = 64; ms <= 192; ms += 64) {
            EXPECT_EQ(c.advance(static_cast<uint8_t>(ms), ms, ms, false), ms);
        }
        // The reading thread held up 500 ms while the FIFO kept every shot: no overflow, but
        // the counter moved 500 mod 256 = 244 and only 64 more shots were read yet.
        return c.advance(static_cast<uint8_t>(692), 692, 256, false);
    };
    EXPECT_EQ(afterAHoldUp(true), 692u);
    // An externally triggered card may have paused instead: its counter counts.
    EXPECT_EQ(afterAHoldUp(false), 436u);
}

TEST(ShotCounter, FrequentOverflowsLeaveTheMeasuredRateAsTheCardsNotTheReads) {
    ShotCounter c(20000);
    c.begin(0, 0);
    uint64_t taken = 0;
    uint64_t read = 0;
    uint32_t ms = 0;
    // Forty times (160 ms without an overflow, enough to measure the rate): 4 ms without an
    // overflow (80 shots, 64 read, 16 still in the FIFO), then 6 ms to an overflow (120 shots,
    // 40 read, the rest lost).
    for (int i = 0; i < 40; ++i) {
        ms += 4;
        taken += 80;
        read += 64;
        ASSERT_EQ(c.advance(static_cast<uint8_t>(taken), ms, read, false), taken);
        ms += 6;
        taken += 120;
        read += 40;
        ASSERT_EQ(c.advance(static_cast<uint8_t>(taken), ms, read, true), taken);
    }
    // 50 ms to the next overflow: 1000 shots at the card's 20 kHz (the reads measure 16 kHz).
    EXPECT_EQ(c.advance(static_cast<uint8_t>(taken + 1000), ms + 50, read, true), taken + 1000);
}

TEST(ShotCounter, WithoutARateOnlyTheShotsReadBoundTheCount) {
    ShotCounter c(0);
    c.begin(0, 0);
    EXPECT_EQ(c.advance(100, 5000, 0, true), 100u);
    EXPECT_EQ(c.advance(110, 6000, 300, true), 366u);  // 110 + 256 >= 300
    // Nor does the time passed without an overflow: a card of unknown rate may be triggered in
    // bursts, and 20 s of shots at the rate measured are no reason to think the counter turned.
    for (uint32_t i = 1; i <= 4; ++i) {
        c.advance(static_cast<uint8_t>(110 + 64 * i), 6000 + 64 * i, 366 + 64 * i, false);
    }
    EXPECT_EQ(c.advance(static_cast<uint8_t>(110 + 64 * 4 + 10), 26256, 632, false), 632u);
}

// A shot of the record layout with a time-stamp prefix, then its record's header.
std::vector<uint8_t> stamped(uint32_t stamp) {
    std::vector<uint8_t> shot(20, 0);
    shot[0] = 0xFF;
    std::memcpy(&shot[4], &stamp, sizeof stamp);
    shot[8] = 0x60;
    return shot;
}

TEST(StampGaps, GapsCountWholePeriodsAcrossTheStampsWrapAndNothingElse) {
    k7acquire::StampGaps gaps;
    const auto lost = [&](uint32_t stamp) {
        const std::vector<uint8_t> shot = stamped(stamp);
        return gaps.lostBefore(shot.data(), static_cast<uint32_t>(shot.size()));
    };
    EXPECT_EQ(lost(0xFFFFFF00u), 0u);
    EXPECT_EQ(lost(0xFFFFFF32u), 0u);  // the period: 50 us
    EXPECT_TRUE(gaps.on());
    EXPECT_EQ(lost(0xFFFFFF64u + 50 * 300), 300u);    // across the wrap, 300 shots missing
    EXPECT_EQ(lost(0xFFFFFF64u + 50 * 301 + 2), 0u);  // a little jitter is no shot
    EXPECT_EQ(lost(0xFFFFFF64u + 50 * 301 + 2), 0u);  // a repeated stamp counts nothing
    // A shot without a prefix (the native layout's samples) counts nothing.
    const std::vector<uint8_t> samples(20, 0x7F);
    EXPECT_EQ(gaps.lostBefore(samples.data(), 20), 0u);
}

TEST(Ring, WholeItemsInOrderAcrossTheEndAndNoRoomWhenFull) {
    Ring ring(256);
    ASSERT_TRUE(ring.allocated());
    Ring::Entry e;
    EXPECT_FALSE(ring.peek(e));
    uint8_t value = 0;
    uint64_t number = 0;
    uint64_t taken = 0;
    // Items of 40 bytes (64 in the ring) and headers alone, pushed and taken in turn, go round
    // the ring many times; each comes back whole and in order.
    for (int round = 0; round < 50; ++round) {
        uint8_t* room = ring.reserve(40);
        ASSERT_NE(room, nullptr);
        std::memset(room, ++value, 40);
        ring.commit(1, 40, number++);
        ASSERT_TRUE(ring.push(3, number++));
        if (round % 2 == 1) {
            while (ring.peek(e)) {
                EXPECT_EQ(e.value, taken++);
                if (e.kind == 1) {
                    ASSERT_EQ(e.bytes, 40u);
                    for (uint32_t i = 0; i < 40; ++i) {
                        ASSERT_EQ(e.data[i], e.data[0]);
                    }
                } else {
                    EXPECT_EQ(e.kind, 3u);
                    EXPECT_EQ(e.bytes, 0u);
                }
                ring.pop();
            }
        }
    }
    EXPECT_EQ(taken, number);
}

TEST(Ring, NoRoomWhenFullAndRoomKeptFreeStaysFree) {
    Ring ring(256);
    ASSERT_NE(ring.reserve(150), nullptr);  // 176 bytes of the ring
    ring.commit(1, 150, 0);
    EXPECT_EQ(ring.reserve(100), nullptr);
    EXPECT_EQ(ring.reserve(0, 128), nullptr);
    EXPECT_NE(ring.reserve(0, 0), nullptr);
    Ring small(256);
    EXPECT_EQ(small.reserve(300), nullptr);  // larger than the ring
}

}  // namespace
