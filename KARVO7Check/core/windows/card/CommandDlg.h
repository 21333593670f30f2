// The window "Command": sends any one card command to the selected card, with the parameters
// of one of ten parameter windows, shows the outcomes in a list, resets the card, sets the SAP
// delay and shows temperature and supply voltages. Its automatic check sends the command
// sequence and brings the card back into operation.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "app/CheckButtons.h"
#include "card/CommandWords.h"

namespace k7check {

class Session;

// Polls of the "Reset All" wait, 10 ms apart.
inline constexpr uint32_t kResetAllPolls = 1000;

class CommandDlg : public CheckDialog {
  public:
    static constexpr const char* kWindowClass = "CommandDlg";
    static constexpr const char* kTitle = "Command";

    // For the card `number` of the session; the SAP delay starts from `sapDelay`.
    CommandDlg(Session& session, uint32_t number, uint16_t sapDelay);

    std::vector<std::string> lines;  // the result list
    int selection = -1;

    // Shows the window's fields, "SP Comp" disabled among them.
    bool onInit() override {
        writeFieldsToControls();
        return true;
    }
    void onOk() override { endDialog(kIdOk); }
    void onCancel() override { endDialog(kIdCancel); }
    void onCommand(const std::string& control) override;
    void bindFields(FieldBinder& binder) override;

    // Reset, Power Up, Offset, Sys Attenuation, Shot, Start, Stop, Power Down; then the card
    // is brought back: Power Up, warm-up, FIFO cleared, identifications.
    bool automaticCheck(std::string& resultText) override;

    // The window's actions, by button.
    void simpleCommand(uint16_t code);
    void parameterCommand(uint16_t code);
    void sendDefaults();
    void resetAll();
    void sapDelayWindow();
    void adcBox();

    // The last data words of each parameter command.
    const std::array<uint32_t, 2>& lastWords(uint16_t code) { return lastWords_[code]; }
    uint32_t sapDelay() const { return sapDelay_; }

  private:
    bool send(uint16_t code, const std::array<uint32_t, 2>& words, uint32_t& error);
    void addLine(const std::string& line);
    // The command's label and "OK", or "Error %X" with the error word.
    void addOutcome(uint16_t code, bool sent, uint32_t error);

    Session& session_;
    uint32_t number_;
    KARVO7HANDLE card_;
    uint32_t sapDelay_;
    std::map<uint16_t, std::array<uint32_t, 2>> lastWords_;
};

}  // namespace k7check
