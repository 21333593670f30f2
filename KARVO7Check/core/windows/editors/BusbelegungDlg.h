// "Busbelegung": which PCI bus and slot each channel is assigned to, and which card sits there.
// The channels end at the first one without an assignment (bus and slot both 0); the cards that
// sit in no channel's slot follow them, since the runs use them all the same.
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

    // A card that no channel names: its number and PCI position.
    struct LooseCard {
        uint32_t card = 0;
        uint32_t bus = 0;
        uint32_t slot = 0;
    };

    BusbelegungDlg(const std::array<Channel, kMaxCards>& channels,
                   const std::vector<LooseCard>& loose = {});
    static std::vector<std::string> linesOf(const std::array<Channel, kMaxCards>& channels,
                                            const std::vector<LooseCard>& loose = {});

    bool onInit() override;
    void onCancel() override;
    void bindFields(FieldBinder& binder) override;

    std::vector<std::string> lines;
    int selection = -1;
};

}  // namespace k7check
