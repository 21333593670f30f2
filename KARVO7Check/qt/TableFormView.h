// The view of a window whose controls are declared in a table (k7check::FormSource): the form
// is built from the window's FormLayout, so every control the window binds exists under the
// name the table gives it. Groups become group boxes in columns, radio rows framed rows of
// radio buttons, edits a label and an edit, and the buttons a row below.
#pragma once

#include "QtDialogView.h"
#include "fields/FormLayout.h"

namespace k7qt {

class TableFormView : public QtDialogView {
    Q_OBJECT
  public:
    TableFormView(k7check::Dialog& dialog, const k7check::FormLayout& layout, QWidget* parent);
};

// Registers the table-built view for a window class whose windows implement FormSource.
void addTableForm(const char* windowClass);

}  // namespace k7qt
