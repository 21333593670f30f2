// Delays of a parameter set (trigger delay in both units, SAP delay) and the card's external
// clock.
#include "Parameters.h"

namespace k7 {
namespace {

// Bit 31 of the trigger delay word selects the fine (25 ns) unit.
constexpr uint32_t kFineUnit = 0x80000000u;

Result setTriggerDelay(KARVO7Card* card, uint32_t set, uint32_t delay, bool fine) {
    if (const Result r = selectSet(card, set); !r.ok) {
        return r;
    }
    return sendCommand1(card, cmd::kTriggerDelay, (delay & ~kFineUnit) | (fine ? kFineUnit : 0u));
}

Result setSapDelay(KARVO7Card* card, uint32_t set, uint32_t delay) {
    if (const Result r = selectSet(card, set); !r.ok) {
        return r;
    }
    return sendCommand1(card, cmd::kSapDelay, delay & 0xFFFFu);
}

}  // namespace
}  // namespace k7

extern "C" {

KARVO7_API int KARVO7SetTriggerDelayParam(KARVO7HANDLE h, uint32_t set, uint32_t delay,
                                          uint32_t* error) {
    return k7::run(h, error,
                   [&](KARVO7Card* c) { return k7::setTriggerDelay(c, set, delay, false); });
}

KARVO7_API int KARVO7SetTriggerDelay(KARVO7HANDLE h, uint32_t delay, uint32_t* error) {
    return KARVO7SetTriggerDelayParam(h, 0, delay, error);
}

KARVO7_API int KARVO7SetTriggerDelay25nsParam(KARVO7HANDLE h, uint32_t set, uint32_t delay,
                                              uint32_t* error) {
    return k7::run(h, error,
                   [&](KARVO7Card* c) { return k7::setTriggerDelay(c, set, delay, true); });
}

KARVO7_API int KARVO7SetTriggerDelay25ns(KARVO7HANDLE h, uint32_t delay, uint32_t* error) {
    return KARVO7SetTriggerDelay25nsParam(h, 0, delay, error);
}

KARVO7_API int KARVO7SetSAPDelayParam(KARVO7HANDLE h, uint32_t set, uint32_t delay,
                                      uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return k7::setSapDelay(c, set, delay); });
}

KARVO7_API int KARVO7SetSAPDelay(KARVO7HANDLE h, uint32_t delay, uint32_t* error) {
    return KARVO7SetSAPDelayParam(h, 0, delay, error);
}

KARVO7_API int KARVO7SetExternalClock(KARVO7HANDLE h, uint32_t on, uint32_t* error) {
    const uint32_t word = on != 0 ? 0xFFFFFFFFu : 0u;
    return k7::run(h, error, [&](KARVO7Card* c) {
        return k7::sendCommand1(c, k7::cmd::kExternalClock, word);
    });
}

}  // extern "C"
