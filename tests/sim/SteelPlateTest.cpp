// The cards look like a delay-line probe on a steel plate: the strongest echo at the interface
// and its repeat, decaying back-wall echoes that the default gates find, flaws at their depth,
// externally triggered sets that follow the trigger source, and a receiver that saturates
// rather than computing without a number at the end of its gain range.
#include <cmath>

#include "SimFixture.h"

using namespace simtest;

namespace {

constexpr double kRoundTripUs = 2.0 * 22.0 / 5920.0 * 1000.0;  // default plate

class Specimen : public SimTest {
  protected:
    std::vector<int16_t> shot(KARVO7HANDLE h) {
        uint32_t error = 1;
        EXPECT_EQ(KARVO7Start(h, &error), 1);
        Bytes buffer(262144);
        uint32_t count = 262144;
        EXPECT_EQ(KARVO7GetData(h, &count, buffer.data(), &error), 1);
        return samples16(buffer, count);
    }
    int peak(const std::vector<int16_t>& s, double atSample, int halfWidth) {
        const auto at = static_cast<size_t>(std::lround(atSample));
        return std::abs(s[peakIndex(s, at - static_cast<size_t>(halfWidth),
                                    at + static_cast<size_t>(halfWidth))]);
    }
};

TEST_F(Specimen, DefaultsLookLikeADelayLineProbeOnSteel) {
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepare(h, 0, defaultSet()));
    const auto s = shot(h);
    const double fs = 40.0;
    const int interface = peak(s, 2.0 * fs, 8);
    const int repeat = peak(s, 4.0 * fs, 8);
    EXPECT_NEAR(static_cast<double>(peakIndex(s, 60, 100)), 80.0, 4.0);  // at 2 us, clipping
    EXPECT_EQ(peakIndex(s, 140, 180), 160u);  // its repeat at twice the delay-line time
    int previous = interface;
    for (int k = 1; k <= 4; ++k) {
        const int echo = peak(s, (2.0 + k * kRoundTripUs) * fs, 8);
        EXPECT_LT(echo, previous) << "back-wall echo " << k;  // each weaker than the last
        previous = echo;
    }
    EXPECT_GT(interface, repeat);
    EXPECT_GT(repeat, peak(s, (2.0 + kRoundTripUs) * fs, 8) / 2);
    // The check program's default gates find the four back-wall echoes, the echo-start gate
    // the first of them (not the noise).
    GateResults g{};
    uint32_t error = 1;
    ASSERT_EQ(KARVO7GetGates(h, &g, &error), 1);
    const uint32_t anfang[5] = {300, 300, 600, 800, 1100};
    const uint32_t ende[5] = {400, 400, 800, 1000, 1400};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_GE(g.Gate[k].Time, anfang[k]) << k;
        EXPECT_LE(g.Gate[k].Time, ende[k]) << k;
        EXPECT_NEAR(g.Gate[k].Time, (2.0 + k * kRoundTripUs) * fs, 12.0) << k;
        EXPECT_EQ(g.Gate[k].Marke, 0u) << k;
    }
    EXPECT_NEAR(g.ESDelay, (2.0 + kRoundTripUs) * fs, 16.0);
}

TEST_F(Specimen, TheDefaultNoiseStaysBelowTheEchoStartLevel) {
    TearDown();
    start(k7sim::Config::defaults(1));  // with the default noise
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepare(h, 0, defaultSet()));
    for (int i = 0; i < 20; ++i) {
        shot(h);
        GateResults g{};
        uint32_t error = 1;
        ASSERT_EQ(KARVO7GetGates(h, &g, &error), 1);
        EXPECT_GT(g.ESDelay, 300u) << i;
    }
}

TEST_F(Specimen, AFlawEchoesAtItsDepthAtEverySamplingRate) {
    TearDown();
    auto config = testConfig(2);
    config.cards[0].specimen.flaws.push_back({12.0, 0.08});  // card 1: a flaw 12 mm deep
    start(config);
    KARVO7HANDLE flawed = warm(1);
    KARVO7HANDLE sound = warm(2);
    const double flawUs = 2.0 + 2.0 * 12.0 / 5920.0 * 1000.0;
    for (uint8_t rate : {uint8_t{2}, uint8_t{0}}) {  // 20 and 80 MHz
        const double fs = rate == 2 ? 20.0 : 80.0;
        SCOPED_TRACE(fs);
        SetRecord r = defaultSet();
        r.measure.Samplerate = rate;
        r.measure.Aufnahmelaenge = static_cast<uint16_t>(14.0 * fs);
        // Gate B1 around the flaw, the other gates off.
        const auto from = static_cast<uint32_t>((flawUs - 0.5) * fs);
        const auto to = static_cast<uint32_t>((flawUs + 0.5) * fs);
        r.gates.Gate[1] = {from, to, 160};
        for (int g = 2; g <= 4; ++g) {
            r.gates.Enables.Enable[g] = 0;
        }
        ASSERT_TRUE(prepare(flawed, 0, r));
        ASSERT_TRUE(prepare(sound, 0, r));
        const auto a = shot(flawed);
        const auto b = shot(sound);
        std::vector<int16_t> difference(a.size());
        for (size_t i = 0; i < a.size(); ++i) {
            difference[i] = static_cast<int16_t>(a[i] - b[i]);
        }
        EXPECT_NEAR(static_cast<double>(peakIndex(difference, 0, difference.size())), flawUs * fs,
                    1.0);
        // Its repeat one round trip later, weaker.
        const double repeatAt = (flawUs + (flawUs - 2.0)) * fs;
        const size_t repeat = peakIndex(difference, static_cast<size_t>(repeatAt - 0.3 * fs),
                                        static_cast<size_t>(repeatAt + 0.3 * fs));
        EXPECT_NEAR(static_cast<double>(repeat), repeatAt, 1.0);
        EXPECT_GT(std::abs(difference[repeat]), 0);
        GateResults g{};
        uint32_t error = 1;
        ASSERT_EQ(KARVO7GetGates(flawed, &g, &error), 1);
        EXPECT_NEAR(g.Gate[1].Time, flawUs * fs, 0.3 * fs);  // the gate finds the flaw
        ASSERT_EQ(KARVO7GetGates(sound, &g, &error), 1);
        EXPECT_EQ(g.Gate[1].Time, 0u);  // ... and nothing on the sound plate
    }
}

TEST_F(Specimen, ExternallyTriggeredSetsFollowTheTriggerSource) {
    uint32_t error = 1;
    SetRecord r = defaultSet();
    r.measure.ExternerTrigger = 1;
    {  // No source: no shots; reads wait for the data time-out.
        KARVO7HANDLE h = warm();
        ASSERT_TRUE(prepare(h, 0, r));
        ASSERT_EQ(KARVO7SetDataTimeOut(h, 1, &error), 1);
        ASSERT_EQ(KARVO7Start(h, &error), 1);
        Bytes buffer(131072);
        uint32_t count = 131072;
        ASSERT_EQ(KARVO7StartGetData(h, &count, buffer.data(), nullptr, &error), 1);
        clock.advance(999);
        sim->service();
        EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(h, &count, &error), -3);
        ASSERT_EQ(KARVO7ActiveParam(h, 1, 0, 0, 0, 0, 0, 0, 0, &error), 1);
        ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
        clock.advance(1);
        sim->service();
        EXPECT_EQ(KARVO7IsReadyGetDataIntReturn(h, &count, &error), -2);
        EXPECT_EQ(error, k7sim::err::kDataTimeOut);
        EXPECT_EQ(sim->fifoBytes(1), 0u);
        ASSERT_EQ(KARVO7Stop(h, &error), 1);
    }
    TearDown();
    auto config = testConfig(1);
    config.cards[0].externalTriggerHz = 500;  // every 2 ms
    start(config);
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepare(h, 1, r));
    ASSERT_TRUE(prepare(h, 2, defaultSet()));  // internally triggered
    ASSERT_EQ(KARVO7ActiveParam(h, 0, 1, 0, 0, 0, 0, 0, 0, &error), 1);
    ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
    clock.advance(20);
    EXPECT_EQ(sim->fifoBytes(1), 11u * 3200u);  // one shot per trigger edge
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
    ASSERT_EQ(KARVO7ClearFIFO(h, &error), 1);
    // A cycle of an internally and an externally triggered set waits for the trigger.
    ASSERT_EQ(KARVO7ActiveParam(h, 0, 1, 1, 0, 0, 0, 0, 0, &error), 1);
    ASSERT_EQ(KARVO7StartParam(h, 3, &error), 1);
    clock.advance(20);  // ten edges: two shots each, not four hundred
    EXPECT_GE(sim->fifoBytes(1), 19u * 3200u);
    EXPECT_LE(sim->fifoBytes(1), 21u * 3200u);
    ASSERT_EQ(KARVO7Stop(h, &error), 1);
}

TEST_F(Specimen, TheReceiverSaturatesAtTheEndOfItsGainRange) {
    TearDown();
    auto config = testConfig(1);
    config.cards[0].specimen.noise = 0.01;
    start(config);
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    static const uint16_t table[2] = {0xFFFF, 0xFFFF};  // the depth curve at its top
    r.measure.TATabelle = table;
    r.measure.TAStuetzstellen = 1;
    r.measure.TAAbstand = 40;
    r.measure.PKVorlauf = 100;  // before the trigger: nothing but noise
    r.gain = 0x7FFF;
    ASSERT_TRUE(prepare(h, 0, r));
    const auto s = shot(h);
    ASSERT_EQ(s.size(), 1600u);
    for (size_t i = 0; i < s.size(); ++i) {
        ASSERT_TRUE(s[i] == 0x7FF0 || s[i] == -0x8000) << i << ": " << s[i];
    }
    GateResults g{};
    uint32_t error = 1;
    ASSERT_EQ(KARVO7GetGates(h, &g, &error), 1);
    EXPECT_EQ(g.Gate[1].Marke, 0x100000u);
}

TEST(SpecimenConfig, FlawsAndTheTriggerSourceFromTheConfigurationFile) {
    k7sim::Config c;
    std::string error;
    ASSERT_TRUE(
        k7sim::Config::parse("[Card]\nflaw = 8 0.05\n"
                             "[Card2]\nflaw = 12.5 0.1\nflaw = 3 0.02\n"
                             "external_trigger_hz = 250.5\n",
                             c, error))
        << error;
    ASSERT_EQ(c.cards.size(), 2u);
    ASSERT_EQ(c.cards[0].specimen.flaws.size(), 1u);
    EXPECT_DOUBLE_EQ(c.cards[0].specimen.flaws[0].depthMm, 8.0);
    EXPECT_DOUBLE_EQ(c.cards[0].specimen.flaws[0].amplitude, 0.05);
    EXPECT_DOUBLE_EQ(c.cards[0].externalTriggerHz, 0.0);
    ASSERT_EQ(c.cards[1].specimen.flaws.size(), 3u);
    EXPECT_DOUBLE_EQ(c.cards[1].specimen.flaws[1].depthMm, 12.5);
    EXPECT_DOUBLE_EQ(c.cards[1].specimen.flaws[2].amplitude, 0.02);
    EXPECT_DOUBLE_EQ(c.cards[1].externalTriggerHz, 250.5);
    for (const char* bad : {"flaw = 8", "flaw = 0 0.1", "flaw = 8 -1", "flaw = nan 0.1",
                            "flaw = 8 0.1 7", "external_trigger_hz = -5",
                            "external_trigger_hz = inf", "noise = nan", "thickness_mm = inf"}) {
        EXPECT_FALSE(k7sim::Config::parse(std::string("[Card1]\n") + bad + "\n", c, error)) << bad;
        EXPECT_NE(error.find("line 2"), std::string::npos) << bad;
    }
}

}  // namespace
