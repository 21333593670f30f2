// The window "Kennung": the selected card's identification record, read, shown and written back.
#pragma once

#include <string>

#include "KARVO7DLL.h"
#include "app/CheckButtons.h"
#include "windows/card/KennungFields.h"

namespace k7check {

class Session;

class KennungDlg : public CheckDialog {
  public:
    static constexpr const char* kWindowClass = "KennungDlg";
    static constexpr const char* kTitle = "Kennung";

    KennungDlg(Session& session, KARVO7HANDLE card);

    KennungFields fields;

    bool onInit() override;
    void onOk() override { endDialog(kIdOk); }
    void onCancel() override { endDialog(kIdCancel); }
    void onCommand(const std::string& control) override;
    void bindFields(FieldBinder& binder) override { fields.bind(binder); }

    // The card's record against the reference file, field by field.
    bool automaticCheck(std::string& resultText) override;

    // "Write": asks, refuses edits without a number, writes the record and reads it back.
    void write();

  private:
    void readCard();

    Session& session_;
    KARVO7HANDLE card_;
};

}  // namespace k7check
