// Temperature and supply voltages of the card: raw monitor readings converted to °C and V.
#include "Card.h"

namespace {

constexpr uint32_t kReadingSize = 12;

// The converter's full scale: 1024 steps over 2.5 V.
float volts(uint32_t steps) {
    float v = static_cast<float>(steps);
    v = static_cast<float>(v / 1024.0);
    return static_cast<float>(v * 2.5);
}

// A negative supply measured through a divider against `reference`, as a magnitude.
float negativeSupply(float reference, float measured) {
    float v = static_cast<float>(reference - measured);
    v = static_cast<float>(v / 3.01);
    v = static_cast<float>(v * 6.98);
    return static_cast<float>(v - measured);
}

// Every intermediate value is rounded to a 32-bit float (the constants stay double), so the
// values are the same with every compiler and instruction set.
ADCValues convert(uint32_t w0, uint32_t w1, uint32_t w2) {
    ADCValues v{};
    v.Temperatur = static_cast<float>(static_cast<float>(w0 & 0xFFFFu) / 4.0);

    float plus = volts(w0 >> 16);
    plus = static_cast<float>(plus / 4.02);
    v.Analog5VPlus = static_cast<float>(plus * 10.06);

    v.Analog5VMinus = negativeSupply(v.Analog5VPlus, volts(w1 & 0xFFFFu));
    v.HS = static_cast<float>(volts(w1 >> 16) * 500.0);
    v.Digital5VMinus = negativeSupply(5.0f, volts(w2 & 0xFFFFu));
    v.ADCReferenz = volts(w2 >> 16);
    return v;
}

k7::Result readAdc(KARVO7Card* card, ADCValues* values) {
    if (const k7::Result r = k7::required(values); !r.ok) {
        return r;
    }
    k7::RequestBuffer reading(kReadingSize);
    if (const k7::Result r = reading.allocated(); !r.ok) {
        return r;
    }
    if (const k7::Result r = k7::sendCommand(card, k7::cmd::kReadMonitor); !r.ok) {
        return r;
    }
    if (const k7::Result r = k7::syncRead(card, reading.bytes(), kReadingSize, nullptr); !r.ok) {
        return r;
    }
    const uint8_t* w = reading.bytes();
    *values = convert(k7::le32(w), k7::le32(w + 4), k7::le32(w + 8));
    return k7::Result::success();
}

}  // namespace

extern "C" KARVO7_API int KARVO7GetADC(KARVO7HANDLE h, ADCValues* values, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return readAdc(c, values); });
}
