// The window "Kennung Vorgaben": the reference file the "Kennung: " check compares cards with.
#pragma once

#include <string>

#include "desktop/Dialog.h"
#include "windows/card/KennungFields.h"

namespace k7check {

class Session;

class KennungVorgabenDlg : public Dialog {
  public:
    static constexpr const char* kWindowClass = "KennungVorgabenDlg";
    static constexpr const char* kTitle = "Kennung Vorgaben";

    explicit KennungVorgabenDlg(Session& session);

    KennungFields fields;
    std::string dateiname;  // shown, not edited: the file is the one the parameter file names

    bool onInit() override;
    void onOk() override { endDialog(kIdOk); }
    void onCancel() override { endDialog(kIdCancel); }
    void onCommand(const std::string& control) override;
    void bindFields(FieldBinder& binder) override;

    // "Save": asks, warns about values the file cannot carry, writes the file atomically.
    void save();

  private:
    Session& session_;
};

}  // namespace k7check
