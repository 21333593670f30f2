// The windows "Kennung" (the selected card's identification record: read, shown, written back)
// and "Kennung Vorgaben" (the reference file the "Kennung: " check compares cards with).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "app/CheckButtons.h"
#include "windows/card/KennungFile.h"

namespace k7check {

class Desktop;
class Session;

// The edits both windows share, one per field of the record. The band limits and lists are
// kept as typed, so that an entry the record cannot hold as typed is refused by name.
struct KennungFields {
    KennungEdits edits;
    std::string bandgrenzeUnten;
    std::string bandgrenzeOben;

    void show(const KonfigRecord& record, KennungWindow window);
    void bind(FieldBinder& binder);
    // The message naming the first band limit or list the record cannot hold as typed (not a
    // number, more elements than the list has, an element beyond its type); nothing when the
    // record holds them all.
    std::optional<std::string> refusal() const;
    // The record the edits describe (after `refusal` found nothing).
    KonfigRecord record() const;
};

// The window label of an edit control of the shared block ("adcEdit" -> "ADC").
std::string kennungLabelOf(const std::string& control);

// Reads the card's record into a zeroed record; nothing, with the error word, when the read
// fails, so that no window shows what an earlier read left.
std::optional<KonfigRecord> readCardKennung(KARVO7HANDLE card, uint32_t& error);

// The file the section "Kennung", key "Filename" of the parameter file names (" " without one).
std::string kennungFileName(Session& session);

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
