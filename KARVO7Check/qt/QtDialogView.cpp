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
    : QDialog(parent), input_(dialog), controls_(*this) {
    setWindowTitle(QString::fromStdString(dialog.title()));
    placementTimer_.setInterval(kPlacementCheckMs);
    connect(&placementTimer_, &QTimer::timeout, this, &QtDialogView::followPlacement);
}

QtDialogView::~QtDialogView() {
    if (dialog() != nullptr) {
        dialog()->attachView(nullptr);
    }
}

void QtDialogView::close(int result) {
    QDialog::done(result);
    if (selfOwned_) {
        deleteLater();
    }
}

void QtDialogView::windowDestroyed() {
    input_.detach();
    QDialog::done(k7check::kIdCancel);
    if (selfOwned_) {
        deleteLater();
    }
}

void QtDialogView::accept() {
    if (dialog() != nullptr) {
        input_.ok();
    } else {
        QDialog::done(k7check::kIdOk);
    }
}

void QtDialogView::reject() {
    if (dialog() != nullptr) {
        input_.cancel();
    } else {
        QDialog::done(k7check::kIdCancel);
    }
}

void QtDialogView::connectControls() {
    const std::optional<std::string> defaultButton = input_.defaultButton();
    const bool keysEnd = input_.keysEndWindow();
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        const std::string name = button->objectName().toStdString();
        if (name.empty()) {
            continue;
        }
        if (auto* push = qobject_cast<QPushButton*>(button)) {
            // A window that keys must not end has no default button at all: Qt would make the
            // first button that may be default the default one.
            push->setAutoDefault(keysEnd);
            push->setDefault(defaultButton == name);
        }
        if (name == k7check::DialogInput::kOkButton) {
            connect(button, &QAbstractButton::clicked, this, &QtDialogView::accept);
        } else if (name == k7check::DialogInput::kCancelButton) {
            connect(button, &QAbstractButton::clicked, this, &QtDialogView::reject);
        } else {
            // Radio rows are kept exclusive by the window itself.
            button->setAutoExclusive(false);
            connect(button, &QAbstractButton::clicked, this,
                    [this, name] { input_.clicked(name); });
        }
    }
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        const std::string name = edit->objectName().toStdString();
        if (name.empty()) {
            continue;
        }
        connect(edit, &QLineEdit::textEdited, this, [this, name] { input_.edited(name); });
        // Qt presses the default button itself after the edit's Enter.
        connect(edit, &QLineEdit::returnPressed, this,
                [this, name] { input_.editConfirmed(name); });
        edit->installEventFilter(this);
    }
}

bool QtDialogView::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit != nullptr && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        const k7check::FocusLoss why =
            reason == Qt::ActiveWindowFocusReason ? k7check::FocusLoss::OtherWindow
            : reason == Qt::PopupFocusReason      ? k7check::FocusLoss::Popup
                                                  : k7check::FocusLoss::WithinWindow;
        input_.focusLeft(edit->objectName().toStdString(), why);
    }
    return QDialog::eventFilter(watched, event);
}

void QtDialogView::keyPressEvent(QKeyEvent* event) {
    if (dialog() != nullptr && event->matches(QKeySequence::Cancel)) {
        input_.escape();
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
    if (dialog() == nullptr || !dialog()->paints()) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QtCanvas canvas(painter);
    dialog()->onPaint(canvas, k7check::Size{width(), height()});
}

void QtDialogView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    input_.doubleClicked(k7check::Point{at.x(), at.y()});
}

}  // namespace k7qt
