#include "HandOver.h"

#include <string>

#include "KARVO7Ops.h"
#include "Tool.h"

namespace karvo7 {

namespace {

const char* stepName(uint32_t step) {
    switch (static_cast<k7check::HandOverStep>(step)) {
        case k7check::HandOverStep::Record:
            return "the set";
        case k7check::HandOverStep::TriggerDelay:
            return "the trigger delay";
        case k7check::HandOverStep::ExternalClock:
            return "the external clock";
        case k7check::HandOverStep::EchoStartGate:
            return "the echo-start gate";
        case k7check::HandOverStep::None:
            break;
    }
    switch (step) {
        case K7OPS_STEP_ACTIVE_SETS:
            return "the active sets";
        case K7OPS_STEP_SELECT_SET:
            return "the selection of the set";
        default:
            break;
    }
    return "nothing";
}

}  // namespace

bool handSet(KARVO7HANDLE card, uint32_t setNumber, const k7check::CardRecord& record,
             std::ostream& err) {
    const k7check::HandOver handed = k7check::handSetToCard(card, setNumber, record);
    if (!handed.ok()) {
        complain(err, refusedText(setNumber, static_cast<uint32_t>(handed.failed), handed.error));
    }
    return handed.ok();
}

std::string refusedText(uint32_t setNumber, uint32_t step, uint32_t error) {
    return "set " + std::to_string(setNumber) + ": the card refused " + stepName(step) +
           ", error " + errorWord(error);
}

}  // namespace karvo7
