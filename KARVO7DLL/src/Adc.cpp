// Temperature and supply voltages of the card: raw monitor readings converted to °C and V.
#include "Card.h"

namespace {

constexpr uint16_t kReadMonitor = 0x0000;
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

k7::Outcome readAdc(KARVO7Card* card, ADCValues& values) {
    k7::RequestBuffer reading(kReadingSize);
    if (!reading.ok()) {
        return k7::Outcome::failure(KARVO7_ERR_NO_MEMORY);
    }
    if (const k7::Outcome o = k7::sendCommand(card, kReadMonitor); !o.ok) {
        return o;
    }
    if (const k7::Outcome o = k7::syncRead(card, reading.as(), kReadingSize, nullptr); !o.ok) {
        return o;
    }
    const uint32_t* w = reading.as<uint32_t>();
    values = convert(w[0], w[1], w[2]);
    return k7::Outcome::success();
}

}  // namespace

extern "C" KARVO7_API int KARVO7GetADC(KARVO7HANDLE h, ADCValues* values, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(readAdc(h, *values), error);
}
