#include "windows/measurement/AnzeigeDlg.h"

#include "Format.h"
#include "windows/measurement/DataListDlg.h"

namespace k7check {

AnzeigeDlg::AnzeigeDlg(Desktop& desktop, std::string title)
    : Dialog(kWindowClass, std::move(title)), desktop_(desktop) {}

void AnzeigeDlg::setInputs(const MeasuredDataInputs& inputs) {
    if (const auto message = display_.setInputs(inputs)) {
        desktop_.messageBox(MeasuredDataDisplay::kMessageCaption, *message);
    }
}

void AnzeigeDlg::onDoubleClick(Point /*at*/) {
    if (const auto inputs = display_.dataListInputs()) {
        DataListDlg list(desktop_, *inputs);
        desktop_.runModal(list);
    }
}

void AnzeigeDlg::savePicture(const PictureWriter& write) {
    const auto path = desktop_.saveFileDialog("Anzeige.png", "PNG-Bild (*.png)|*.png||");
    if (!path) {
        return;
    }
    std::string error;
    if (!write(*path, error)) {
        desktop_.messageBox(
            MeasuredDataDisplay::kMessageCaption,
            formatText("%s konnte nicht gespeichert werden: %s", path->c_str(), error.c_str()));
    }
}

}  // namespace k7check
