// Combined preparation of a parameter set: measurement, transmitter and gain, and on
// version-3 cards the gates, in this order, stopping at the first failure.
#include "ParameterSteps.h"

namespace k7 {
namespace {

Result prepareAll(KARVO7Card* card, uint32_t set, const MeasureParams& measure,
                  const SpecialParams& special, uint32_t verstaerkung) {
    if (const Result r = prepareMeasure(card, set, measure); !r.ok) {
        return r;
    }
    if (const Result r = prepareTransmitter(card, set, special); !r.ok) {
        return r;
    }
    return setGain(card, set, verstaerkung);
}

// A card that is not a version-3 card holds no gates of a set: its gate values are ignored.
Result prepareAllGates(KARVO7Card* card, uint32_t set, const MeasureParams& measure,
                       const SpecialParams& special, uint32_t verstaerkung,
                       const GateParams& gates) {
    if (const Result r = prepareAll(card, set, measure, special, verstaerkung); !r.ok) {
        return r;
    }
    if (card->version3 == 0) {
        return Result::success();
    }
    return prepareGates(card, set, gates);
}

}  // namespace
}  // namespace k7

extern "C" {

KARVO7_API int KARVO7PrepAllParam(KARVO7HANDLE h, uint32_t set, MeasureParams measure,
                                  SpecialParams special, uint32_t Verstaerkung, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) {
        return k7::prepareAll(c, set, measure, special, Verstaerkung);
    });
}

KARVO7_API int KARVO7PrepAll(KARVO7HANDLE h, MeasureParams measure, SpecialParams special,
                             uint32_t Verstaerkung, uint32_t* error) {
    return KARVO7PrepAllParam(h, 0, measure, special, Verstaerkung, error);
}

KARVO7_API int KARVO7PrepAllGatesParam(KARVO7HANDLE h, uint32_t set, MeasureParams measure,
                                       SpecialParams special, uint32_t Verstaerkung,
                                       GateParams gates, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) {
        return k7::prepareAllGates(c, set, measure, special, Verstaerkung, gates);
    });
}

KARVO7_API int KARVO7PrepAllGates(KARVO7HANDLE h, MeasureParams measure, SpecialParams special,
                                  uint32_t Verstaerkung, GateParams gates, uint32_t* error) {
    return KARVO7PrepAllGatesParam(h, 0, measure, special, Verstaerkung, gates, error);
}

}  // extern "C"
