// The Qt side of one window of the check program: a QDialog that shows a k7check::Dialog.
// The window's logic stays in the Dialog; this class only copies fields to and from the
// controls and turns the dialog's OK, Cancel, Escape and close box into the window's actions.
#pragma once

#include <QDialog>

#include "Dialog.h"

namespace k7qt {

class QtDialogView : public QDialog, public k7check::DialogView {
    Q_OBJECT
  public:
    QtDialogView(k7check::Dialog& dialog, QWidget* parent);
    // Detaches from the window, if it still exists.
    ~QtDialogView() override;

    // The window shown, or nullptr once it has been destroyed.
    k7check::Dialog* dialog() const { return dialog_; }

    // DialogView: the window ends its modal run (or hides, when shown without one).
    void close(int result) override;
    using QDialog::close;
    // The window object is gone: hide, and delete this view when nobody else owns it.
    void windowDestroyed() override;

    // OK and Cancel go to the window's actions, which decide whether the window ends.
    void accept() override;
    void reject() override;

    // A view that the desktop shows without a modal run deletes itself when its window is
    // destroyed or it is closed.
    void setSelfOwned(bool selfOwned) { selfOwned_ = selfOwned; }
    bool selfOwned() const { return selfOwned_; }

  private:
    k7check::Dialog* dialog_;
    bool selfOwned_ = false;
};

}  // namespace k7qt
