// What a technician's keys, clicks and focus changes do to a window, the same whatever toolkit
// shows it: a view reports what happened in toolkit-free terms and this class calls the
// window's actions. It keeps the rules every view must follow:
// - actions never run two at once (a message box of one action must not start another), and
//   none runs once the window is gone;
// - "okButton" and "cancelButton" are OK and Cancel; other buttons are the window's commands;
// - Enter in an edit leaves the edit, then presses the default button ("okButton", or the
//   button that has the focus); Escape is Cancel. A window whose end loses work (the main
//   window) keeps both from ending it: Escape does nothing and there is no default button,
//   while the close box and its OK and Cancel buttons still work;
// - leaving an edit counts only when the technician moves on inside the window: a message box
//   or another window taking the focus, or a popup, does not.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "desktop/Dialog.h"

namespace k7check {

// Why an edit lost the focus.
enum class FocusLoss {
    WithinWindow,  // Tab, a click on another control of the window
    OtherWindow,   // another window (a message box, another program) became active
    Popup,         // a menu or another popup opened
};

class DialogInput {
  public:
    static constexpr const char* kOkButton = "okButton";
    static constexpr const char* kCancelButton = "cancelButton";

    explicit DialogInput(Dialog& dialog) : dialog_(&dialog) {}

    // The window shown, or nullptr once it is gone.
    Dialog* dialog() const { return dialog_; }
    // The window is being destroyed: nothing reaches it any more.
    void detach() { dialog_ = nullptr; }
    // Whether an action of the window runs now.
    bool acting() const { return acting_; }

    // Whether Escape and Enter may end the window.
    bool keysEndWindow() const { return dialog_ == nullptr || dialog_->keysEndWindow(); }
    // The button Enter presses when no other button has the focus ("okButton"); nothing for a
    // window that keys must not end.
    std::optional<std::string> defaultButton() const;

    // Runs `action` unless another one runs or the window is gone.
    void act(const std::function<void()>& action);

    // A button, check box or radio button named `control` was clicked.
    void clicked(const std::string& control);
    // OK and Cancel (the buttons, and Cancel for the close box): they decide whether the window
    // ends. They run even inside another action, as a toolkit's own OK would.
    void ok();
    void cancel();
    // The technician changed the text of edit `control`; texts set by the program are no
    // change and must not be reported.
    void edited(const std::string& control);
    // Edit `control` lost the focus for `why`.
    void focusLeft(const std::string& control, FocusLoss why);
    // A double click into the client area.
    void doubleClicked(Point at);

    // Escape: Cancel, or nothing in a window that keys must not end. A view takes every
    // Escape and reports it here.
    void escape();
    // Enter in edit `control` leaves it (onEditLeft); a toolkit that presses the default
    // button itself reports only this.
    void editConfirmed(const std::string& control);
    // Enter with the focus in edit `edit` (empty: not in an edit) and on button `focused`
    // (empty: on no button). Returns the button Enter presses now, if any: the view presses it
    // (through clicked(), ok() or cancel(), whichever the button is).
    std::optional<std::string> enter(const std::string& edit, const std::string& focused);

  private:
    Dialog* dialog_;
    bool acting_ = false;
};

}  // namespace k7check
