// The controls of a Qt window, found by object name, as the field binder sees them: edits,
// check boxes and radio buttons, labels, list boxes.
#pragma once

#include <QWidget>

#include "fields/FieldBinder.h"

namespace k7qt {

class QtControls : public k7check::Controls {
  public:
    explicit QtControls(QWidget& window) : window_(window) {}

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
    template <typename W>
    W* find(const std::string& control) const {
        return window_.findChild<W*>(QString::fromStdString(control));
    }
    QWidget& window_;
};

}  // namespace k7qt
