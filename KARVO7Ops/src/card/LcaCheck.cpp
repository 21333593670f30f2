#include "card/LcaCheck.h"

#include "Format.h"
#include "KARVO7Protocol.h"

namespace k7check {

Verdict checkLcaIdentities(KARVO7HANDLE card) {
    for (const uint32_t reg : {k7proto::reg::kLcaId, k7proto::reg::kDataLcaId}) {
        const uint32_t id = KARVO7ReadRegister(card, reg) & 0xFFFFu;
        if (id == 0 || id == 0xFFFFu) {
            return {false, formatText("LCA ID %04X", id)};
        }
    }
    return {true, "OK"};
}

}  // namespace k7check
