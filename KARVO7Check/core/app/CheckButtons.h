// The check buttons of the main window's left column, in button order, and the one mechanism
// that connects each button to its window: a window is added by registering a factory for its
// button, never by editing the main window. A button whose window is not registered is shown
// disabled.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "desktop/Dialog.h"

namespace k7check {

class Session;

enum class CheckId : std::size_t {
    PciConfiguration,
    PciEeprom,
    PciOperation,
    Kennung,
    SteuerLca,
    DatenLca,
    Dsp,
    Test,
    Command,
    Blenden,
    Blockmessung,
    ParameterShot,
};
constexpr std::size_t kCheckCount = 12;

constexpr std::size_t index(CheckId id) {
    return static_cast<std::size_t>(id);
}

// What the main window shows and does for one check button.
struct CheckButton {
    CheckId id;
    const char* caption;       // button text, "PCI Configuration"
    const char* label;         // run-time text of the label right of the button
    const char* automaticKey;  // key in section "Check" keeping the automatic box; "" = none
    bool needsKarvo7F;         // refused with "Keine KARVO7F!" on older cards
    const char* prefix;        // result-line prefix, "PCI Configuration: "
    bool writesLine;           // whether the automatic mode appends a line at all
};

// The name of a check in reports: its result-line prefix without ": " ("PCI Operation"), or
// the button's caption when its lines carry no common prefix ("Blockmessung").
std::string checkReportName(const CheckButton& button);

// The buttons in the order of the left column.
const std::array<CheckButton, kCheckCount>& checkButtons();
const CheckButton& checkButton(CheckId id);

// Where an automatic check leaves its lines.
class ResultSink {
  public:
    virtual ~ResultSink() = default;
    virtual void appendResult(const std::string& line) = 0;
    // A line that reports one test of a check which writes several ("DSP->PCI-FIFO" of the
    // self tests). `test` names the test whatever the line says, so that a report follows it
    // from run to run.
    virtual void appendTestResult(const std::string& test, const std::string& line) {
        (void)test;
        appendResult(line);
    }
};

// The window behind a check button. It gets what it needs from the main window when it is
// created (the selected card's handle, the selected set, ...), and offers two entry points:
// shown modally by the desktop, or its automatic check run without showing it.
class CheckDialog : public Dialog {
  public:
    using Dialog::Dialog;

    // The check without the window: leaves its one-line verdict in `resultText` and says
    // whether the card passed. Windows without a check of their own keep the text.
    virtual bool automaticCheck(std::string& resultText) {
        (void)resultText;
        return true;
    }

    // The automatic mode as the main window runs it: by default the check and one line,
    // `prefix` followed by the verdict. Windows that write several lines override it.
    // Returns whether every check run passed.
    virtual bool runAutomatic(const std::string& prefix, std::string& resultText,
                              ResultSink& results) {
        const bool passed = automaticCheck(resultText);
        results.appendResult(prefix + resultText);
        return passed;
    }

    // Called by the main window after the window was shown modally and closed.
    virtual void afterModal(Session& session) { (void)session; }
};

// Creates the window of a check for the session's selected card.
using CheckFactory = std::function<std::unique_ptr<CheckDialog>(Session& session)>;

// A button that runs something other than "window or automatic check" (the measurement runs)
// registers a press handler instead; it is called with the session after the common steps
// (KARVO7F test, operating voltage on, fields read) and returns whether it passed.
using CheckPress = std::function<bool(Session& session, bool automatic)>;

// A main-window button outside the check column ("Tiefenausgleich", "Random Limits", the
// data-rate runs), named by its control; returns whether what it ran passed.
using WindowButton = std::function<bool(Session& session)>;

// Which window belongs to which button.
class CheckRegistry {
  public:
    void registerWindow(CheckId id, CheckFactory factory);
    void registerPress(CheckId id, CheckPress press);
    void registerButton(const std::string& control, WindowButton button);

    // Whether the button has a window (or press handler) and is therefore enabled.
    bool available(CheckId id) const;
    const CheckFactory& factory(CheckId id) const { return factories_[index(id)]; }
    const CheckPress& press(CheckId id) const { return presses_[index(id)]; }
    // The handler of a main-window button, or nullptr when none is registered for it.
    const WindowButton* windowButton(const std::string& control) const;

    // Every window the program has, registered by the windows' own registration functions.
    static const CheckRegistry& standard();

  private:
    std::array<CheckFactory, kCheckCount> factories_{};
    std::array<CheckPress, kCheckCount> presses_{};
    std::map<std::string, WindowButton> buttons_;
};

}  // namespace k7check
