#include "windows/card/CommandDlg.h"

#include <memory>

#include "ErrorWords.h"
#include "Format.h"
#include "app/Session.h"
#include "card/CardReset.h"
#include "card/CommandCheck.h"
#include "windows/card/CommandParameterDlgs.h"

namespace k7check {

namespace {

namespace cmd = k7proto::cmd;

struct Button {
    const char* control;
    uint16_t code;
};

constexpr std::array<Button, 7> kSimpleButtons{{
    {"startButton", cmd::kStart},
    {"stopButton", cmd::kStop},
    {"resetButton", cmd::kReset},
    {"offsetButton", cmd::kOffset},
    {"powerDownButton", cmd::kPowerDown},
    {"powerUpButton", cmd::kPowerUp},
    {"attenuationButton", cmd::kAttenuation},
}};

constexpr std::array<Button, 10> kParameterButtons{{
    {"shotButton", cmd::kShot},
    {"senderButton", cmd::kSender},
    {"inputButton", cmd::kInput},
    {"gainButton", cmd::kGain},
    {"hwConfigButton", cmd::kHwConfig},
    {"averageButton", cmd::kAverage},
    {"triggerButton", cmd::kTrigger},
    {"countButton", cmd::kCount},
    {"aScanButton", cmd::kAScan},
    {"swConfigButton", cmd::kSwConfig},
}};

}  // namespace

CommandDlg::CommandDlg(Session& session, uint32_t number, uint16_t sapDelay)
    : CheckDialog(kWindowClass, kTitle),
      session_(session),
      number_(number),
      card_(session.card(number)),
      sapDelay_(sapDelay) {
    for (const CardCommand& command : defaultCommands()) {
        lastWords_[command.code] = command.words;
    }
}

void CommandDlg::bindFields(FieldBinder& binder) {
    binder.list("resultList", lines, selection);
    binder.unavailable("spCompButton", "SP Comp wird von diesem Programm nicht gesendet.");
}

void CommandDlg::onCommand(const std::string& control) {
    for (const Button& button : kSimpleButtons) {
        if (control == button.control) {
            simpleCommand(button.code);
            return;
        }
    }
    for (const Button& button : kParameterButtons) {
        if (control == button.control) {
            parameterCommand(button.code);
            return;
        }
    }
    if (control == "defaultButton") {
        sendDefaults();
    } else if (control == "resetAllButton") {
        resetAll();
    } else if (control == "sapDelayButton") {
        sapDelayWindow();
    } else if (control == "adcButton") {
        adcBox();
    } else {
        Dialog::onCommand(control);
    }
}

bool CommandDlg::send(uint16_t code, const std::array<uint32_t, 2>& words, uint32_t& error) {
    return sendCommand(card_, code, words, error);
}

void CommandDlg::addLine(const std::string& line) {
    lines.push_back(line);
    selection = static_cast<int>(lines.size()) - 1;
    writeFieldsToControls();
}

void CommandDlg::addOutcome(uint16_t code, bool sent, uint32_t error) {
    addLine(std::string(commandLabel(code)) + (sent ? "OK" : errorText(error)));
}

void CommandDlg::simpleCommand(uint16_t code) {
    lines.clear();
    uint32_t error = 0;
    const bool sent = send(code, {}, error);
    addOutcome(code, sent, error);
}

void CommandDlg::parameterCommand(uint16_t code) {
    Desktop& desktop = session_.desktop();
    const RegisterReader read = [this](uint32_t reg) { return KARVO7ReadRegister(card_, reg); };
    std::unique_ptr<CmdParameterDlg> window;
    switch (code) {
        case cmd::kShot:
            window = std::make_unique<CmdShotDlg>(desktop, read);
            break;
        case cmd::kSender:
            window = std::make_unique<CmdSenderDlg>(desktop, read);
            break;
        case cmd::kInput:
            window = std::make_unique<CmdInputDlg>(desktop, read);
            break;
        case cmd::kGain:
            window = std::make_unique<CmdGainDlg>(desktop);
            break;
        case cmd::kHwConfig:
            window = std::make_unique<CmdHWconfigDlg>(desktop, read);
            break;
        case cmd::kAverage:
            window = std::make_unique<CmdAverageDlg>(desktop);
            break;
        case cmd::kTrigger:
            window = std::make_unique<CmdTriggerDlg>(desktop, read);
            break;
        case cmd::kCount:
            window = std::make_unique<CmdCountDlg>(desktop, read);
            break;
        case cmd::kAScan:
            window = std::make_unique<CmdAScanDlg>(desktop);
            break;
        case cmd::kSwConfig:
            window = std::make_unique<CmdSWconfigDlg>(desktop);
            break;
        default:
            return;
    }
    if (desktop.runModal(*window) != kIdOk) {
        return;
    }
    const std::array<uint32_t, 2> words = window->words();
    lastWords_[code] = words;
    if (code == cmd::kAverage && !averageWord(words[0])) {
        addLine(std::string(commandLabel(code)) + kAverageZero);
        return;
    }
    uint32_t error = 0;
    const bool sent = send(code, words, error);
    addOutcome(code, sent, error);
}

// Each default command gets its line, as when sent from its own window, so that the list says
// what the card took.
void CommandDlg::sendDefaults() {
    lines.clear();
    for (const CardCommand& command : defaultCommands()) {
        uint32_t error = 0;
        const bool sent = send(command.code, command.words, error);
        lastWords_[command.code] = command.words;
        addOutcome(command.code, sent, error);
    }
}

void CommandDlg::resetAll() {
    Desktop& desktop = session_.desktop();
    if (desktop.messageBox(kTitle, "Hardware Reset?", Buttons::YesNo) != Answer::Yes) {
        return;
    }
    const ResetWarmUpOutcome outcome = resetAndWarmUp(card_, desktop, kResetAllPolls);
    if (outcome.ok()) {
        session_.resendVirma4Identifications(number_);
    }
    addLine(resetLine(outcome));
}

void CommandDlg::sapDelayWindow() {
    CmdSAPdelayDlg window(session_.desktop(), sapDelay_);
    if (session_.desktop().runModal(window) != kIdOk) {
        return;
    }
    sapDelay_ = window.sapDelay;
    uint32_t error = 0;
    if (KARVO7SetSAPDelay(card_, sapDelayValue(sapDelay_), &error) == 0) {
        session_.desktop().messageBox(
            "Test", formatText("Command Karte %u: SetSAPDelay ", number_) + errorText(error));
    }
}

void CommandDlg::adcBox() {
    Desktop& desktop = session_.desktop();
    // "No" reads again, "Yes" ends; closing the box without a button ends it as well.
    Answer answer = Answer::No;
    while (answer == Answer::No) {
        ADCValues v{};
        uint32_t error = 0;
        const std::string text =
            KARVO7GetADC(card_, &v, &error) != 0
                ? formatText(
                      "Temperatur = %4.2f °C\n\n Analogteil\n\n +5V = +%4.2f V\n -5V  = "
                      "-%4.2f V\n HS  = %4.0f V\n\nDigitalteil\n\n -5V = -%4.2f "
                      "V\n\nADC-Referenz = %4.2f V",
                      static_cast<double>(v.Temperatur), static_cast<double>(v.Analog5VPlus),
                      static_cast<double>(v.Analog5VMinus), static_cast<double>(v.HS),
                      static_cast<double>(v.Digital5VMinus), static_cast<double>(v.ADCReferenz))
                : formatText("Error %X", error);
        answer = desktop.messageBox("Temperatur/Spannungen", text, Buttons::YesNoCancel);
    }
}

bool CommandDlg::automaticCheck(std::string& resultText) {
    const CommandCheck check = runCommandCheck(card_);
    if (check.broughtBack) {
        session_.resendVirma4Identifications(number_);
    }
    resultText = check.verdict.line;
    return check.verdict.passed;
}

}  // namespace k7check
