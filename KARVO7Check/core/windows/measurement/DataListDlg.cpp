#include "windows/measurement/DataListDlg.h"

#include "Format.h"

namespace k7check {

DataListDlg::DataListDlg(Desktop& desktop, const DataListInputs& inputs)
    : Dialog(kWindowClass, DataList::kTitle), desktop_(desktop), list_(inputs) {}

void DataListDlg::saveCsv() {
    const auto path = desktop_.saveFileDialog("Data.csv", "CSV-Datei (*.csv)|*.csv||");
    if (!path) {
        return;
    }
    std::string error;
    if (!list_.saveCsv(*path, &error)) {
        desktop_.messageBox("Data", formatText("%s konnte nicht gespeichert werden: %s",
                                               path->c_str(), error.c_str()));
    }
}

}  // namespace k7check
