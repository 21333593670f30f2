// Delays of a parameter set (trigger delay in both units, SAP delay) and the card's external
// clock.
#include "Parameters.h"

namespace k7 {
namespace {

constexpr uint16_t kTriggerDelay = 0x8001;
constexpr uint16_t kSapDelay = 0x2C01;
constexpr uint16_t kExternalClock = 0x3401;
// Bit 31 of the trigger delay word selects the fine (25 ns) unit.
constexpr uint32_t kFineUnit = 0x80000000u;

Outcome setTriggerDelay(KARVO7Card* card, uint32_t set, uint32_t delay, bool fine) {
    Outcome sent = selectSet(card, set);
    if (!sent.ok) {
        return sent;
    }
    return sendCommand1(card, kTriggerDelay, (delay & ~kFineUnit) | (fine ? kFineUnit : 0u));
}

Outcome setSapDelay(KARVO7Card* card, uint32_t set, uint32_t delay) {
    Outcome sent = selectSet(card, set);
    return sent.ok ? sendCommand1(card, kSapDelay, delay & 0xFFFFu) : sent;
}

}  // namespace
}  // namespace k7

extern "C" {

KARVO7_API int KARVO7SetTriggerDelayParam(KARVO7HANDLE h, uint32_t set, uint32_t delay,
                                          uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(k7::setTriggerDelay(h, set, delay, false), error);
}

KARVO7_API int KARVO7SetTriggerDelay(KARVO7HANDLE h, uint32_t delay, uint32_t* error) {
    return KARVO7SetTriggerDelayParam(h, 0, delay, error);
}

KARVO7_API int KARVO7SetTriggerDelay25nsParam(KARVO7HANDLE h, uint32_t set, uint32_t delay,
                                              uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(k7::setTriggerDelay(h, set, delay, true), error);
}

KARVO7_API int KARVO7SetTriggerDelay25ns(KARVO7HANDLE h, uint32_t delay, uint32_t* error) {
    return KARVO7SetTriggerDelay25nsParam(h, 0, delay, error);
}

KARVO7_API int KARVO7SetSAPDelayParam(KARVO7HANDLE h, uint32_t set, uint32_t delay,
                                      uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(k7::setSapDelay(h, set, delay), error);
}

KARVO7_API int KARVO7SetSAPDelay(KARVO7HANDLE h, uint32_t delay, uint32_t* error) {
    return KARVO7SetSAPDelayParam(h, 0, delay, error);
}

KARVO7_API int KARVO7SetExternalClock(KARVO7HANDLE h, uint32_t on, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(k7::sendCommand1(h, k7::kExternalClock, on != 0 ? 0xFFFFFFFFu : 0u), error);
}

}  // extern "C"
