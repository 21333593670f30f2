// The form of a window whose controls are declared in a table (k7check::FormSource), built as
// the Qt view builds it: groups become group boxes in columns, radio rows framed rows of radio
// buttons, edits a label and an edit, and the buttons a row below.
#pragma once

#include "ViewRegistry.h"
#include "fields/FormLayout.h"
#include "forms/FormTree.h"

namespace k7w32 {

FormTree tableForm(const std::string& title, const k7check::FormLayout& layout,
                   const Metrics& metrics);

// Registers the table-built view for a window class whose windows implement FormSource.
void addTableForm(ViewRegistry& registry, const char* windowClass);

}  // namespace k7w32
