// The windows that edit reference values: one edit per key of a parameter-file section, shown
// as the file holds it (default "0"); "Save" asks and writes every edit's text unchanged under
// its key through the INI class, which keeps every other line, comment and the order. The
// windows are PCIconfigVorgabenDlg and PCIeepromVorgabenDlg.
#pragma once

#include <string>
#include <vector>

#include "desktop/Desktop.h"
#include "desktop/Dialog.h"
#include "fields/FormLayout.h"

namespace k7check {

class ReferenceValuesDlg : public Dialog, public FormSource {
  public:
    ReferenceValuesDlg(std::string windowClass, std::string title, std::string saveCaption,
                       std::string section, std::vector<std::string> keys, Desktop& desktop,
                       std::string profileFile);

    const std::vector<std::string>& keys() const { return keys_; }
    std::vector<std::string> texts;  // one per key
    // The edit of a key ("VendorIDEdit").
    static std::string editOf(const std::string& key) { return key + "Edit"; }

    bool onInit() override;
    void onCommand(const std::string& control) override;
    void bindFields(FieldBinder& binder) override;
    FormLayout formLayout() const override;

    // "Save"; false when not saved (No, or the file could not be written).
    bool onSave();

  private:
    std::string saveCaption_;
    std::string section_;
    std::vector<std::string> keys_;
    Desktop& desktop_;
    std::string profileFile_;
};

}  // namespace k7check
