// The units of the set editors: sampling-rate codes and their timings, rounding back to counts
// at the edges of the 32-bit range, field widths, and how an edit shows a float.
#include <gtest/gtest.h>

#include <limits>

#include "Format.h"
#include "card/Units.h"

using namespace k7check::units;

namespace {

TEST(EditorUnits, RateCodesChooseRadioDividerAndTiming) {
    EXPECT_EQ(rateChoiceOf(6).radio, 1);
    EXPECT_TRUE(rateChoiceOf(6).takt16);
    EXPECT_EQ(rateChoiceOf(9).radio, 4);
    EXPECT_FALSE(rateChoiceOf(9).takt16);
    EXPECT_EQ(rateChoiceOf(0x13).radio, 3);  // only the low four bits count
    EXPECT_EQ(samplerateOf({2, true}), 7);
    // Effective periods: the rates, the rates divided by 16, 160 MHz for everything else.
    EXPECT_EQ(rateTiming(0).period, 0.0125f);
    EXPECT_EQ(rateTiming(3).grid, 1);
    EXPECT_EQ(rateTiming(4).period, 0.00625f);
    EXPECT_EQ(rateTiming(5).period, 0.2f);
    EXPECT_EQ(rateTiming(5).grid, 8);
    EXPECT_EQ(rateTiming(8).period, 1.6f);
    EXPECT_EQ(rateTiming(9).grid, 16);
    EXPECT_EQ(radioTiming(1).period, 0.025f);
}

TEST(EditorUnits, RoundingStaysInsideTheIntegerRange) {
    EXPECT_EQ(roundToGrid(12.0f, 8), 16);
    EXPECT_EQ(roundToGrid(11.9f, 8), 8);
    EXPECT_EQ(roundToGrid(12.5f, 1), 13);  // grid 1 rounds to the nearest count
    EXPECT_EQ(roundNearest(13.6f), 14);
    EXPECT_EQ(integerPart(-2.5f), -2);
    EXPECT_FALSE(roundToGrid(3.0e9f, 8).has_value());
    EXPECT_FALSE(roundNearest(-3.0e9f).has_value());
    EXPECT_FALSE(integerPart(std::numeric_limits<float>::infinity()).has_value());
    EXPECT_FALSE(integerPart(std::numeric_limits<float>::quiet_NaN()).has_value());
    EXPECT_TRUE(fitsWidth(65535, 16));
    EXPECT_TRUE(fitsWidth(-32768, 16));
    EXPECT_FALSE(fitsWidth(65536, 16));
    EXPECT_FALSE(fitsWidth(-32769, 16));
}

TEST(EditorUnits, ReadoutsShowTheShortestTextThatGivesTheSameCountBack) {
    // 732 samples of 12.5 ns: the float product prints as "9.150001".
    EXPECT_EQ(
        k7check::formatText("%f", static_cast<double>(toUnit(732.0f, Unit::Us, 0.0125f, 1.0f))),
        "9.150001");
    EXPECT_EQ(formatCount(732, Unit::Us, 0.0125f, 1.0f), "9.15");
    EXPECT_EQ(formatCount(800, Unit::Us, 0.0125f, 1.0f), "10");
    EXPECT_EQ(formatCount(732, Unit::Samples, 0.0125f, 1.0f), "732");
    const float mm = unitFactor(Unit::Mm, kDefaultSoundVelocity);
    for (const int64_t count : {1, 7, 101, 732, 4095, 65535}) {
        for (const Unit unit : {Unit::Us, Unit::Mm}) {
            const float factor = unit == Unit::Mm ? mm : 1.0f;
            const std::string shown = formatCount(count, unit, 0.0125f, factor);
            EXPECT_EQ(roundNearest(toCount(*parseFloat(shown), unit, 0.0125f, factor)), count)
                << shown;
            EXPECT_LE(shown.size(), k7check::formatText(
                                        "%f", static_cast<double>(toUnit(static_cast<float>(count),
                                                                         unit, 0.0125f, factor)))
                                        .size());
        }
    }
}

TEST(EditorUnits, FloatsShowSixSignificantDigits) {
    EXPECT_EQ(formatFloat(20.3f), "20.3");
    EXPECT_EQ(formatFloat(100.0f * 0.0125f * 2.96f), "3.7");
    EXPECT_EQ(formatFloat(101.0f * 0.025f), "2.525");
    EXPECT_EQ(formatFloat(-0.0f), "0");
    EXPECT_EQ(formatFloat(16000.0f), "16000");
    EXPECT_EQ(formatFloat(0.00625f), "0.00625");
    // A typed huge number stays huge instead of overflowing the float.
    EXPECT_EQ(parseFloat("1e300"), std::numeric_limits<float>::max());
    EXPECT_FALSE(parseFloat("µs").has_value());

    FloatEdit edit;
    edit.value = 100.0f * 0.0125f * 2.96f;
    edit.show();
    EXPECT_TRUE(edit.take());  // untouched: the exact value stays
    EXPECT_EQ(edit.value, 100.0f * 0.0125f * 2.96f);
    edit.text = "x";
    EXPECT_FALSE(edit.take());
    edit.text = "4";
    EXPECT_TRUE(edit.take());
    EXPECT_EQ(edit.value, 4.0f);
}

}  // namespace
