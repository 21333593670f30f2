#include "HandOver.h"

#include <string>

#include "Tool.h"

namespace karvo7 {

namespace {

const char* stepName(k7check::HandOverStep step) {
    switch (step) {
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
    return "nothing";
}

}  // namespace

bool handSet(KARVO7HANDLE card, uint32_t setNumber, const k7check::CardRecord& record,
             std::ostream& err) {
    const k7check::HandOver handed = k7check::handSetToCard(card, setNumber, record);
    if (!handed.ok()) {
        complain(err, "set " + std::to_string(setNumber) + ": the card refused " +
                          stepName(handed.failed) + ", error " + errorWord(handed.error));
    }
    return handed.ok();
}

}  // namespace karvo7
