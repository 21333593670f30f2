#include "windows/card/SelbsttestDlg.h"

#include <utility>

#include "app/Session.h"

namespace k7check {

namespace {

constexpr const char* kSection = "Selbstest";

// The self tests' questions and findings as message boxes.
class DesktopObserver final : public SelfTestObserver {
  public:
    explicit DesktopObserver(Desktop& desktop) : desktop_(desktop) {}
    void fifoMismatch(const std::string& line) override {
        desktop_.messageBox("DSP->PCI-FIFO", line);
    }
    bool dacRampsOk() override {
        return desktop_.messageBox("DAC-Test", "DAC-Rampen OK?", Buttons::YesNo) == Answer::Yes;
    }

  private:
    Desktop& desktop_;
};

std::string testButton(std::size_t test) {
    return "test" + std::to_string(test) + "Button";
}
std::string testCheck(std::size_t test) {
    return "test" + std::to_string(test) + "Check";
}

}  // namespace

SelbsttestDlg::SelbsttestDlg(Session& session, KARVO7HANDLE card)
    : CheckDialog(kWindowClass, kTitle), session_(session), card_(card) {
    selected.fill(true);
}

bool SelbsttestDlg::onInit() {
    loadSettings();
    writeFieldsToControls();
    return true;
}

void SelbsttestDlg::bindFields(FieldBinder& binder) {
    binder.label("ergebnisLabel", ergebnis);
    for (std::size_t i = 0; i < kSelfTestCount; ++i) {
        binder.check(testCheck(i), selected[i]);
    }
    binder.check("zyklischCheck", zyklisch);
    binder.check("unbenanntCheck", unbenannt);
}

void SelbsttestDlg::onCommand(const std::string& control) {
    for (std::size_t i = 0; i < kSelfTestCount; ++i) {
        if (control == testButton(i)) {
            readFieldsFromControls();
            runTest(i, ergebnis);
            writeFieldsToControls();
            return;
        }
    }
    if (control == "saveButton") {
        if (session_.desktop().messageBox(kSection, "Wollen Sie wirklich sichern?",
                                          Buttons::YesNo) == Answer::Yes) {
            readFieldsFromControls();
            saveSettings();
        }
        return;
    }
    Dialog::onCommand(control);
}

void SelbsttestDlg::loadSettings() {
    const auto read = [&](const char* key) {
        const std::string value =
            session_.desktop().profileString(session_.profileFile(), kSection, key, "yes");
        return value.empty() || (value.front() != 'n' && value.front() != 'N');
    };
    for (std::size_t i = 0; i < kSelfTestCount; ++i) {
        selected[i] = read(selfTestKey(i));
    }
    zyklisch = read("zyklisch");
}

void SelbsttestDlg::saveSettings() {
    Desktop& desktop = session_.desktop();
    bool written = true;
    const auto write = [&](const char* key, bool on) {
        written =
            desktop.writeProfileString(session_.profileFile(), kSection, key, on ? "yes" : "no") &&
            written;
    };
    for (std::size_t i = 0; i < kSelfTestCount; ++i) {
        write(selfTestKey(i), selected[i]);
    }
    write("zyklisch", zyklisch);
    if (!written) {
        desktop.messageBox(kSection, "Die Parameterdatei konnte nicht geschrieben werden!");
    }
}

bool SelbsttestDlg::runTest(std::size_t test, std::string& resultText) {
    DesktopObserver observer(session_.desktop());
    Verdict result = runSelfTest(card_, test, session_.desktop(), observer);
    resultText = std::move(result.line);
    return result.passed;
}

bool SelbsttestDlg::runAutomatic(const std::string& prefix, std::string& resultText,
                                 ResultSink& results) {
    loadSettings();
    results.appendResult(prefix);
    bool passed = true;
    for (std::size_t i = 0; i < kSelfTestCount; ++i) {
        if (selected[i]) {
            passed = runTest(i, resultText) && passed;
            results.appendTestResult(selfTestName(i), "   " + resultText);
        }
    }
    return passed;
}

}  // namespace k7check
