// What the PCI windows share beyond the field tables: one text per field bound to the
// fields' edits, and forms of labelled edits.
#pragma once

#include <string>
#include <vector>

#include "fields/FieldBinder.h"
#include "fields/FormLayout.h"
#include "pci/PciFields.h"

namespace k7check {

// One text per field, bound to the fields' edits.
void bindTexts(FieldBinder& binder, const std::vector<HexField>& fields,
               std::vector<std::string>& texts);

// A form of labelled edits in `columns` columns.
FormGroup editGroup(const std::string& title, const std::vector<HexField>& fields, int column,
                    int columns, bool enabled);

}  // namespace k7check
