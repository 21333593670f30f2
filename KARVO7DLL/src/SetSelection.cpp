// Parameter sets on the card: selecting the set later commands address, and marking which
// sets take part in a measurement.
#include "Parameters.h"

namespace k7 {

Result selectSet(KARVO7Card* card, uint32_t set) {
    return sendCommand1(card, cmd::kSelectSet, set & 0xFFu);
}

}  // namespace k7

extern "C" {

KARVO7_API int KARVO7SetParam(KARVO7HANDLE h, uint32_t set, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return k7::selectSet(c, set); });
}

KARVO7_API int KARVO7ActiveParam(KARVO7HANDLE h, uint32_t set0, uint32_t set1, uint32_t set2,
                                 uint32_t set3, uint32_t set4, uint32_t set5, uint32_t set6,
                                 uint32_t set7, uint32_t* error) {
    const uint32_t active[8] = {set0, set1, set2, set3, set4, set5, set6, set7};
    uint32_t word = 0;
    for (uint32_t i = 0; i < 8; ++i) {
        if (active[i] != 0) {
            word |= 1u << i;
        }
    }
    return k7::run(h, error,
                   [&](KARVO7Card* c) { return k7::sendCommand1(c, k7::cmd::kActiveSets, word); });
}

}  // extern "C"
