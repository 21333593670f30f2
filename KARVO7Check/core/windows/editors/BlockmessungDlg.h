// "automatische Messung": "Block" is the active flag of set 0, "Parametersatz 1" to
// "Parametersatz 7" those of sets 1 to 7. "OK" writes the flags back and starts the block
// measurement (kIdOk); "Cancel" writes nothing and starts nothing.
#pragma once

#include <array>

#include "card/ParameterSet.h"
#include "desktop/Dialog.h"

namespace k7check {

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
