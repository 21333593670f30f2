// Transmitter and receiver preparation of a parameter set (pulse width and energy, damping,
// filter) and its gain.
#include "ParameterSteps.h"

namespace k7 {
namespace {

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

uint32_t flag(uint32_t value) {
    return value != 0 ? 1u : 0u;
}

// Other cards hold one set: the transmitter settings and the gain need no selection there.
Result selectOnVersion3(KARVO7Card* card, uint32_t set) {
    if (card->version3 == 0) {
        return Result::success();
    }
    return selectSet(card, set);
}

}  // namespace

Result prepareTransmitter(KARVO7Card* card, uint32_t set, const SpecialParams& p) {
    if (const uint32_t code = firstInvalid(p); code != 0) {
        return Result::failure(code);
    }
    if (const Result r = selectOnVersion3(card, set); !r.ok) {
        return r;
    }
    const uint32_t sender =
        flag(p.Sendersperre) << 15 | uint32_t{p.Sendeimpulsbreite} << 8 | p.Sendeenergie;
    if (const Result r = sendCommand1(card, cmd::kSender, sender); !r.ok) {
        return r;
    }
    const uint32_t input =
        flag(p.SEMode) << 8 | uint32_t{p.Eingangsdaempfung} << 2 | p.Senderdaempfung;
    if (const Result r = sendCommand1(card, cmd::kInput, input); !r.ok) {
        return r;
    }
    return sendCommand1(card, cmd::kHwConfig, p.Filter);
}

Result setGain(KARVO7Card* card, uint32_t set, uint32_t verstaerkung) {
    if (const Result r = selectOnVersion3(card, set); !r.ok) {
        return r;
    }
    return sendCommand1(card, cmd::kGain, verstaerkung & 0xFFFFu);
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
    return k7::run(h, error, [&](KARVO7Card* c) {
        if (const k7::Result r = k7::required(params); !r.ok) {
            return r;
        }
        return k7::prepareTransmitter(c, set, *params);
    });
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
    return k7::run(h, error, [&](KARVO7Card* c) { return k7::setGain(c, set, Verstaerkung); });
}

KARVO7_API int KARVO7SetGain(KARVO7HANDLE h, uint32_t Verstaerkung, uint32_t* error) {
    return KARVO7SetGainParam(h, 0, Verstaerkung, error);
}

}  // extern "C"
