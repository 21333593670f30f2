// The Qt side of one window of the check program: a QDialog that shows a k7check::Dialog.
// The window's logic stays in the Dialog; this class gives the binder the window's controls by
// name, reports buttons, edits, keys, focus changes and double clicks to the window through
// k7check::DialogInput (which holds the rules for them), and lets the window paint its client
// area.
#pragma once

#include <QDialog>
#include <QMargins>
#include <QRect>
#include <QTimer>
#include <optional>

#include "MonospaceFont.h"
#include "QtControls.h"
#include "desktop/Dialog.h"
#include "desktop/DialogInput.h"

namespace k7qt {

class QtDialogView : public QDialog, public k7check::DialogView {
    Q_OBJECT
  public:
    QtDialogView(k7check::Dialog& dialog, QWidget* parent);
    // Detaches from the window, if it still exists.
    ~QtDialogView() override;

    // The window shown, or nullptr once it has been destroyed.
    k7check::Dialog* dialog() const { return input_.dialog(); }

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
    // Connects every named control of the form: buttons, check boxes and radio buttons as
    // clicks, edits as typing (onEditChanged) and Enter or leaving them (onEditLeft). The
    // window's default button (DialogInput::defaultButton) is Qt's default button, and every
    // button is pressed by Enter while it has the focus; a window that keys must not end has
    // no default button at all.
    void connectControls();
    // Runs a window action, never two at once (a message box of one action must not start
    // another). The window shows what it changed itself: controls it has not read keep what
    // the user did to them.
    void act(const std::function<void()>& action) { input_.act(action); }
    k7check::DialogInput& input() { return input_; }

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    k7check::DialogInput input_;
    QtControls controls_;
    bool selfOwned_ = false;
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
