#include "runs/ReadFailure.h"

#include "ErrorWords.h"
#include "Format.h"
#include "KARVO7Protocol.h"

namespace k7check {

std::string errorText(const char* call, uint32_t word) {
    return std::string(call) + " " + errorText(word);
}

std::string runCardText(const char* run, uint32_t card, const std::string& what) {
    return formatText("%s, Karte %u: ", run, card) + what;
}

bool fifoRanOver(KARVO7HANDLE card) {
    return (KARVO7ReadRegister(card, k7proto::reg::kFifoStatus) & k7proto::reg::kFifoFullBits) != 0;
}

}  // namespace k7check
