// The window "Selbsttest": runs the card's thirteen self tests one at a time and keeps, per
// test, whether the main window's automatic run includes it (section "Selbstest" of the
// parameter file).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "KARVO7DLL.h"
#include "app/CheckButtons.h"
#include "card/SelfTests.h"

namespace k7check {

class Session;

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
    Session& session_;
    KARVO7HANDLE card_;
};

}  // namespace k7check
