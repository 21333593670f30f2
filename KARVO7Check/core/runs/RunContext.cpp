#include "runs/RunContext.h"

#include <stdexcept>

namespace k7check {

void RunContext::drawRandom(ParameterSet& set, CardRecord& record) {
    session_.drawRandomSet(set);
    record = cardRecordOf(set, record.measure.Start);
}

ParameterSet& RunContext::set(uint32_t card, uint32_t set) {
    ParameterSet* found = session_.editableSet(card, set);
    if (found == nullptr) {
        throw std::out_of_range("parameter set outside the table");
    }
    return *found;
}

void RunContext::showReadingFailure() {
    if (!message_.empty()) {
        desktop_.messageBox(caption_, message_);
    }
}

void RunContext::say(const std::string& text, const char* caption) {
    desktop_.messageBox(caption != nullptr ? caption : caption_, text);
    line_.markFailed();
}

void RunContext::appendLine(const std::string& head) {
    if (!line_.failed()) {
        session_.appendResult(head + line_.finished());
    } else {
        session_.appendResult(stopped_ ? head + line_.text() : line_.text());
    }
}

}  // namespace k7check
