// Combined preparation of a parameter set: measurement, transmitter and gain, and on
// version-3 cards the gates, in this order, stopping at the first failure.
#include "ParameterSteps.h"

namespace k7 {
namespace {

Outcome prepareAll(KARVO7Card* card, uint32_t set, const MeasureParams& measure,
                   const SpecialParams& special, uint32_t verstaerkung) {
    Outcome done = prepareMeasure(card, set, measure);
    if (done.ok) {
        done = prepareTransmitter(card, set, special);
    }
    if (done.ok) {
        done = setGain(card, set, verstaerkung);
    }
    return done;
}

// A card that is not a version-3 card holds no gates of a set: its gate values are ignored.
Outcome prepareAllGates(KARVO7Card* card, uint32_t set, const MeasureParams& measure,
                        const SpecialParams& special, uint32_t verstaerkung,
                        const GateParams& gates) {
    Outcome done = prepareAll(card, set, measure, special, verstaerkung);
    if (done.ok && card->version3 != 0) {
        done = prepareGates(card, set, gates);
    }
    return done;
}

}  // namespace
}  // namespace k7

extern "C" {

KARVO7_API int KARVO7PrepAllParam(KARVO7HANDLE h, uint32_t set, MeasureParams measure,
                                  SpecialParams special, uint32_t Verstaerkung, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(k7::prepareAll(h, set, measure, special, Verstaerkung), error);
}

KARVO7_API int KARVO7PrepAll(KARVO7HANDLE h, MeasureParams measure, SpecialParams special,
                             uint32_t Verstaerkung, uint32_t* error) {
    return KARVO7PrepAllParam(h, 0, measure, special, Verstaerkung, error);
}

KARVO7_API int KARVO7PrepAllGatesParam(KARVO7HANDLE h, uint32_t set, MeasureParams measure,
                                       SpecialParams special, uint32_t Verstaerkung,
                                       GateParams gates, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(k7::prepareAllGates(h, set, measure, special, Verstaerkung, gates), error);
}

KARVO7_API int KARVO7PrepAllGates(KARVO7HANDLE h, MeasureParams measure, SpecialParams special,
                                  uint32_t Verstaerkung, GateParams gates, uint32_t* error) {
    return KARVO7PrepAllGatesParam(h, 0, measure, special, Verstaerkung, gates, error);
}

}  // extern "C"
