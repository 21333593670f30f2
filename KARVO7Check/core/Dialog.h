// A window of the check program as its logic sees it: the window's fields and actions live in a
// class derived from Dialog; a view (Qt for people, a script in tests) shows it. The view and
// the window meet only where the window reads its fields from the controls and writes its
// fields to the controls.
#pragma once

#include <string>

namespace k7check {

class Dialog;

// What a desktop attaches to a window it shows.
class DialogView {
  public:
    virtual ~DialogView() = default;
    // Copies the controls' contents into the window's fields.
    virtual void readFields(Dialog& dialog) = 0;
    // Copies the window's fields into the controls.
    virtual void writeFields(Dialog& dialog) = 0;
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

    // The two meeting points with the view.
    void readFieldsFromControls() {
        if (view_ != nullptr) {
            view_->readFields(*this);
        }
    }
    void writeFieldsToControls() {
        if (view_ != nullptr) {
            view_->writeFields(*this);
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

  private:
    std::string windowClass_;
    std::string title_;
    DialogView* view_ = nullptr;
    int result_ = kIdCancel;
    bool ended_ = false;
};

}  // namespace k7check
