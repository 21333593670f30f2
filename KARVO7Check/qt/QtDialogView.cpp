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
    placementTimer_.setInterval(kPlacementCheckMs);
    connect(&placementTimer_, &QTimer::timeout, this, &QtDialogView::followPlacement);
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

QMargins QtDialogView::frameWidths() const {
    const QRect frame = frameGeometry();
    const QRect inner = geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

void QtDialogView::placeFrame(const QRect& outer) {
    placement_ = outer;
    applyPlacement();
    // The window manager tells the frame some time after the window is shown, without an event
    // of its own: look for it a while.
    placementChecks_ = 0;
    placementTimer_.start();
}

void QtDialogView::applyPlacement() {
    const QMargins frame = frameWidths();
    placedWith_ = frame;
    // A window's position is that of its frame: the title bar lands inside `outer` too.
    move(placement_->topLeft());
    resize(std::max(1, placement_->width() - frame.left() - frame.right()),
           std::max(1, placement_->height() - frame.top() - frame.bottom()));
}

void QtDialogView::followPlacement() {
    ++placementChecks_;
    const QMargins frame = frameWidths();
    if (frame != placedWith_ || (!frame.isNull() && frameGeometry() != *placement_)) {
        // The frame has arrived or changed, or the window manager put the framed window
        // elsewhere: place it again.
        applyPlacement();
    } else if (!frame.isNull()) {
        // Framed and where it belongs: from now on the technician moves it as he likes.
        placement_.reset();
    }
    if (!placement_ || placementChecks_ >= kPlacementChecks) {
        placement_.reset();
        placementTimer_.stop();
    }
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
