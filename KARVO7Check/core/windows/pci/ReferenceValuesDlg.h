// The windows that edit reference values: one edit per key of a parameter-file section, shown
// as the file holds it (empty when the file has no such key); "Save" checks every edit against
// the width of the field the key is compared with, then asks and writes every edit's text
// unchanged under its key through the INI class, which keeps every other line, comment and the
// order. An edit left empty for a key the file does not have is not written: a reference nobody
// gave stays missing. The windows are PCIconfigVorgabenDlg and PCIeepromVorgabenDlg.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "desktop/Desktop.h"
#include "desktop/Dialog.h"
#include "fields/FormLayout.h"
#include "paramfile/IniFile.h"
#include "windows/pci/HexFields.h"

namespace k7check {

class ReferenceValuesDlg : public Dialog, public FormSource {
  public:
    // `compared` are the fields the check compares the keys with: a key's width is its
    // field's, 32 bits for a key no field has.
    ReferenceValuesDlg(std::string windowClass, std::string title, std::string saveCaption,
                       std::string section, std::vector<std::string> keys,
                       const std::vector<HexField>& compared, Desktop& desktop,
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
    // The refusal of the first edit that is no value of its key's width, or that empties a
    // reference `file` holds; nothing when every edit can be saved.
    std::optional<std::string> refusal(const IniFile& file) const;

    std::vector<unsigned> bits_;  // one per key
    std::string saveCaption_;
    std::string section_;
    std::vector<std::string> keys_;
    Desktop& desktop_;
    std::string profileFile_;
};

}  // namespace k7check
