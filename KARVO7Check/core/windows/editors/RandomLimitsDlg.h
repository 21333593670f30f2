// "Random Limits": one row per parameter field that has random limits, in the window order the
// field table gives, "Minimum" from the lower set, "Maximum" from the upper one, each the field's
// stored value. "OK" takes both columns over, unless a row's minimum
// exceeds its maximum; Escape changes nothing.
#pragma once

#include "card/ParameterSet.h"
#include "desktop/Desktop.h"
#include "desktop/Dialog.h"

namespace k7check {

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

}  // namespace k7check
