// The controls of a Win32 window, found by name in its form, as the field binder sees them:
// edits, check boxes and radio buttons, labels, list boxes.
#pragma once

#include <windows.h>

#include "fields/FieldBinder.h"
#include "forms/FormTable.h"

namespace k7w32 {

class Win32DialogView;

class Win32Controls : public k7check::Controls {
  public:
    explicit Win32Controls(Win32DialogView& view) : view_(view) {}

    std::optional<std::string> editText(const std::string& control) override;
    void setEditText(const std::string& control, const std::string& text) override;
    std::optional<bool> checked(const std::string& control) override;
    void setChecked(const std::string& control, bool on) override;
    void setLabel(const std::string& control, const std::string& text) override;
    void setList(const std::string& control, const std::vector<std::string>& lines,
                 int selection) override;
    std::optional<int> listSelection(const std::string& control) override;
    void setEnabled(const std::string& control, bool enabled) override;
    void setToolTip(const std::string& control, const std::string& text) override;

  private:
    // The control named `control` if it is of `kind` (check boxes and radio buttons alike).
    HWND find(const std::string& control, TableKind kind) const;
    Win32DialogView& view_;
    HWND toolTip_ = nullptr;
};

}  // namespace k7w32
