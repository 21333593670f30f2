// A single shot and a stream's preparation through the C interface: the layout the set gives is
// the one the card delivers; refused arguments, small buffers and layouts the set does not give
// send nothing; a shot of another length, a time-out and a card's refusals are told apart.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "KARVO7Ops.h"
#include "KARVO7Sim.h"
#include "RecordingDriver.h"
#include "ScratchFolder.h"

namespace {

// A set of `samples` samples as the card takes it.
K7OpsSet setOf(uint16_t samples, bool bit8 = false, uint8_t faktor = 0) {
    K7OpsSet record{};
    record.measure.IFF = 1000;
    record.measure.Aufnahmelaenge = samples;
    record.measure.Bit8 = bit8 ? 1 : 0;
    record.measure.ASCAN = faktor != 0 ? 1 : 0;
    record.measure.Faktor = faktor;
    record.measure.Samplerate = 2;
    record.measure.Start = 7;  // not used: a shot is prepared with 1, a stream with 3
    return record;
}

// ---- on a simulated card ------------------------------------------------------------------

bool fifoEmpty(KARVO7HANDLE card) {
    uint32_t flag = 1, error = 0;
    return KARVO7IsDataInFIFO(card, &flag, &error) != 0 && flag == 0;
}

class ShotsOnACard : public ::testing::Test {
  protected:
    void SetUp() override {
        k7sim::Config c = k7sim::Config::defaults(1);
        c.persist = false;
        c.lockDir = folder;
        c.instance = "ops-shots" + std::to_string(::getpid());
        for (auto& simulated : c.cards) {
            simulated.specimen.noise = 0.0;
        }
        sim = std::make_unique<k7sim::Simulator>(c);
        ASSERT_TRUE(sim->install());
        KARVO7Scan();
        card = KARVO7Open(1);
        ASSERT_NE(card, nullptr);
        uint32_t error = 0;
        ASSERT_TRUE(KARVO7WarmUp(card, &error)) << std::hex << error;
    }
    void TearDown() override {
        KARVO7Close(card);
        sim.reset();
        std::filesystem::remove_all(folder);
    }

    std::string folder = k7test::makeScratchFolder("ops-shots");
    std::unique_ptr<k7sim::Simulator> sim;
    KARVO7HANDLE card = nullptr;
};

TEST_F(ShotsOnACard, TheLayoutIsWhatTheCardDeliversAndDecodes) {
    for (const uint32_t layout : {K7OPS_LAYOUT_NATIVE, K7OPS_LAYOUT_RECORD}) {
        uint32_t error = 0;
        ASSERT_TRUE(
            KARVO7SetVIRMA4(card, 1, layout == K7OPS_LAYOUT_RECORD ? int16_t{-11} : 0, &error));
        for (const bool bit8 : {false, true}) {
            for (const uint8_t faktor : {uint8_t{0}, uint8_t{1}, uint8_t{3}}) {
                SCOPED_TRACE(testing::Message() << "layout " << layout << " 8 bit " << bit8
                                                << " Faktor " << int{faktor});
                const K7OpsSet record = setOf(1001, bit8, faktor);
                K7OpsShotLayout shot{};
                uint32_t step = 9;
                ASSERT_EQ(K7OpsPrepareShot(card, 1, &record, layout, 1, &shot, &step, &error), 1)
                    << std::hex << error;
                EXPECT_EQ(step, K7OPS_STEP_NONE);
                K7OpsShotLayout sized{};
                ASSERT_EQ(K7OpsShotLayoutOf(1, &record, layout, &sized, &error), 1);
                EXPECT_EQ(std::memcmp(&sized, &shot, sizeof shot), 0);
                EXPECT_EQ(shot.samples, faktor == 0 ? 1001u : (1001u + faktor - 1) / faktor);
                EXPECT_EQ(shot.sampleBits, bit8 && layout == K7OPS_LAYOUT_NATIVE ? 8u : 16u);
                EXPECT_EQ(shot.readBytes, K7OPS_SHOT_READ_BYTES);

                std::vector<uint8_t> data(shot.readBytes);
                K7OpsShot taken{};
                ASSERT_EQ(K7OpsTakeShot(card, 1, &record, &shot, data.data(),
                                        static_cast<uint32_t>(data.size()), &taken, &error),
                          1)
                    << std::hex << error << " step " << taken.step;
                EXPECT_EQ(taken.bytes, shot.shotBytes);
                EXPECT_EQ(taken.gatesRead, 1u);  // a version-3 card
                EXPECT_TRUE(fifoEmpty(card)) << "the FIFO is emptied behind the shot";

                std::vector<int16_t> samples(shot.samples);
                K7OpsDecodedShot decoded{};
                ASSERT_EQ(K7OpsDecodeShot(data.data(), &taken, &shot, samples.data(),
                                          static_cast<uint32_t>(samples.size()), &decoded, &error),
                          1)
                    << std::hex << error;
                EXPECT_EQ(decoded.samples, shot.samples);
                EXPECT_EQ(decoded.identification, layout == K7OPS_LAYOUT_RECORD ? -11 : 0);
                EXPECT_EQ(decoded.gates, 1u);
                EXPECT_EQ(decoded.gateTime[0], taken.gates.Gate[0].Time);
                // The card's echo is in the samples: not all of them are the same.
                EXPECT_NE(*std::min_element(samples.begin(), samples.end()),
                          *std::max_element(samples.begin(), samples.end()));
            }
        }
    }
}

TEST_F(ShotsOnACard, AStreamIsPreparedForTheEngineAndLeftStoppedAndEmpty) {
    std::vector<K7OpsSet> records(K7OPS_SETS);
    records[1] = setOf(1000);
    records[3] = setOf(3000, true, 2);
    records[3].measure.IFF = 500;
    records[3].measure.ExternerTrigger = 0;
    K7OpsStreamLayout stream{};
    uint32_t failedSet = 9, step = 9, error = 0;
    ASSERT_EQ(K7OpsPrepareStream(card, records.data(), (1u << 1) | (1u << 3), K7OPS_LAYOUT_RECORD,
                                 1, &stream, &failedSet, &step, &error),
              1)
        << std::hex << error;
    EXPECT_EQ(step, K7OPS_STEP_NONE);
    EXPECT_EQ(stream.activeSets, (1u << 1) | (1u << 3));
    // Set 3 packs its 1500 8-bit samples four in three words: 1125 words behind the header.
    EXPECT_EQ(stream.shotBytes, 6u + 2u * 1125u);
    EXPECT_EQ(stream.shotsPerSecond, 666u);  // 1000 and 500 shots a second in turn
    EXPECT_EQ(stream.startSet, K7OPS_START_PLAIN);
    EXPECT_EQ(stream.samplesPerShot, 0u);  // the sets differ
    EXPECT_EQ(stream.sampleRate, 2u);
    EXPECT_TRUE(fifoEmpty(card));

    // A card that refuses a set's record names the set and the step.
    records[3].measure.Average = 9;
    EXPECT_EQ(K7OpsPrepareStream(card, records.data(), (1u << 1) | (1u << 3), K7OPS_LAYOUT_RECORD,
                                 1, &stream, &failedSet, &step, &error),
              0);
    EXPECT_EQ(failedSet, 3u);
    EXPECT_EQ(step, K7OPS_STEP_RECORD);
    EXPECT_EQ(error, KARVO7_ERR_AVERAGE);
}

TEST_F(ShotsOnACard, AStreamsRateIsTheCyclesWholeShotsASecondNotOneShort) {
    struct Cycle {
        std::vector<uint32_t> iffs;
        uint32_t shotsPerSecond;
    };
    // The sums of these periods round below the whole rates; 1000 and 500 in turn are 666.7.
    const std::vector<Cycle> cycles = {
        {{7000}, 7000}, {{20000, 20000, 20000}, 20000}, {{1000, 500}, 666}};
    for (const Cycle& cycle : cycles) {
        std::vector<K7OpsSet> records(K7OPS_SETS);
        uint32_t active = 0;
        for (size_t s = 0; s < cycle.iffs.size(); ++s) {
            records[s] = setOf(100);
            records[s].measure.IFF = cycle.iffs[s];
            active |= 1u << s;
        }
        K7OpsStreamLayout stream{};
        uint32_t failedSet = 0, step = 0, error = 0;
        ASSERT_EQ(K7OpsPrepareStream(card, records.data(), active, K7OPS_LAYOUT_RECORD, 1, &stream,
                                     &failedSet, &step, &error),
                  1)
            << std::hex << error;
        EXPECT_EQ(stream.shotsPerSecond, cycle.shotsPerSecond) << cycle.iffs.size() << " sets";
    }
}

// ---- on a recording card ------------------------------------------------------------------

class ShotsOnARecordingCard : public ::testing::Test {
  protected:
    void SetUp() override {
        KARVO7Scan();
        card = KARVO7Open(1);
        ASSERT_NE(card, nullptr);
        uint32_t step = 0, error = 0;
        ASSERT_EQ(
            K7OpsPrepareShot(card, 1, &record, K7OPS_LAYOUT_RECORD, 1, &layout, &step, &error), 1);
        driver.clearRecords();
    }
    void TearDown() override { KARVO7Close(card); }

    bool nothingSent() const { return driver.requests().empty() && driver.transfers().empty(); }

    k7test::RecordingDriver driver;
    k7test::ScopedDriver installed{driver};
    KARVO7HANDLE card = nullptr;
    K7OpsSet record = setOf(1600);
    K7OpsShotLayout layout{};
    std::vector<uint8_t> data = std::vector<uint8_t>(K7OPS_SHOT_READ_BYTES);
};

TEST_F(ShotsOnARecordingCard, RefusedArgumentsSendNothing) {
    K7OpsShotLayout out{};
    K7OpsShot shot{};
    uint32_t step = 0, error = 0;
    const auto refused = [&](int result, uint32_t word) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(error, word);
        error = 0;
    };
    refused(K7OpsPrepareShot(nullptr, 1, &record, 0, 1, &out, &step, &error), K7OPS_ERROR_ARGUMENT);
    refused(K7OpsPrepareShot(card, 1, nullptr, 0, 1, &out, &step, &error), K7OPS_ERROR_ARGUMENT);
    refused(K7OpsPrepareShot(card, 1, &record, 0, 1, nullptr, &step, &error), K7OPS_ERROR_ARGUMENT);
    refused(K7OpsPrepareShot(card, 8, &record, 0, 1, &out, &step, &error), K7OPS_ERROR_ARGUMENT);
    refused(K7OpsPrepareShot(card, 1, &record, 2, 1, &out, &step, &error), K7OPS_ERROR_ARGUMENT);
    refused(K7OpsPrepareShot(card, 1, &record, 0, 2, &out, &step, &error), K7OPS_ERROR_ARGUMENT);
    EXPECT_EQ(K7OpsPrepareShot(card, 1, &record, 0, 1, &out, &step, nullptr), 0);
    refused(
        K7OpsTakeShot(card, 8, &record, &layout, data.data(), K7OPS_SHOT_READ_BYTES, &shot, &error),
        K7OPS_ERROR_ARGUMENT);
    refused(K7OpsTakeShot(card, 1, &record, &layout, nullptr, K7OPS_SHOT_READ_BYTES, &shot, &error),
            K7OPS_ERROR_ARGUMENT);
    refused(
        K7OpsTakeShot(card, 1, &record, nullptr, data.data(), K7OPS_SHOT_READ_BYTES, &shot, &error),
        K7OPS_ERROR_ARGUMENT);
    refused(K7OpsShotLayoutOf(8, &record, 0, &out, &error), K7OPS_ERROR_ARGUMENT);
    K7OpsStreamLayout stream{};
    uint32_t failedSet = 0;
    refused(K7OpsPrepareStream(card, &record, 0, 0, 1, &stream, &failedSet, &step, &error),
            K7OPS_ERROR_ARGUMENT);  // no sets
    refused(K7OpsPrepareStream(card, &record, 1u << 8, 0, 1, &stream, &failedSet, &step, &error),
            K7OPS_ERROR_ARGUMENT);
    refused(K7OpsPrepareStream(card, nullptr, 1, 0, 1, &stream, &failedSet, &step, &error),
            K7OPS_ERROR_ARGUMENT);
    EXPECT_TRUE(nothingSent());
}

TEST_F(ShotsOnARecordingCard, AnOlderCardTakesSetZeroInTheNativeLayoutOnly) {
    KARVO7Close(card);
    driver.setDevices({{1, false}});
    KARVO7Scan();
    card = KARVO7Open(1);
    ASSERT_NE(card, nullptr);
    driver.clearRecords();
    K7OpsShotLayout out{};
    uint32_t step = 0, error = 0;
    EXPECT_EQ(K7OpsPrepareShot(card, 1, &record, K7OPS_LAYOUT_NATIVE, 1, &out, &step, &error), 0);
    EXPECT_EQ(K7OpsPrepareShot(card, 0, &record, K7OPS_LAYOUT_RECORD, 1, &out, &step, &error), 0);
    std::vector<K7OpsSet> records(K7OPS_SETS, record);
    K7OpsStreamLayout stream{};
    uint32_t failedSet = 0;
    EXPECT_EQ(K7OpsPrepareStream(card, records.data(), 1u << 1, K7OPS_LAYOUT_NATIVE, 1, &stream,
                                 &failedSet, &step, &error),
              0);
    EXPECT_EQ(error, K7OPS_ERROR_ARGUMENT);
    EXPECT_TRUE(nothingSent());
    EXPECT_EQ(K7OpsPrepareShot(card, 0, &record, K7OPS_LAYOUT_NATIVE, 1, &out, &step, &error), 1);
    EXPECT_EQ(out.shotBytes, 2u * 1600u);
}

TEST_F(ShotsOnARecordingCard, ASmallBufferOrALayoutTheSetDoesNotGiveIsRefusedUnsent) {
    K7OpsShot shot{};
    uint32_t error = 0;
    EXPECT_EQ(
        K7OpsTakeShot(card, 1, &record, &layout, data.data(), layout.readBytes - 1, &shot, &error),
        0);
    EXPECT_EQ(error, K7OPS_ERROR_BUFFER);
    // A caller's shot size is checked against the set's, whichever way it is wrong.
    K7OpsShotLayout larger = layout;
    larger.shotBytes += 2;
    EXPECT_EQ(
        K7OpsTakeShot(card, 1, &record, &larger, data.data(), K7OPS_SHOT_READ_BYTES, &shot, &error),
        0);
    EXPECT_EQ(error, K7OPS_ERROR_SHOT_SIZE);
    const K7OpsSet longer = setOf(1700);
    EXPECT_EQ(
        K7OpsTakeShot(card, 1, &longer, &layout, data.data(), K7OPS_SHOT_READ_BYTES, &shot, &error),
        0);
    EXPECT_EQ(error, K7OPS_ERROR_SHOT_SIZE);
    K7OpsShotLayout otherSet = layout;
    otherSet.set = 2;
    EXPECT_EQ(K7OpsTakeShot(card, 1, &record, &otherSet, data.data(), K7OPS_SHOT_READ_BYTES, &shot,
                            &error),
              0);
    EXPECT_EQ(error, K7OPS_ERROR_SHOT_SIZE);
    EXPECT_TRUE(nothingSent());

    // A decode with too little room, or of bytes that are not the layout's shot, writes nothing.
    shot.bytes = layout.shotBytes;
    std::vector<int16_t> samples(layout.samples, 7);
    K7OpsDecodedShot decoded{};
    EXPECT_EQ(K7OpsDecodeShot(data.data(), &shot, &layout, samples.data(), layout.samples - 1,
                              &decoded, &error),
              0);
    EXPECT_EQ(error, K7OPS_ERROR_BUFFER);
    shot.bytes = layout.shotBytes - 2;
    EXPECT_EQ(K7OpsDecodeShot(data.data(), &shot, &layout, samples.data(), layout.samples, &decoded,
                              &error),
              0);
    EXPECT_EQ(error, K7OPS_ERROR_SHOT_SIZE);
    shot.bytes = layout.shotBytes;  // zeros: no record
    EXPECT_EQ(K7OpsDecodeShot(data.data(), &shot, &layout, samples.data(), layout.samples, &decoded,
                              &error),
              0);
    EXPECT_EQ(error, K7OPS_ERROR_SHOT_SIZE);
    // A layout handed in with more samples than its bytes carry, and room claimed for them.
    K7OpsShotLayout inflated = layout;
    inflated.samples = 0xFFFFFFFFu;
    EXPECT_EQ(K7OpsDecodeShot(data.data(), &shot, &inflated, samples.data(), 0xFFFFFFFFu, &decoded,
                              &error),
              0);
    EXPECT_EQ(error, K7OPS_ERROR_SHOT_SIZE);
    EXPECT_EQ(samples, std::vector<int16_t>(layout.samples, 7));
}

TEST_F(ShotsOnARecordingCard, AShotOfAnotherLengthIsToldAndItsBytesKept) {
    for (const uint32_t delivered : {4u, layout.shotBytes + 2}) {
        SCOPED_TRACE(delivered);
        k7test::ReadScript read;
        read.data.assign(delivered, 0x5A);
        driver.scriptRead(read);
        K7OpsShot shot{};
        uint32_t error = 0;
        EXPECT_EQ(K7OpsTakeShot(card, 1, &record, &layout, data.data(), K7OPS_SHOT_READ_BYTES,
                                &shot, &error),
                  0);
        EXPECT_EQ(error, K7OPS_ERROR_SHOT_SIZE);
        EXPECT_EQ(shot.step, K7OPS_SHOT_STEP_LENGTH);
        EXPECT_EQ(shot.bytes, delivered);
        EXPECT_EQ(data[delivered - 1], 0x5A);
        EXPECT_EQ(shot.gatesRead, 1u);  // the gate values were read all the same
    }
    // The read asked for the check program's data buffer, not for the shot alone.
    const std::vector<k7test::RecordedTransfer> transfers = driver.transfers();
    const auto read = std::find_if(transfers.begin(), transfers.end(),
                                   [](const k7test::RecordedTransfer& t) { return !t.write; });
    ASSERT_NE(read, transfers.end());
    EXPECT_EQ(read->size, K7OPS_SHOT_READ_BYTES);
}

TEST_F(ShotsOnARecordingCard, ATimeOutIsItsOwnWordAndARefusedStartNamesItsStep) {
    k7test::ReadScript never;
    never.mode = k7test::ReadScript::Mode::FailNow;
    never.status = K7_ERROR_SEM_TIMEOUT;
    driver.scriptRead(never);
    K7OpsShot shot{};
    uint32_t error = 0;
    EXPECT_EQ(
        K7OpsTakeShot(card, 1, &record, &layout, data.data(), K7OPS_SHOT_READ_BYTES, &shot, &error),
        0);
    EXPECT_EQ(error, K7OPS_ERROR_TIMEOUT);
    EXPECT_EQ(shot.step, K7OPS_SHOT_STEP_READ);
    EXPECT_NE(shot.readError, 0u);
    EXPECT_EQ(shot.bytes, 0u);

    char text[K7OPS_TEXT_BYTES];
    K7OpsErrorText(K7OPS_ERROR_TIMEOUT, K7OPS_LANGUAGE_GERMAN, text, sizeof text);
    EXPECT_STREQ(text, "keine Daten innerhalb des Time Out");

    driver.failRequest(0, 2, K7_ERROR_GEN_FAILURE);  // the FIFO's clearing, then the start
    EXPECT_EQ(
        K7OpsTakeShot(card, 1, &record, &layout, data.data(), K7OPS_SHOT_READ_BYTES, &shot, &error),
        0);
    EXPECT_EQ(shot.step, K7OPS_SHOT_STEP_CLEAR);
    EXPECT_NE(error, 0u);
}

}  // namespace
