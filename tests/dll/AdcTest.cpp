// Temperature and supply voltages: the monitor command, the 12-byte read and the conversion.
#include <gtest/gtest.h>

#include "LowLevelFixture.h"

using namespace k7test;

namespace {

class Adc : public CardTest {
  protected:
    void SetUp() override { openCard(); }

    ADCValues read(uint32_t w0, uint32_t w1, uint32_t w2) {
        driver.scriptRead({ReadScript::Mode::CompleteNow, words({w0, w1, w2}), 0});
        ADCValues v{};
        uint32_t error = 99;
        EXPECT_EQ(KARVO7GetADC(card, &v, &error), 1);
        EXPECT_EQ(error, 0u);
        return v;
    }
};

TEST_F(Adc, SendsTheMonitorCommandAndReadsTwelveBytes) {
    read(0, 0, 0);
    EXPECT_EQ(commands(), (std::vector<Command>{{0x0000, 0, {}}}));
    const auto t = driver.transfers();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_FALSE(t[0].write);
    EXPECT_EQ(t[0].size, 12u);
}

TEST_F(Adc, TemperatureAndPositiveSupplyFromTheFirstWord) {
    const ADCValues v = read(0x03FF0064u, 0, 0);
    EXPECT_EQ(v.Temperatur, 25.0f);
    EXPECT_NEAR(v.Analog5VPlus, 1023.0 / 1024.0 * 2.5 / 4.02 * 10.06, 1e-5);
    EXPECT_NEAR(v.Analog5VPlus, 6.25, 0.001);
    // With nothing measured on the negative side its magnitude is the divided positive supply.
    EXPECT_NEAR(v.Analog5VMinus, v.Analog5VPlus / 3.01 * 6.98, 1e-5);
    EXPECT_EQ(v.HS, 0.0f);
    EXPECT_NEAR(v.Digital5VMinus, 5.0 / 3.01 * 6.98, 1e-5);
    EXPECT_EQ(v.ADCReferenz, 0.0f);
}

TEST_F(Adc, NegativeSuppliesHighVoltageAndReference) {
    const ADCValues v = read(0x03FF0000u, 0x01000200u, 0x03340100u);
    const double plus = 1023.0 / 1024.0 * 2.5 / 4.02 * 10.06;
    const double g = 512.0 / 1024.0 * 2.5;  // 1.25 V
    EXPECT_NEAR(v.Analog5VMinus, (plus - g) / 3.01 * 6.98 - g, 1e-5);
    EXPECT_EQ(v.HS, 312.5f);                // 256 steps of 2.5/1024 V times 500
    const double m = 256.0 / 1024.0 * 2.5;  // 0.625 V
    EXPECT_NEAR(v.Digital5VMinus, (5.0 - m) / 3.01 * 6.98 - m, 1e-5);
    EXPECT_EQ(v.ADCReferenz, 2.001953125f);  // 820 steps
    EXPECT_EQ(v.Temperatur, 0.0f);
}

TEST_F(Adc, EveryIntermediateIsRoundedToFloat) {
    // Values where rounding each step differs from computing in double and rounding once.
    EXPECT_EQ(read(17u << 16, 0, 0).Analog5VPlus, 0.103863016f);
    EXPECT_EQ(read(0, 0, 5).Digital5VMinus, 11.5541706f);
}

TEST_F(Adc, FailedCommandOrReadReportsTheDriversWord) {
    driver.setErrorWord(0xE0000ADCu);
    driver.failRequest(req::kCommand);
    ADCValues v{};
    uint32_t error = 0;
    EXPECT_EQ(KARVO7GetADC(card, &v, &error), 0);
    EXPECT_EQ(error, 0xE0000ADCu);
    EXPECT_TRUE(driver.transfers().empty());

    driver.setErrorWord(0xE0000BADu);
    driver.scriptRead({ReadScript::Mode::FailNow, {}, K7_ERROR_GEN_FAILURE});
    EXPECT_EQ(KARVO7GetADC(card, &v, &error), 0);
    EXPECT_EQ(error, 0xE0000BADu);
}

TEST_F(Adc, WithoutMemoryNothingIsSent) {
    FailingAllocator noMemory;
    ADCValues v{};
    uint32_t error = 0;
    EXPECT_EQ(KARVO7GetADC(card, &v, &error), 0);
    EXPECT_EQ(error, KARVO7_ERR_NO_MEMORY);
    EXPECT_TRUE(driver.requests().empty());
}

}  // namespace
