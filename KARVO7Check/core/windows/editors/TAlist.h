// The depth compensation list "Tiefenausgleich": shows a set's depth compensation table, one
// line per support point, after reading the set's .ta file again (or asking for one when the
// set has none). The file read changes the set; the window's edits are shown only.
#pragma once

#include <string>
#include <vector>

#include "card/ParameterSet.h"
#include "card/Units.h"
#include "desktop/Desktop.h"
#include "desktop/Dialog.h"

namespace k7check {

class TAlist : public Dialog {
  public:
    static constexpr const char* kWindowClass = "TAlist";
    static constexpr const char* kTitle = "Tiefenausgleich";

    TAlist(Desktop& desktop, ParameterSet& set);

    bool onInit() override;
    void onCancel() override;
    void onCommand(const std::string& control) override;  // "Save" has no action
    void bindFields(FieldBinder& binder) override;

    // Whether opening read the file into the set.
    bool fileRead() const { return fileRead_; }

    // ---- the controls' fields ---------------------------------------------------------------
    std::string datei;  // file name, or why it could not be read
    int64_t stuetzstellen = 0;
    units::FloatEdit abstand;  // µs
    std::vector<std::string> lines;
    int selection = -1;

  private:
    Desktop& desktop_;
    ParameterSet& set_;
    bool fileRead_ = false;
};

// The .ta file to read for a file-name edit: the edit's name, or, when it is empty, the name
// chosen in the file-open dialog "TA-Datei (*.ta)"; empty when the dialog was cancelled.
std::string chooseTaFile(Desktop& desktop, const std::string& editName);

}  // namespace k7check
