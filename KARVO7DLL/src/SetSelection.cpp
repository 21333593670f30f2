// Parameter sets on the card: selecting the set later commands address, and marking which
// sets take part in a measurement.
#include "Parameters.h"

namespace k7 {

namespace {
constexpr uint16_t kSelectSet = 0x2001;
constexpr uint16_t kActiveSets = 0x2401;
}  // namespace

Outcome selectSet(KARVO7Card* card, uint32_t set) {
    return sendCommand1(card, kSelectSet, set & 0xFFu);
}

}  // namespace k7

extern "C" {

KARVO7_API int KARVO7SetParam(KARVO7HANDLE h, uint32_t set, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(k7::selectSet(h, set), error);
}

KARVO7_API int KARVO7ActiveParam(KARVO7HANDLE h, uint32_t set0, uint32_t set1, uint32_t set2,
                                 uint32_t set3, uint32_t set4, uint32_t set5, uint32_t set6,
                                 uint32_t set7, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    const uint32_t active[8] = {set0, set1, set2, set3, set4, set5, set6, set7};
    uint32_t word = 0;
    for (uint32_t i = 0; i < 8; ++i) {
        if (active[i] != 0) {
            word |= 1u << i;
        }
    }
    return k7::report(k7::sendCommand1(h, k7::kActiveSets, word), error);
}

}  // extern "C"
