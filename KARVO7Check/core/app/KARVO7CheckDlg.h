// The main window of the check program: a view of the session's selection and settings plus
// its buttons. It starts the session up, runs the window's own actions and opens the other
// windows from the check buttons; all program state lives in the session.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CheckButtons.h"
#include "app/MainWindowFields.h"
#include "app/Session.h"
#include "desktop/Desktop.h"
#include "desktop/Dialog.h"

namespace k7check {

// What "Check All" did: how many checks ran and whether every one passed.
struct CheckAllOutcome {
    int ran = 0;
    bool passed = true;
    // Report names of the checks that failed without a line in the result list (refused with
    // a message, "Keine KARVO7F!"), in button order.
    std::vector<std::string> failedWithoutLine = {};
    // Whether the run was told to stop before one of its checks, and the report name of the
    // last check it started (empty when none).
    bool stopped = false;
    std::string lastStarted = {};
};

class KARVO7CheckDlg : public Dialog {
  public:
    static constexpr const char* kWindowClass = "KARVO7CheckDlg";
    static constexpr const char* kTitle = "KARVO7 Check";

    // The window of `session`.
    KARVO7CheckDlg(Session& session, const CheckRegistry& registry = CheckRegistry::standard());
    // The window with a session of its own on `desktop`.
    explicit KARVO7CheckDlg(Desktop& desktop,
                            const CheckRegistry& registry = CheckRegistry::standard());
    ~KARVO7CheckDlg() override;

    Session& session() { return session_; }
    const CheckRegistry& registry() const { return registry_; }
    // The session's selection and settings, bound to the window's controls.
    const MainWindowFields& fields() const { return session_.fields(); }
    uint32_t cardCount() const { return session_.cardCount(); }
    KARVO7HANDLE card(uint32_t number) const { return session_.card(number); }

    // ---- actions -----------------------------------------------------------------------
    // Start-up of the session; false (window ended with result 0) when no card opens.
    bool onInit() override;
    // "OK": closes every card, reporting "Karte %d Close Error", and ends the window.
    void onOk() override;
    // Close box / Escape: ends the window; the cards are closed with the session.
    void onCancel() override;
    void onCommand(const std::string& control) override;
    void onEditChanged(const std::string& control) override;
    void onEditLeft(const std::string& control) override;
    void bindFields(FieldBinder& binder) override;
    // Escape is the key of "Stopp" during a run, and Enter leaves the "Karte" field: neither
    // may end the program with its result list and unsaved settings. "OK" and the close box do.
    bool keysEndWindow() const override { return false; }

    void onKarteKillFocus();       // leaving the "Karte" edit
    void onTimeOutChange();        // every change of "Time Out in s"
    void onHotPlug();              // "Hot Plug"
    void onVirma4();               // "VIRMA4"
    void onSave();                 // "Save"
    void onChooseParameterFile();  // double click on the parameter-file list
    void onClearList();            // "Clear List"
    // "Check All": every available check whose automatic box is set, in button order. When
    // `stop` is given and says so before a check, that check and the rest are not started.
    CheckAllOutcome onCheckAll(const std::function<bool()>& stop = {});
    // A check button; returns false when its automatic check failed or it was refused.
    bool onCheckButton(CheckId id);
    // A button of the main window that opens a window of its own ("Tiefenausgleich", ...);
    // false when no window is registered for it.
    bool onWindowButton(const std::string& control);

    // Control names of the check rows, generated in button order.
    static std::string automaticControl(CheckId id);
    static std::string checkButtonControl(CheckId id);
    static std::string checkLabelControl(CheckId id);

  private:
    bool pressCheck(const CheckButton& button);
    // Takes the main window's fields before an action; a refused entry is shown under
    // `caption` and the action does not start.
    bool takeFields(const std::string& caption);
    // The time-out the parameter file gave, sent to every card when the driver does not
    // already hold it.
    void takeSavedTimeOut();
    // "Time Out in s" to cards 1 to `lastCard`.
    void sendTimeOut(uint32_t lastCard);

    std::unique_ptr<Session> ownSession_;
    Session& session_;
    const CheckRegistry& registry_;
    int32_t acceptedTimeOut_ = kDefaultTimeOut;
};

}  // namespace k7check
