#include "runs/RunContext.h"

#include "runs/RandomSet.h"

namespace k7check {

void RunContext::drawRandom(ParameterSet& set, CardRecord& record) {
    drawRandomSet(set, session_.randomLimits(), session_.random());
    record = cardRecordOf(set, record.measure.Start);
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
