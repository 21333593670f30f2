// Three small windows of the main window's data: "Random Limits" edits the random limits pair,
// "Busbelegung" lists the channel table, "automatische Messung" chooses the sets of the current
// card that take part in a block measurement.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Desktop.h"
#include "Dialog.h"
#include "MainWindowFields.h"
#include "ParameterSet.h"

namespace k7check {

// "Random Limits": one row per parameter field that has random limits, in the window order the
// field table gives, "Minimum" from the lower set, "Maximum" from the upper one, each the field's
// stored value. "OK" takes both columns over, unless a row's minimum
// exceeds its maximum; Escape changes nothing.
class RandomLimitsDlg : public Dialog {
  public:
    static constexpr const char* kWindowClass = "RandomLimitsDlg";
    static constexpr const char* kTitle = "Random Limits";

    RandomLimitsDlg(Desktop& desktop, RandomLimits& limits);

    bool onInit() override;
    void onOk() override;
    void onCancel() override;
    void bindFields(FieldBinder& binder) override;

  private:
    Desktop& desktop_;
    RandomLimits& limits_;
    ParameterSet lower_;
    ParameterSet upper_;
};

// "Busbelegung": which PCI bus and slot each channel is assigned to, and which card sits there.
// The list ends at the first channel without an assignment (bus and slot both 0).
class BusbelegungDlg : public Dialog {
  public:
    static constexpr const char* kWindowClass = "BusbelegungDlg";
    static constexpr const char* kTitle = "Busbelegung";

    explicit BusbelegungDlg(const std::array<Channel, kMaxCards>& channels);
    static std::vector<std::string> linesOf(const std::array<Channel, kMaxCards>& channels);

    bool onInit() override;
    void onCancel() override;
    void bindFields(FieldBinder& binder) override;

    std::vector<std::string> lines;
    int selection = -1;
};

// "automatische Messung": "Block" is the active flag of set 0, "Parametersatz 1" to
// "Parametersatz 7" those of sets 1 to 7. "OK" writes the flags back and starts the block
// measurement (kIdOk); "Cancel" writes nothing and starts nothing.
class BlockmessungDlg : public Dialog {
  public:
    static constexpr const char* kWindowClass = "BlockmessungDlg";
    static constexpr const char* kTitle = "automatische Messung";

    explicit BlockmessungDlg(std::array<bool, kSetsPerCard>& active);

    bool onInit() override;
    void onOk() override;
    void onCancel() override;
    void bindFields(FieldBinder& binder) override;

    std::array<bool, kSetsPerCard> flags{};

  private:
    std::array<bool, kSetsPerCard>& active_;
};

}  // namespace k7check
