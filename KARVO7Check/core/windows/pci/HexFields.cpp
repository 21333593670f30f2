#include "windows/pci/HexFields.h"

namespace k7check {

void bindTexts(FieldBinder& binder, const std::vector<HexField>& fields,
               std::vector<std::string>& texts) {
    texts.resize(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        binder.text(fields[i].control, texts[i], 64);
    }
}

FormGroup editGroup(const std::string& title, const std::vector<HexField>& fields, int column,
                    int columns, bool enabled) {
    FormGroup group{title, column, columns, {}};
    for (const HexField& field : fields) {
        group.items.push_back(
            formEdit(field.control, field.label, static_cast<int>(field.bits / 4) + 2, enabled));
    }
    return group;
}

}  // namespace k7check
