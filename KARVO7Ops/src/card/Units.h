// Units of the set editors: the sample period and grid of each sampling rate, the display units
// Samples, µs and mm, and the rounding rules of converting shown values back to counts. Every
// conversion runs in 32-bit float, as the card family's windows always have, so that a value
// shown and converted back gives the same count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace k7check::units {

// The display units, in the order of the windows' unit radios ("mm", "µs", "Samples").
enum class Unit { Mm = 0, Us = 1, Samples = 2 };

constexpr float kDefaultSoundVelocity = 5920.0f;  // m/s, steel

// Period of one count and the grid counts are rounded to.
struct Timing {
    float period = 0.0125f;  // µs
    int grid = 8;            // counts per 0.1 µs
};

// The rate radios of the editor: index 0 to 4 ("80 (5.00) MHz" ... "160 MHz (virtuell)") and
// "Takt/16".
struct RateChoice {
    int radio = 0;
    bool takt16 = false;
};
// "Samplerate" (low four bits) as the editor shows it: 0 to 3 that radio, 5 to 8 the radio of
// index - 5 with "Takt/16", anything else "160 MHz (virtuell)".
RateChoice rateChoiceOf(uint8_t samplerate);
// The stored code of a choice: the radio index, plus 5 with "Takt/16".
uint8_t samplerateOf(RateChoice choice);

// Sample period and grid of a rate radio, without the divider: 0.0125/8, 0.025/4, 0.05/2,
// 0.1/1, 0.00625/16 (the editor's time fields).
Timing radioTiming(int radio);

// Period and grid of the effective sampling rate of a "Samplerate" code (low four bits): 0 to 3
// the rates, 5 to 8 the rates of 0 to 3 divided by 16 (0.2, 0.4, 0.8, 1.6 µs), anything else
// 160 MHz. The gates window shows its times with it, and every depth compensation spacing
// ("TA-Abstand", "TA-Verzoegerung") is counted in it - the same counts the library checks the
// spacing against.
Timing rateTiming(uint8_t samplerate);

// Unit factor u: 1 for Samples and µs, sound velocity / 2000 for mm.
float unitFactor(Unit unit, float soundVelocity);

// Count -> shown value: count x period x u (Samples: the count itself).
float toUnit(float count, Unit unit, float period, float factor);
// Shown value -> count: value / (period x u) (Samples: the value itself).
float toCount(float value, Unit unit, float period, float factor);

// The integer part of (x + grid / 2), divided by grid, times grid: x to the nearest multiple of
// the grid. Nothing when the result leaves the 32-bit range.
std::optional<int64_t> roundToGrid(float x, int grid);
// The integer part of (x + 0.5). Nothing when it leaves the 32-bit range.
std::optional<int64_t> roundNearest(float x);
// The integer part of x, toward zero. Nothing when it leaves the 32-bit range.
std::optional<int64_t> integerPart(float x);

// Whether `value` can be stored in a field of `bits` bits of either signedness: from the
// smallest signed to the largest unsigned value of that width. Within it the field keeps the
// low bits; outside it the entry is refused.
bool fitsWidth(int64_t value, unsigned bits);

// A level held as four times the value a window shows ("Level", "Schwelle"): shown as the held
// value shifted right by 2. A shown value stored unchanged keeps the held one, so that opening
// a window and pressing "OK" changes nothing (a held 30 shows 7 and stays 30).
constexpr int64_t shownLevel(uint16_t held) {
    return held >> 2;
}
constexpr uint16_t heldLevel(int64_t shown, uint16_t held) {
    return shown == shownLevel(held) ? held : static_cast<uint16_t>(shown * 4);
}

// A float as an edit shows it: up to six decimals, without trailing zeros ("3.7", "2.525",
// "100").
std::string formatFloat(float value);
// A time of `count` samples as a readout shows it in `unit`: the shortest decimal text that,
// converted back as an edit is, gives the same count ("9.15", not the "9.150001" the float
// product prints as). Samples show the count itself.
std::string formatCount(int64_t count, Unit unit, float period, float factor);

// The refusal of a time edit whose counts must lie in [minCount, maxCount], its bounds shown
// in `unit` ("... erlaubt sind Zahlen von 0 bis 819.1875 µs.").
std::string countRefusal(std::string_view label, int64_t minCount, int64_t maxCount, Unit unit,
                         float period, float factor);

// A decimal number typed into an edit ("2.5", "-3,5", "1e3"); nothing when the text holds no
// finite number.
std::optional<float> parseFloat(std::string_view text);

}  // namespace k7check::units

namespace k7check::units {

// An edit that shows a float: the window keeps the exact value and the text it last showed, so
// that a text the user left alone gives the exact value back, not its rounded display.
struct FloatEdit {
    float value = 0.0f;
    std::string text;     // bound to the edit
    std::string written;  // what the window last showed

    // Shows the value.
    void show() {
        text = formatFloat(value);
        written = text;
    }
    // Takes a changed text over; false when it holds no number (the value stays).
    bool take() {
        if (text == written) {
            return true;
        }
        const auto typed = parseFloat(text);
        if (!typed) {
            return false;
        }
        value = *typed;
        written = text;
        return true;
    }
};

}  // namespace k7check::units
