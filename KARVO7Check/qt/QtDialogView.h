// The Qt side of one window of the check program: a QDialog that shows a k7check::Dialog.
// The window's logic stays in the Dialog; this class gives the binder the window's controls by
// name, reports buttons, edits and double clicks to the window, lets it paint its client area,
// and turns OK, Cancel, Escape and the close box into the window's actions. Enter presses the
// window's OK button (or the button that has the focus); a window may keep Escape and Enter from
// ending it.
#pragma once

#include <QDialog>
#include <QMargins>
#include <QRect>
#include <QTimer>
#include <optional>

#include "MonospaceFont.h"
#include "QtControls.h"
#include "desktop/Dialog.h"

namespace k7qt {

class QtDialogView : public QDialog, public k7check::DialogView {
    Q_OBJECT
  public:
    QtDialogView(k7check::Dialog& dialog, QWidget* parent);
    // Detaches from the window, if it still exists.
    ~QtDialogView() override;

    // The window shown, or nullptr once it has been destroyed.
    k7check::Dialog* dialog() const { return dialog_; }

    // DialogView
    k7check::Controls& controls() override { return controls_; }
    // The window ends its modal run (or hides, when shown without one).
    void close(int result) override;
    using QDialog::close;
    // The window object is gone: hide, and delete this view when nobody else owns it.
    void windowDestroyed() override;

    // OK and Cancel go to the window's actions, which decide whether the window ends.
    void accept() override;
    void reject() override;

    // Places the whole window, frame and title bar included, on `outer` (screen coordinates).
    // A window manager frames a window only after it is shown, so until the frame is known the
    // window is placed as if it had none, and placed again once the frame arrives.
    void placeFrame(const QRect& outer);

    // A view that the desktop shows without a modal run deletes itself when its window is
    // destroyed or it is closed.
    void setSelfOwned(bool selfOwned) { selfOwned_ = selfOwned; }
    bool selfOwned() const { return selfOwned_; }

  protected:
    // Connects every named control of the form: "okButton" and "cancelButton" to OK and
    // Cancel, other buttons, check boxes and radio buttons to the window's onCommand, edits to
    // onEditChanged (typing) and onEditLeft (Enter or leaving it). "okButton" is the default
    // button: Enter presses it, unless the focus is on another button, which Enter then presses.
    // Call after setKeysEndWindow().
    void connectControls();
    // With false, neither Escape nor Enter ends the window: Escape does nothing, the window has
    // no default button and Enter in an edit only leaves the edit; the close box and the OK and
    // Cancel buttons still work. For a window whose end loses work, such as the main window.
    void setKeysEndWindow(bool keysEnd) { keysEndWindow_ = keysEnd; }
    // Runs a window action, never two at once (a message box of one action must not start
    // another). The window shows what it changed itself: controls it has not read keep what
    // the user did to them.
    void act(const std::function<void()>& action);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    k7check::Dialog* dialog_;
    QtControls controls_;
    bool selfOwned_ = false;
    bool acting_ = false;
    bool keysEndWindow_ = true;
    // The frame's width on each side, from where the window is and where its frame is.
    QMargins frameWidths() const;
    void applyPlacement();
    void followPlacement();
    // Placed by placeFrame() until the window manager's frame has been taken into account,
    // looked for every kPlacementCheckMs for at most kPlacementChecks times.
    static constexpr int kPlacementCheckMs = 50;
    static constexpr int kPlacementChecks = 60;
    std::optional<QRect> placement_;
    QMargins placedWith_;
    QTimer placementTimer_;
    int placementChecks_ = 0;
};

// The view of a window whose form is a .ui file: the form's controls, connected by name.
template <typename Form>
class FormView : public QtDialogView {
  public:
    FormView(k7check::Dialog& dialog, QWidget* parent) : QtDialogView(dialog, parent) {
        form_.setupUi(this);
        setWindowTitle(QString::fromStdString(dialog.title()));
        applyMonospaceFonts(*this);
        connectControls();
    }

  private:
    Form form_;
};

}  // namespace k7qt
