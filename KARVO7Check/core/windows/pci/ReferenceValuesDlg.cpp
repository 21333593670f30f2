#include "windows/pci/ReferenceValuesDlg.h"

#include "Format.h"
#include "profile/IniFile.h"
#include "windows/pci/HexFields.h"

namespace k7check {

ReferenceValuesDlg::ReferenceValuesDlg(std::string windowClass, std::string title,
                                       std::string saveCaption, std::string section,
                                       std::vector<std::string> keys, Desktop& desktop,
                                       std::string profileFile)
    : Dialog(std::move(windowClass), std::move(title)),
      texts(keys.size()),
      saveCaption_(std::move(saveCaption)),
      section_(std::move(section)),
      keys_(std::move(keys)),
      desktop_(desktop),
      profileFile_(std::move(profileFile)) {}

bool ReferenceValuesDlg::onInit() {
    const IniFile file = IniFile::load(profileFile_);
    for (size_t i = 0; i < keys_.size(); ++i) {
        texts[i] = file.getString(section_, keys_[i], "0");
    }
    writeFieldsToControls();
    return true;
}

void ReferenceValuesDlg::onCommand(const std::string& control) {
    if (control == "saveButton") {
        onSave();
    } else {
        Dialog::onCommand(control);
    }
}

void ReferenceValuesDlg::bindFields(FieldBinder& binder) {
    for (size_t i = 0; i < keys_.size(); ++i) {
        binder.text(editOf(keys_[i]), texts[i], 64);
    }
}

FormLayout ReferenceValuesDlg::formLayout() const {
    FormLayout form;
    const size_t half = (keys_.size() + 1) / 2;
    for (int column = 0; column < 2; ++column) {
        FormGroup group{"", column, 1, {}};
        const size_t from = column == 0 ? 0 : half;
        const size_t to = column == 0 ? half : keys_.size();
        for (size_t i = from; i < to; ++i) {
            group.items.push_back(formEdit(editOf(keys_[i]), keys_[i], 10));
        }
        form.groups.push_back(std::move(group));
    }
    form.buttons = {formButton("saveButton", "Save"), formButton("okButton", "OK")};
    return form;
}

bool ReferenceValuesDlg::onSave() {
    if (desktop_.messageBox(saveCaption_, "Wollen Sie wirklich sichern?", Buttons::YesNo) !=
        Answer::Yes) {
        return false;
    }
    readFieldsFromControls();
    // A reference value is read back as a hexadecimal number: each text must be one, or the
    // file is not written.
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (!parseEntry(texts[i], 32)) {
            desktop_.messageBox(saveCaption_, entryRefusalText(HexField{keys_[i], editOf(keys_[i]),
                                                                        0, 32, "", ""}));
            return false;
        }
    }
    IniFile file = IniFile::load(profileFile_);
    bool stored = true;
    for (size_t i = 0; i < keys_.size(); ++i) {
        stored = file.set(section_, keys_[i], texts[i]) && stored;
    }
    if (!stored || !file.save(profileFile_)) {
        desktop_.messageBox(
            saveCaption_,
            formatText("Parameterdatei %s konnte nicht gesichert werden!", profileFile_.c_str()));
        return false;
    }
    return true;
}

}  // namespace k7check
