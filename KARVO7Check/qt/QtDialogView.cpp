#include "QtDialogView.h"

namespace k7qt {

QtDialogView::QtDialogView(k7check::Dialog& dialog, QWidget* parent)
    : QDialog(parent), dialog_(&dialog) {
    setWindowTitle(QString::fromStdString(dialog.title()));
}

QtDialogView::~QtDialogView() {
    if (dialog_ != nullptr) {
        dialog_->attachView(nullptr);
    }
}

void QtDialogView::close(int result) {
    QDialog::done(result);
    if (selfOwned_) {
        deleteLater();
    }
}

void QtDialogView::windowDestroyed() {
    dialog_ = nullptr;
    QDialog::done(k7check::kIdCancel);
    if (selfOwned_) {
        deleteLater();
    }
}

void QtDialogView::accept() {
    if (dialog_ != nullptr) {
        dialog_->onOk();
    } else {
        QDialog::done(k7check::kIdOk);
    }
}

void QtDialogView::reject() {
    if (dialog_ != nullptr) {
        dialog_->onCancel();
    } else {
        QDialog::done(k7check::kIdCancel);
    }
}

}  // namespace k7qt
