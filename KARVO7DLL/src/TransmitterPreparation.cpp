// Transmitter and receiver preparation of a parameter set (pulse width and energy, damping,
// filter) and its gain.
#include "Arguments.h"
#include "ParameterSteps.h"

namespace k7 {
namespace {

constexpr uint16_t kPulse = 0x4801;
constexpr uint16_t kDamping = 0x4C01;
constexpr uint16_t kFilter = 0x5401;
constexpr uint16_t kGain = 0x5001;

// The first value the card cannot take, as its library code; 0 when all are acceptable.
uint32_t firstInvalid(const SpecialParams& p) {
    if (p.Sendeimpulsbreite > 5) {
        return KARVO7_ERR_IMPULSBREITE;
    }
    if (p.Sendeenergie > 7) {
        return KARVO7_ERR_SENDEENERGIE;
    }
    if (p.Senderdaempfung > 3) {
        return KARVO7_ERR_SENDERDAEMPFUNG;
    }
    if (p.Eingangsdaempfung > 3) {
        return KARVO7_ERR_EINGANGSDAEMPFUNG;
    }
    if (p.Filter > 7) {
        return KARVO7_ERR_FILTER;
    }
    return 0;
}

// A 32-bit flag as one bit: any non-zero value is set.
uint32_t flag(uint32_t value) {
    return value != 0 ? 1u : 0u;
}

// Set selection for the operations that address a set only on version-3 cards.
Outcome selectOnVersion3(KARVO7Card* card, uint32_t set) {
    return card->version3 != 0 ? selectSet(card, set) : Outcome::success();
}

}  // namespace

Outcome prepareTransmitter(KARVO7Card* card, uint32_t set, const SpecialParams& p) {
    if (const uint32_t code = firstInvalid(p); code != 0) {
        return Outcome::failure(code);
    }
    Outcome sent = selectOnVersion3(card, set);
    if (sent.ok) {
        sent = sendCommand1(
            card, kPulse,
            flag(p.Sendersperre) << 15 | uint32_t{p.Sendeimpulsbreite} << 8 | p.Sendeenergie);
    }
    if (sent.ok) {
        sent = sendCommand1(
            card, kDamping,
            flag(p.SEMode) << 8 | uint32_t{p.Eingangsdaempfung} << 2 | p.Senderdaempfung);
    }
    if (sent.ok) {
        sent = sendCommand1(card, kFilter, p.Filter);
    }
    return sent;
}

Outcome setGain(KARVO7Card* card, uint32_t set, uint32_t verstaerkung) {
    Outcome sent = selectOnVersion3(card, set);
    return sent.ok ? sendCommand1(card, kGain, verstaerkung & 0xFFFFu) : sent;
}

SpecialParams specialRecord(uint32_t sendersperre, uint32_t impulsbreiteEnergie, uint32_t seMode,
                            uint32_t daempfungen) {
    SpecialParams p{};
    p.Sendersperre = sendersperre;
    p.Sendeimpulsbreite = static_cast<uint8_t>(impulsbreiteEnergie);
    p.Sendeenergie = static_cast<uint8_t>(impulsbreiteEnergie >> 8);
    p.Reserved1[0] = static_cast<uint8_t>(impulsbreiteEnergie >> 16);
    p.Reserved1[1] = static_cast<uint8_t>(impulsbreiteEnergie >> 24);
    p.SEMode = seMode;
    p.Senderdaempfung = static_cast<uint8_t>(daempfungen);
    p.Eingangsdaempfung = static_cast<uint8_t>(daempfungen >> 8);
    p.Filter = static_cast<uint8_t>(daempfungen >> 16);
    p.Reserved3 = static_cast<uint8_t>(daempfungen >> 24);
    return p;
}

}  // namespace k7

extern "C" {

KARVO7_API int KARVO7PrepSpecialParamPointer(KARVO7HANDLE h, uint32_t set,
                                             const SpecialParams* params, uint32_t* error) {
    if (!k7::checkHandle(h, error) || !k7::pointerGiven(params, error)) {
        return 0;
    }
    return k7::report(k7::prepareTransmitter(h, set, *params), error);
}

KARVO7_API int KARVO7PrepSpecialPointer(KARVO7HANDLE h, const SpecialParams* params,
                                        uint32_t* error) {
    return KARVO7PrepSpecialParamPointer(h, 0, params, error);
}

KARVO7_API int KARVO7PrepSpecialParam(KARVO7HANDLE h, uint32_t set, uint32_t Sendersperre,
                                      uint32_t ImpulsbreiteEnergie, uint32_t SEMode,
                                      uint32_t Daempfungen, uint32_t* error) {
    const SpecialParams params =
        k7::specialRecord(Sendersperre, ImpulsbreiteEnergie, SEMode, Daempfungen);
    return KARVO7PrepSpecialParamPointer(h, set, &params, error);
}

KARVO7_API int KARVO7PrepSpecial(KARVO7HANDLE h, uint32_t Sendersperre,
                                 uint32_t ImpulsbreiteEnergie, uint32_t SEMode,
                                 uint32_t Daempfungen, uint32_t* error) {
    return KARVO7PrepSpecialParam(h, 0, Sendersperre, ImpulsbreiteEnergie, SEMode, Daempfungen,
                                  error);
}

KARVO7_API int KARVO7SetGainParam(KARVO7HANDLE h, uint32_t set, uint32_t Verstaerkung,
                                  uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(k7::setGain(h, set, Verstaerkung), error);
}

KARVO7_API int KARVO7SetGain(KARVO7HANDLE h, uint32_t Verstaerkung, uint32_t* error) {
    return KARVO7SetGainParam(h, 0, Verstaerkung, error);
}

}  // extern "C"
