// The gates window "Blenden": edits the echo-start gate and the measuring gates B0 to B4 of one
// parameter set, shows the gate values of the card's last shot, fetches the card's result data
// into the gate value list "Blendenwerte" ("Results") and lists the main window's data buffer
// ("Data List"). The set changes only on "OK".
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "app/CheckButtons.h"
#include "card/ParameterSet.h"
#include "card/Units.h"
#include "desktop/Desktop.h"
#include "windows/measurement/DataList.h"

namespace k7check {

class BlendenDlg : public CheckDialog {
  public:
    static constexpr const char* kWindowClass = "BlendenDlg";
    static constexpr const char* kTitle = "Blenden";
    // Bytes "Results" asks the card for.
    static constexpr uint32_t kResultBytes = 131072;

    // What the window works on: the card, the set it edits, the card's eight active flags, the
    // record-layout flag (VIRMA4 mode) and the main window's data buffer with its fill length.
    struct Inputs {
        KARVO7HANDLE card = nullptr;
        ParameterSet* set = nullptr;
        const std::array<bool, kSetsPerCard>* active = nullptr;
        bool recordLayout = false;
        std::span<const uint8_t> data;  // the filled part of the session's buffer
    };
    BlendenDlg(Desktop& desktop, const Inputs& inputs);

    // Opens the data list "Data" on a buffer: a DataListDlg.
    using DataListOpener = std::function<void(Desktop&, const DataListInputs&)>;

    bool onInit() override;
    void onOk() override;
    void onCancel() override;
    void onCommand(const std::string& control) override;
    void onEditChanged(const std::string& control) override;
    void bindFields(FieldBinder& binder) override;

    // ---- the controls' fields ---------------------------------------------------------------
    units::FloatEdit esbTime;
    int64_t esbLevel = 0;
    bool esbAlways = false;
    bool esbRelativ = false;
    bool b0Enable = false;
    bool esbGleichB0 = true;  // "ESB = B0"
    std::array<units::FloatEdit, kGates> anfang;
    std::array<units::FloatEdit, kGates> ende;
    std::array<int64_t, kGates> schwelle{};
    std::array<bool, kGates> enable{};  // gates 1 to 4 (0 is the echo-start box)
    int unit = static_cast<int>(units::Unit::Samples);
    units::FloatEdit schall;
    std::string status;
    // Result texts: "Delay", then per gate the time and the maximum.
    std::string delayText;
    std::array<std::string, kGates> timeText;
    std::array<std::string, kGates> maximumText;

    units::Unit shownUnit() const { return unit_; }

  private:
    bool readControls();
    // The refusal of a time edit: whole 32-bit counts, shown in the current unit.
    // A refused time of the window, with the counts it allows shown in the current unit:
    // "Time" any 32-bit count, a gate position a whole sample the gate command carries.
    std::string timeRefusal(const std::string& label) const;
    std::string positionRefusal(const std::string& label) const;
    bool toCounts();
    void toShownUnit();
    void showAll();
    void showResults();
    void selectUnit(units::Unit wanted);
    void results();
    void dataList();
    bool refuse(const std::string& text);

    Desktop& desktop_;
    Inputs in_;
    GateResults gates_{};
    bool gatesRead_ = false;
    units::Timing timing_;
    units::Unit unit_ = units::Unit::Samples;
    float factor_ = 1.0f;
    float velocity_ = units::kDefaultSoundVelocity;
    DataListOpener openDataList_;
};

}  // namespace k7check
