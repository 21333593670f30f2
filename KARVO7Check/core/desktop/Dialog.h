// A window of the check program as its logic sees it: the window's fields and actions live in a
// class derived from Dialog; a view (Qt for people, a script in tests) shows it. The window
// lists its pairs of control and field once (bindFields); the view and the window meet only
// where the binder reads the fields from the controls or writes them into the controls, where
// the view reports a button, an edit or a double click, and where the window paints.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "desktop/Canvas.h"
#include "fields/FieldBinder.h"

namespace k7check {

class Dialog;

// What a desktop attaches to a window it shows.
class DialogView {
  public:
    virtual ~DialogView() = default;
    // The window's controls, by name.
    virtual Controls& controls() = 0;
    // The window ends its modal run with `result`.
    virtual void close(int result) = 0;
    // The window is being destroyed: the view must not use it any more.
    virtual void windowDestroyed() {}
};

// Results of a modal window.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

class Dialog {
  public:
    explicit Dialog(std::string windowClass, std::string title)
        : windowClass_(std::move(windowClass)), title_(std::move(title)) {}
    virtual ~Dialog() {
        if (view_ != nullptr) {
            view_->windowDestroyed();
        }
    }
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // The class name of the window ("KARVO7CheckDlg", "VIRMA4Dlg", ...) and its title.
    const std::string& windowClass() const { return windowClass_; }
    const std::string& title() const { return title_; }

    // Called by the desktop when the window opens; false ends it at once (result already set).
    virtual bool onInit() { return true; }
    // Called by the desktop when the window's OK / Cancel is pressed.
    virtual void onOk() { endDialog(kIdOk); }
    virtual void onCancel() { endDialog(kIdCancel); }
    // A button, check box or radio button named `control` was pressed by the user ("okButton"
    // and "cancelButton" go to onOk and onCancel instead). A press the window does not act on
    // is taken into the fields, so that a later showing of the fields keeps it.
    virtual void onCommand(const std::string& control) {
        (void)control;
        readFieldsFromControls();
    }
    // The text of edit `control` was changed by the user, or the user left it.
    virtual void onEditChanged(const std::string& control) { (void)control; }
    virtual void onEditLeft(const std::string& control) { (void)control; }

    // The pairs of control and field, for reading and for writing alike.
    virtual void bindFields(FieldBinder& binder) { (void)binder; }

    // Whether Escape and Enter may end the window (DialogInput); a window whose end loses work
    // says no and ends through its close box and its OK and Cancel buttons only.
    virtual bool keysEndWindow() const { return true; }

    // Windows that draw into their client area say so and paint there; `client` is its size.
    virtual bool paints() const { return false; }
    virtual void onPaint(Canvas& canvas, Size client) {
        (void)canvas;
        (void)client;
    }
    // A double click into the client area.
    virtual void onDoubleClick(Point at) { (void)at; }

    // Copies the controls into the fields; returns the entries refused (their fields kept
    // their values).
    std::vector<FieldRefusal> readFieldsFromControls() {
        if (view_ == nullptr) {
            return {};
        }
        ReadBinder binder(view_->controls());
        bindFields(binder);
        return binder.refused();
    }
    // All or nothing: when every entry is accepted, copies the controls into the fields and
    // returns nothing; otherwise changes no field and returns the message of the first entry
    // refused, for the window to show before it stops its action.
    std::optional<std::string> takeFieldsFromControls() {
        if (view_ == nullptr) {
            return std::nullopt;
        }
        ReadBinder check(view_->controls(), ReadBinder::Mode::Check);
        bindFields(check);
        if (!check.refused().empty()) {
            return check.refused().front().message;
        }
        readFieldsFromControls();
        return std::nullopt;
    }
    void writeFieldsToControls() {
        if (view_ != nullptr) {
            WriteBinder binder(view_->controls());
            bindFields(binder);
        }
    }

    void endDialog(int result) {
        result_ = result;
        ended_ = true;
        if (view_ != nullptr) {
            view_->close(result);
        }
    }
    bool ended() const { return ended_; }
    int result() const { return result_; }

    void attachView(DialogView* view) { view_ = view; }
    DialogView* view() const { return view_; }

  private:
    std::string windowClass_;
    std::string title_;
    DialogView* view_ = nullptr;
    int result_ = kIdCancel;
    bool ended_ = false;
};

}  // namespace k7check
