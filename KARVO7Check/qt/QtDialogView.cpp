#include "QtDialogView.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>

#include "QtCanvas.h"

namespace k7qt {

QtDialogView::QtDialogView(k7check::Dialog& dialog, QWidget* parent)
    : QDialog(parent), dialog_(&dialog), controls_(*this) {
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

void QtDialogView::act(const std::function<void()>& action) {
    if (acting_ || dialog_ == nullptr) {
        return;
    }
    acting_ = true;
    action();
    acting_ = false;
}

void QtDialogView::connectControls() {
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        const std::string name = button->objectName().toStdString();
        if (name.empty()) {
            continue;
        }
        if (auto* push = qobject_cast<QPushButton*>(button)) {
            // A window that keys must not end has no default button at all: Qt would make the
            // first button that may be default the default one.
            push->setAutoDefault(keysEndWindow_);
            push->setDefault(keysEndWindow_ && name == "okButton");
        }
        if (name == "okButton") {
            connect(button, &QAbstractButton::clicked, this, &QtDialogView::accept);
        } else if (name == "cancelButton") {
            connect(button, &QAbstractButton::clicked, this, &QtDialogView::reject);
        } else {
            // Radio rows are kept exclusive by the window itself.
            button->setAutoExclusive(false);
            connect(button, &QAbstractButton::clicked, this,
                    [this, name] { act([this, name] { dialog_->onCommand(name); }); });
        }
    }
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        const std::string name = edit->objectName().toStdString();
        if (name.empty()) {
            continue;
        }
        connect(edit, &QLineEdit::textEdited, this,
                [this, name] { act([this, name] { dialog_->onEditChanged(name); }); });
        connect(edit, &QLineEdit::returnPressed, this,
                [this, name] { act([this, name] { dialog_->onEditLeft(name); }); });
        edit->installEventFilter(this);
    }
}

bool QtDialogView::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit != nullptr && event->type() == QEvent::FocusOut && dialog_ != nullptr) {
        // Only when the technician moves on inside the window: a message box or another
        // window taking the focus while an action runs does not count as leaving the field.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (!acting_ && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const std::string name = edit->objectName().toStdString();
            act([this, name] { dialog_->onEditLeft(name); });
        }
    }
    return QDialog::eventFilter(watched, event);
}

void QtDialogView::keyPressEvent(QKeyEvent* event) {
    if (!keysEndWindow_ && event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void QtDialogView::paintEvent(QPaintEvent* event) {
    if (dialog_ == nullptr || !dialog_->paints()) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QtCanvas canvas(painter);
    dialog_->onPaint(canvas, k7check::Size{width(), height()});
}

void QtDialogView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (dialog_ == nullptr) {
        return;
    }
    const QPoint at = event->position().toPoint();
    act([this, at] { dialog_->onDoubleClick(k7check::Point{at.x(), at.y()}); });
}

}  // namespace k7qt
