#include "card/CommandCheck.h"

#include "Format.h"

namespace k7check {

namespace cmd = k7proto::cmd;

bool sendCommand(KARVO7HANDLE card, uint16_t code, const std::array<uint32_t, 2>& words,
                 uint32_t& error) {
    error = 0;
    const auto count = static_cast<uint8_t>(cmd::wordsOf(code));
    return KARVO7Command(card, code, count, count == 0 ? nullptr : words.data(), &error) != 0;
}

std::string bringBack(KARVO7HANDLE card) {
    uint32_t error = 0;
    if (!sendCommand(card, cmd::kPowerUp, {}, error)) {
        return std::string(commandLabel(cmd::kPowerUp)) + "Command Error";
    }
    if (KARVO7WarmUp(card, &error) == 0) {
        return formatText("WarmUp Error %X", error);
    }
    if (KARVO7ClearFIFO(card, &error) == 0) {
        return formatText("ClearFIFO Error %X", error);
    }
    return "";
}

CommandCheck runCommandCheck(KARVO7HANDLE card) {
    CommandCheck check;
    std::string& line = check.verdict.line;
    line = "OK";
    for (const CardCommand& step : commandCheckSteps()) {
        uint32_t error = 0;
        if (!sendCommand(card, step.code, step.words, error)) {
            line = std::string(commandLabel(step.code)) + "Command Error";
            break;
        }
    }
    const std::string back = bringBack(card);
    check.broughtBack = back.empty();
    if (line == "OK" && !back.empty()) {
        line = back;
    }
    check.verdict.passed = line == "OK";
    return check;
}

}  // namespace k7check
