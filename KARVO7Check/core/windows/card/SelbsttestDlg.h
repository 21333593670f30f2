// The window "Selbsttest": runs the card's thirteen self tests one at a time and keeps, per
// test, whether the main window's automatic run includes it (section "Selbstest" of the
// parameter file).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "KARVO7DLL.h"
#include "app/CheckButtons.h"

namespace k7check {

class Session;

inline constexpr std::size_t kSelfTestCount = 13;

// The test's result prefix ("DSP->PCI-FIFO: ").
const char* selfTestPrefix(std::size_t test);
// The test's name in reports, its prefix without ": " ("DSP->PCI-FIFO"), whatever its line
// says on a failure ("FIFO not empty" replaces the prefix).
std::string selfTestName(std::size_t test);

// Reads of the PCI FIFO port that one emptying of the FIFO takes at most.
inline constexpr int kFifoDrainReads = 64;

class SelbsttestDlg : public CheckDialog {
  public:
    static constexpr const char* kWindowClass = "SelbsttestDlg";
    static constexpr const char* kTitle = "Selbsttest";

    SelbsttestDlg(Session& session, KARVO7HANDLE card);

    std::string ergebnis;  // the result edit
    std::array<bool, kSelfTestCount> selected{};
    bool zyklisch = true;
    bool unbenannt = false;  // the unlabelled check box below test 12

    bool onInit() override;
    void onOk() override { endDialog(kIdOk); }
    void onCancel() override { endDialog(kIdCancel); }
    void onCommand(const std::string& control) override;
    void bindFields(FieldBinder& binder) override;

    // Loads the selection from the parameter file.
    void loadSettings();
    void saveSettings();

    // Runs test `test` (0..12); its result text goes to `resultText`.
    bool runTest(std::size_t test, std::string& resultText);

    // "Selbsttest: ", then one indented line per selected test.
    bool runAutomatic(const std::string& prefix, std::string& resultText,
                      ResultSink& results) override;

  private:
    bool fifoTest(std::string& resultText);
    bool dacTest(std::string& resultText);
    // Reads the FIFO port until the bridge reports the FIFO empty; false when it still is
    // not after kFifoDrainReads reads.
    bool drainFifo();

    Session& session_;
    KARVO7HANDLE card_;
};

}  // namespace k7check
