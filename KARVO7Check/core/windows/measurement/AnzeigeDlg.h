// The measured-data window "Anzeige Meßdaten": shows one A-scan buffer as the display draws it.
// Modal after a shot, or open during a run that hands it new data and repaints it. A double
// click opens the data list "Data" on the same buffer.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "Desktop.h"
#include "Dialog.h"
#include "MeasuredDataDisplay.h"

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

// The data list window "Data": one line per sample of a buffer, formatted on demand.
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
