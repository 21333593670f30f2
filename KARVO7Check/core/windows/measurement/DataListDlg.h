// The data list window "Data": one line per sample of a buffer, formatted on demand.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "desktop/Desktop.h"
#include "desktop/Dialog.h"
#include "windows/measurement/DataList.h"

namespace k7check {

class DataListDlg : public Dialog {
  public:
    static constexpr const char* kWindowClass = "DataListDlg";

    DataListDlg(Desktop& desktop, const DataListInputs& inputs);

    const DataList& list() const { return list_; }
    // "Kopieren": the lines `rows` as text; "Speichern unter...": the list as CSV, written
    // whole or not at all (a failure is shown).
    std::string copyText(const std::vector<std::size_t>& rows) const {
        return list_.copyText(rows);
    }
    void saveCsv();

  private:
    Desktop& desktop_;
    DataList list_;
};

}  // namespace k7check
