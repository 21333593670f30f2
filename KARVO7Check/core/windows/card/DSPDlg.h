// The window "DSP-Programm laden": loads a DSP program file into one card or, pressing "Write"
// once per card, into every card, then resets the card and brings it into operation.
#pragma once

#include <cstdint>
#include <string>

#include "app/CheckButtons.h"

namespace k7check {

class Session;

// The file chooser's filters for program files.
inline constexpr const char* kDspFileFilter =
    "KARVO7 Firmware (*.hex)|*.hex|*.bin|*.bin|All Files|*.*||";

class DSPDlg : public CheckDialog {
  public:
    static constexpr const char* kWindowClass = "DSPDlg";
    static constexpr const char* kTitle = "DSP-Programm laden";

    explicit DSPDlg(Session& session);

    std::string dateiname;           // "Dateiname"
    std::string ergebnis;            // the result text
    bool alleKarten = false;         // "Alle Karten (Autoincrement)"
    uint32_t karte = 1;              // "Karte", 1-based
    bool sicherheitsabfrage = true;  // "Mit Sicherheitsabfrage"

    bool onInit() override;
    void onOk() override { endDialog(kIdOk); }
    void onCancel() override { endDialog(kIdCancel); }
    void onCommand(const std::string& control) override;
    void bindFields(FieldBinder& binder) override;

    // The load the check runs: the file chooser opens preset with the parameter file's name
    // (an unattended desktop takes that name), then the chosen file is loaded into the
    // selected card.
    bool automaticCheck(std::string& resultText) override;

    // Loads `fileName` into card `number` (the file chooser opens when the name is empty; a
    // relative name is taken from the parameter file's folder, as the name it holds), resets
    // the card, warms it up and gives it its identifications again. The outcome is left in
    // `resultText` ("Datei nicht gefunden: <path tried>", ...); true when the card runs the new
    // program.
    bool load(uint32_t number, std::string& fileName, std::string& resultText);

    void write();
    void save();

  private:
    // Takes the fields before an action; a refused entry is named and stops it.
    bool takeFields();
    // The program file `fileName` names, as it is opened.
    std::string programPath(const std::string& fileName) const;
    Session& session_;
};

}  // namespace k7check
