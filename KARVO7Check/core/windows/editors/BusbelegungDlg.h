// "Busbelegung": which PCI bus and slot each channel is assigned to, and which card sits there.
// The list ends at the first channel without an assignment (bus and slot both 0).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/MainWindowFields.h"
#include "card/ParameterSet.h"
#include "desktop/Dialog.h"

namespace k7check {

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

}  // namespace k7check
