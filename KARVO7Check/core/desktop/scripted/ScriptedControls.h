// The controls of a window shown by the scripted desktop: what the window last wrote into them,
// and what a test typed or clicked since. Reading gives only what was typed or clicked, so a
// window's fields change exactly where the test acted as a user would.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fields/FieldBinder.h"

namespace k7check {

class ScriptedControls : public Controls {
  public:
    // ---- the test acting as the user ----------------------------------------------------
    void type(const std::string& control, const std::string& text);
    void click(const std::string& control, bool on);
    void select(const std::string& control, int row);

    // ---- what the window shows ----------------------------------------------------------
    std::string text(const std::string& control) const;  // edit or label
    bool isChecked(const std::string& control) const;
    std::vector<std::string> lines(const std::string& control) const;
    bool isEnabled(const std::string& control) const;
    std::string toolTip(const std::string& control) const;

    // ---- Controls -----------------------------------------------------------------------
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
    struct Control {
        std::string text;
        bool checked = false;
        std::vector<std::string> lines;
        int selection = -1;
        bool enabled = true;
        std::string toolTip;
        bool touched = false;  // typed, clicked or selected since the window last wrote it
    };
    const Control* find(const std::string& control) const;
    std::map<std::string, Control> controls_;
};

}  // namespace k7check
