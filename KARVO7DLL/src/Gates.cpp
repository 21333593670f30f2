// Measuring gates B0 to B4, the echo-start gate and the gate enables of a parameter set.
//
// A gate travels in one gate command as two data words holding four 16-bit values in memory
// order: the gate number (0xFFFF for the echo-start gate) and three values of the gate.
#include "ParameterSteps.h"

namespace k7 {
namespace {

constexpr uint32_t kGates = 5;

Result sendGateBlock(KARVO7Card* card, uint32_t set, uint32_t number, uint32_t first,
                     uint32_t second, uint32_t third) {
    if (const Result r = selectSet(card, set); !r.ok) {
        return r;
    }
    return sendCommand2(card, cmd::kGate, (number & 0xFFFFu) | (first & 0xFFFFu) << 16,
                        (second & 0xFFFFu) | (third & 0xFFFFu) << 16);
}

Result setEchoStartGate(KARVO7Card* card, uint32_t set, uint32_t level, uint32_t time,
                        uint32_t relativ, uint32_t always) {
    const uint32_t flags = (relativ != 0 ? 1u : 0u) + (always != 0 ? 2u : 0u);
    return sendGateBlock(card, set, cmd::kEchoStartGate, time, level, flags);
}

}  // namespace

Result setGate(KARVO7Card* card, uint32_t set, uint32_t gate, uint32_t anfang, uint32_t ende,
               uint32_t schwelle) {
    return sendGateBlock(card, set, gate & 0xFFu, anfang, ende, schwelle);
}

Result activateGates(KARVO7Card* card, uint32_t set, const GateEnables& enables) {
    uint32_t word = 0;
    for (uint32_t i = 0; i < kGates; ++i) {
        if (enables.Enable[i] != 0) {
            word |= 1u << i;
        }
    }
    if (const Result r = selectSet(card, set); !r.ok) {
        return r;
    }
    return sendCommand1(card, cmd::kGateEnables, word);
}

Result prepareGates(KARVO7Card* card, uint32_t set, const GateParams& gates) {
    for (uint32_t i = 0; i < kGates; ++i) {
        const GateParam& g = gates.Gate[i];
        if (const Result r = setGate(card, set, i, g.Anfang, g.Ende, g.Schwelle); !r.ok) {
            return r;
        }
    }
    return activateGates(card, set, gates.Enables);
}

}  // namespace k7

extern "C" {

KARVO7_API int KARVO7SetGateParam(KARVO7HANDLE h, uint32_t set, uint32_t gate, uint32_t Anfang,
                                  uint32_t Ende, uint32_t Schwelle, uint32_t* error) {
    return k7::run(
        h, error, [&](KARVO7Card* c) { return k7::setGate(c, set, gate, Anfang, Ende, Schwelle); });
}

KARVO7_API int KARVO7SetGate(KARVO7HANDLE h, uint32_t gate, uint32_t Anfang, uint32_t Ende,
                             uint32_t Schwelle, uint32_t* error) {
    return KARVO7SetGateParam(h, 0, gate, Anfang, Ende, Schwelle, error);
}

KARVO7_API int KARVO7SetESGateParam(KARVO7HANDLE h, uint32_t set, uint32_t level, uint32_t time,
                                    uint32_t relativ, uint32_t always, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) {
        return k7::setEchoStartGate(c, set, level, time, relativ, always);
    });
}

KARVO7_API int KARVO7SetESGate(KARVO7HANDLE h, uint32_t level, uint32_t time, uint32_t relativ,
                               uint32_t always, uint32_t* error) {
    return KARVO7SetESGateParam(h, 0, level, time, relativ, always, error);
}

KARVO7_API int KARVO7ActiveGateParam(KARVO7HANDLE h, uint32_t set, const GateEnables* enables,
                                     uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) {
        if (const k7::Result r = k7::required(enables); !r.ok) {
            return r;
        }
        return k7::activateGates(c, set, *enables);
    });
}

KARVO7_API int KARVO7ActiveGate(KARVO7HANDLE h, const GateEnables* enables, uint32_t* error) {
    return KARVO7ActiveGateParam(h, 0, enables, error);
}

KARVO7_API int KARVO7PrepGatesParamPointer(KARVO7HANDLE h, uint32_t set, const GateParams* gates,
                                           uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) {
        if (const k7::Result r = k7::required(gates); !r.ok) {
            return r;
        }
        return k7::prepareGates(c, set, *gates);
    });
}

KARVO7_API int KARVO7PrepGatesPointer(KARVO7HANDLE h, const GateParams* gates, uint32_t* error) {
    return KARVO7PrepGatesParamPointer(h, 0, gates, error);
}

KARVO7_API int KARVO7PrepGatesParam(KARVO7HANDLE h, uint32_t set, uint32_t B0Anfang,
                                    uint32_t B0Ende, uint32_t B0Schwelle, uint32_t B1Anfang,
                                    uint32_t B1Ende, uint32_t B1Schwelle, uint32_t B2Anfang,
                                    uint32_t B2Ende, uint32_t B2Schwelle, uint32_t B3Anfang,
                                    uint32_t B3Ende, uint32_t B3Schwelle, uint32_t B4Anfang,
                                    uint32_t B4Ende, uint32_t B4Schwelle, uint32_t B0Enable,
                                    uint32_t B1Enable, uint32_t B2Enable, uint32_t B3Enable,
                                    uint32_t B4Enable, uint32_t* error) {
    const GateParams gates{{{B0Anfang, B0Ende, B0Schwelle},
                            {B1Anfang, B1Ende, B1Schwelle},
                            {B2Anfang, B2Ende, B2Schwelle},
                            {B3Anfang, B3Ende, B3Schwelle},
                            {B4Anfang, B4Ende, B4Schwelle}},
                           {{B0Enable, B1Enable, B2Enable, B3Enable, B4Enable}}};
    return KARVO7PrepGatesParamPointer(h, set, &gates, error);
}

KARVO7_API int KARVO7PrepGates(KARVO7HANDLE h, uint32_t B0Anfang, uint32_t B0Ende,
                               uint32_t B0Schwelle, uint32_t B1Anfang, uint32_t B1Ende,
                               uint32_t B1Schwelle, uint32_t B2Anfang, uint32_t B2Ende,
                               uint32_t B2Schwelle, uint32_t B3Anfang, uint32_t B3Ende,
                               uint32_t B3Schwelle, uint32_t B4Anfang, uint32_t B4Ende,
                               uint32_t B4Schwelle, uint32_t B0Enable, uint32_t B1Enable,
                               uint32_t B2Enable, uint32_t B3Enable, uint32_t B4Enable,
                               uint32_t* error) {
    return KARVO7PrepGatesParam(h, 0, B0Anfang, B0Ende, B0Schwelle, B1Anfang, B1Ende, B1Schwelle,
                                B2Anfang, B2Ende, B2Schwelle, B3Anfang, B3Ende, B3Schwelle,
                                B4Anfang, B4Ende, B4Schwelle, B0Enable, B1Enable, B2Enable,
                                B3Enable, B4Enable, error);
}

}  // extern "C"
