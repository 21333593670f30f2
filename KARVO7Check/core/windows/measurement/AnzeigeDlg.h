// The measured-data window "Anzeige Meßdaten": shows one A-scan buffer as the display draws it.
// Modal after a shot, or open during a run that hands it new data and repaints it. A double
// click opens the data list "Data" on the same buffer.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "desktop/Desktop.h"
#include "desktop/Dialog.h"
#include "windows/measurement/MeasuredDataDisplay.h"

namespace k7check {

class AnzeigeDlg : public Dialog {
  public:
    static constexpr const char* kWindowClass = "AnzeigeDlg";

    AnzeigeDlg(Desktop& desktop, std::string title = MeasuredDataDisplay::kTitle);

    // Takes new data: the header check runs here, never while painting, and a failure shows
    // its message once ("Anzeige") and leaves the window blank until the next data.
    void setInputs(const MeasuredDataInputs& inputs);

    bool paints() const override { return true; }
    void onPaint(Canvas& canvas, Size client) override { display_.paint(canvas, client); }
    void onDoubleClick(Point at) override;

    // "Bild speichern...": asks for a file name and has `write` put the picture there, whole or
    // not at all; `write` returns false with the reason in `error`, which is then shown.
    using PictureWriter = std::function<bool(const std::string& path, std::string& error)>;
    void savePicture(const PictureWriter& write);

    const MeasuredDataDisplay& display() const { return display_; }

  private:
    Desktop& desktop_;
    MeasuredDataDisplay display_;
};

}  // namespace k7check
