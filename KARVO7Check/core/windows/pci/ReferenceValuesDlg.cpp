#include "windows/pci/ReferenceValuesDlg.h"

#include "Format.h"
#include "paramfile/IniFile.h"
#include "windows/pci/HexFields.h"

namespace k7check {

ReferenceValuesDlg::ReferenceValuesDlg(std::string windowClass, std::string title,
                                       std::string saveCaption, std::string section,
                                       std::vector<std::string> keys,
                                       const std::vector<HexField>& compared, Desktop& desktop,
                                       std::string profileFile)
    : Dialog(std::move(windowClass), std::move(title)),
      texts(keys.size()),
      bits_(keys.size(), 32),
      saveCaption_(std::move(saveCaption)),
      section_(std::move(section)),
      keys_(std::move(keys)),
      desktop_(desktop),
      profileFile_(std::move(profileFile)) {
    for (size_t i = 0; i < keys_.size(); ++i) {
        for (const HexField& field : compared) {
            if (field.key == keys_[i]) {
                bits_[i] = field.bits;
            }
        }
    }
}

bool ReferenceValuesDlg::onInit() {
    const IniFile file = IniFile::load(profileFile_);
    for (size_t i = 0; i < keys_.size(); ++i) {
        texts[i] = file.value(section_, keys_[i]).value_or("");
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

namespace {

bool blank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

std::optional<std::string> ReferenceValuesDlg::refusal(const IniFile& file) const {
    // A reference is read back as a hexadecimal number of its field's width: a text that is
    // none would make its check fail whatever the card holds. An emptied reference the file
    // holds would be missing to the check; one the file never had stays missing.
    for (size_t i = 0; i < keys_.size(); ++i) {
        const bool given = !blank(file.value(section_, keys_[i]).value_or(""));
        if (blank(texts[i]) ? given : !parseEntry(texts[i], bits_[i])) {
            return entryRefusalText(HexField{keys_[i], editOf(keys_[i]), 0, bits_[i], "", ""});
        }
    }
    return std::nullopt;
}

bool ReferenceValuesDlg::onSave() {
    readFieldsFromControls();
    IniFile file = IniFile::load(profileFile_);
    if (const auto refused = refusal(file)) {
        desktop_.messageBox(saveCaption_, *refused);
        return false;
    }
    if (desktop_.messageBox(saveCaption_, "Wollen Sie wirklich sichern?", Buttons::YesNo) !=
        Answer::Yes) {
        return false;
    }
    bool stored = true;
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (blank(texts[i])) {
            continue;  // still missing: nothing is invented for it
        }
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
