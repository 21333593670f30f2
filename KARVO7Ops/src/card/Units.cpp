#include "card/Units.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "numbers/NumberText.h"

namespace k7check::units {

namespace {

constexpr std::array<Timing, 5> kRadioTimings{{
    {0.0125f, 8},   // 80 MHz
    {0.025f, 4},    // 40 MHz
    {0.05f, 2},     // 20 MHz
    {0.1f, 1},      // 10 MHz
    {0.00625f, 16}  // 160 MHz (virtual)
}};

constexpr std::array<Timing, 4> kDividedTimings{{
    {0.2f, 8},  // 80 MHz / 16
    {0.4f, 4},  // 40 MHz / 16
    {0.8f, 2},  // 20 MHz / 16
    {1.6f, 1}   // 10 MHz / 16
}};

// Floats at or beyond these bounds do not convert to a 32-bit integer.
constexpr float kLowest = -2147483648.0f;
constexpr float kBeyond = 2147483648.0f;

std::optional<int64_t> truncated(float x) {
    if (!std::isfinite(x) || x < kLowest || x >= kBeyond) {
        return std::nullopt;
    }
    return static_cast<int64_t>(static_cast<int32_t>(x));
}

}  // namespace

RateChoice rateChoiceOf(uint8_t samplerate) {
    const int code = samplerate & 0x0F;
    if (code <= 3) {
        return {code, false};
    }
    if (code >= 5 && code <= 8) {
        return {code - 5, true};
    }
    return {4, false};
}

uint8_t samplerateOf(RateChoice choice) {
    return static_cast<uint8_t>(choice.radio + (choice.takt16 ? 5 : 0));
}

Timing radioTiming(int radio) {
    return radio >= 0 && radio <= 4 ? kRadioTimings[static_cast<std::size_t>(radio)]
                                    : kRadioTimings[4];
}

Timing rateTiming(uint8_t samplerate) {
    const int code = samplerate & 0x0F;
    if (code <= 3) {
        return kRadioTimings[static_cast<std::size_t>(code)];
    }
    if (code >= 5 && code <= 8) {
        return kDividedTimings[static_cast<std::size_t>(code - 5)];
    }
    return kRadioTimings[4];
}

float unitFactor(Unit unit, float soundVelocity) {
    return unit == Unit::Mm ? soundVelocity / 2000.0f : 1.0f;
}

float toUnit(float count, Unit unit, float period, float factor) {
    return unit == Unit::Samples ? count : count * period * factor;
}

float toCount(float value, Unit unit, float period, float factor) {
    return unit == Unit::Samples ? value : value / (period * factor);
}

std::optional<int64_t> roundToGrid(float x, int grid) {
    const auto whole = truncated(x + static_cast<float>(grid) / 2.0f);
    if (!whole || grid <= 0) {
        return std::nullopt;
    }
    return *whole / grid * grid;
}

std::optional<int64_t> roundNearest(float x) {
    return truncated(x + 0.5f);
}

std::optional<int64_t> integerPart(float x) {
    return truncated(x);
}

bool fitsWidth(int64_t value, unsigned bits) {
    if (bits >= 64) {
        return true;
    }
    const int64_t lowest = -(int64_t{1} << (bits - 1));
    const int64_t highest = (int64_t{1} << bits) - 1;
    return value >= lowest && value <= highest;
}

std::string formatFloat(float value) {
    // Six significant digits, as many as a float holds: 20.3 shows as "20.3", not as the
    // 20.2999992 the float is.
    int decimals = 6;
    const double magnitude = std::fabs(static_cast<double>(value));
    if (magnitude > 0.0 && std::isfinite(magnitude)) {
        const int digits = static_cast<int>(std::floor(std::log10(magnitude))) + 1;
        decimals = std::clamp(6 - digits, 0, 12);
    }
    std::string shown = formatFixed(static_cast<double>(value), decimals);
    if (shown.find('.') != std::string::npos) {
        while (shown.back() == '0') {
            shown.pop_back();
        }
        if (shown.back() == '.') {
            shown.pop_back();
        }
    }
    return shown == "-0" ? std::string(1, '0') : shown;
}

std::string formatCount(int64_t count, Unit unit, float period, float factor) {
    if (unit == Unit::Samples) {
        return std::to_string(count);
    }
    const float shown = toUnit(static_cast<float>(count), unit, period, factor);
    for (int decimals = 0; decimals <= 9; ++decimals) {
        const std::string text = formatFixed(static_cast<double>(shown), decimals);
        const auto back = parseFloat(text);
        if (back && roundNearest(toCount(*back, unit, period, factor)) == count) {
            return text;
        }
    }
    return formatFloat(shown);
}

std::string countRefusal(std::string_view label, int64_t minCount, int64_t maxCount, Unit unit,
                         float period, float factor) {
    const char* name = unit == Unit::Mm ? " mm" : unit == Unit::Us ? " µs" : "";
    return refusalText(label, "Zahlen von " + formatCount(minCount, unit, period, factor) + name +
                                  " bis " + formatCount(maxCount, unit, period, factor) + name);
}

std::optional<float> parseFloat(std::string_view text) {
    const auto value = parseDecimal(text);
    if (!value) {
        return std::nullopt;
    }
    // A number beyond the float range stays huge (and is refused where it does not fit its
    // field) instead of being converted with undefined behaviour.
    constexpr double kMax = std::numeric_limits<float>::max();
    if (*value > kMax) {
        return std::numeric_limits<float>::max();
    }
    if (*value < -kMax) {
        return std::numeric_limits<float>::lowest();
    }
    return static_cast<float>(*value);
}

}  // namespace k7check::units
