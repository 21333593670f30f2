#include "QtDesktop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <atomic>
#include <thread>

#include "KARVO7Os.h"
#include "ViewRegistry.h"
#include "k7base/Files.h"
#include "k7base/Paths.h"
#include "paramfile/IniFile.h"

namespace k7qt {

using k7check::Answer;
using k7check::Buttons;

QStringList nameFilters(const std::string& filter) {
    const QString text = QString::fromStdString(filter);
    if (!text.contains(QLatin1Char('|'))) {
        return text.isEmpty() ? QStringList{} : QStringList{text};
    }
    QStringList result;
    const QStringList parts = text.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& patterns = parts[i + 1];
        if (description.isEmpty() && patterns.isEmpty()) {
            break;
        }
        if (description.contains(QLatin1Char('('))) {
            result << description;
        } else {
            QString qtPatterns = patterns;
            qtPatterns.replace(QLatin1Char(';'), QLatin1Char(' '));
            result << description + QStringLiteral(" (") + qtPatterns + QLatin1Char(')');
        }
    }
    return result;
}

QtDesktop::QtDesktop() = default;

QtDesktop::~QtDesktop() {
    // Modeless views still open go with the desktop; a modal one belongs to its run.
    std::vector<QtDialogView*> selfOwned;
    for (const auto& [dialog, view] : views_) {
        if (view->selfOwned()) {
            selfOwned.push_back(view);
        }
    }
    for (QtDialogView* view : selfOwned) {
        delete view;
    }
}

QWidget* QtDesktop::parentWindow() const {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return QApplication::activeWindow();
}

Answer QtDesktop::messageBox(const std::string& caption, const std::string& text, Buttons buttons) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::NoButton, parentWindow());
    switch (buttons) {
        case Buttons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            box.setDefaultButton(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Ok);
            break;
        case Buttons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            // Closing the box is the safe answer: nothing gets written.
            box.setEscapeButton(QMessageBox::No);
            break;
        case Buttons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    switch (clicked != nullptr ? box.standardButton(clicked) : QMessageBox::NoButton) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Ok:
            return Answer::Ok;
        default:
            break;
    }
    // No button pressed (the box was closed some other way): the escape answer.
    switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::YesNo:
            return Answer::No;
        case Buttons::YesNoCancel:
            return Answer::Cancel;
    }
    return Answer::Cancel;
}

namespace {

// What a window manager's title bar takes beside the title: icon, three buttons, margins.
constexpr int kTitleBarDecorationPx = 140;
// A long operation shows its progress window once it has run this long.
constexpr qint64 kProgressDelayMs = 300;

// The suffix a saved file gets when the name typed has none: the first pattern's ("*.csv": csv).
QString defaultSuffix(const QStringList& filters) {
    if (filters.isEmpty()) {
        return {};
    }
    const QString& first = filters.first();
    const qsizetype star = first.indexOf(QStringLiteral("*."));
    if (star < 0) {
        return {};
    }
    QString suffix;
    for (qsizetype i = star + 2; i < first.size(); ++i) {
        const QChar c = first[i];
        if (!c.isLetterOrNumber()) {
            break;
        }
        suffix += c;
    }
    return suffix;
}

std::optional<std::string> runFileDialog(QWidget* parent, const std::string& fileName,
                                         const std::string& filter, bool save) {
    QFileDialog dialog(parent);
    const QStringList filters = nameFilters(filter);
    if (save) {
        // Replacing an existing file is asked before the dialog closes.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix(filters));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    dialog.setNameFilters(filters);
    // The preset name stands in the name field ("*.ini" filters until a name is typed); a
    // name with a folder opens in that folder.
    const QFileInfo preset(QString::fromStdString(fileName));
    const QString presetName = preset.fileName();
    dialog.setDirectory(preset.path().isEmpty() || preset.path() == QStringLiteral(".")
                            ? QDir::currentPath()
                            : preset.absolutePath());
    if (!presetName.isEmpty()) {
        dialog.selectFile(presetName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath())
        .toStdString();
}

// Keeps a progress window up while its work runs: Escape and the window's close box would hide
// it while the work goes on unseen, and let the technician act (or end the program) in the
// middle of it.
class KeepOpen : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

std::optional<std::string> QtDesktop::openFileDialog(const std::string& fileName,
                                                     const std::string& filter) {
    return runFileDialog(parentWindow(), fileName, filter, false);
}

std::optional<std::string> QtDesktop::saveFileDialog(const std::string& fileName,
                                                     const std::string& filter) {
    return runFileDialog(parentWindow(), fileName, filter, true);
}

std::unique_ptr<QtDialogView> QtDesktop::openView(k7check::Dialog& dialog) {
    std::unique_ptr<QtDialogView> view = createView(dialog, parentWindow());
    if (view == nullptr) {
        qWarning("KARVO7Check: window %s has no view", dialog.windowClass().c_str());
        return nullptr;
    }
    const k7check::Dialog* key = &dialog;
    views_[key] = view.get();
    QObject::connect(view.get(), &QObject::destroyed, &lifetime_,
                     [this, key] { views_.erase(key); });
    dialog.attachView(view.get());
    if (!dialog.onInit() || dialog.ended()) {
        return nullptr;
    }
    return view;
}

int QtDesktop::runModal(k7check::Dialog& dialog) {
    std::unique_ptr<QtDialogView> view = openView(dialog);
    if (view == nullptr) {
        return dialog.result();
    }
    const int shown = view->exec();
    view.reset();
    return dialog.ended() ? dialog.result() : shown;
}

void QtDesktop::showModeless(k7check::Dialog& dialog) {
    if (QtDialogView* open = viewOf(dialog); open != nullptr) {
        open->show();
        open->raise();
        return;
    }
    std::unique_ptr<QtDialogView> view = openView(dialog);
    if (view == nullptr) {
        return;
    }
    view->setModal(false);
    view->setSelfOwned(true);
    view.release()->show();
}

void QtDesktop::repaint(k7check::Dialog& dialog) {
    if (QtDialogView* view = viewOf(dialog); view != nullptr && view->isVisible()) {
        view->repaint();
    }
}

QtDialogView* QtDesktop::viewOf(const k7check::Dialog& dialog) const {
    const auto it = views_.find(&dialog);
    return it == views_.end() ? nullptr : it->second;
}

k7check::Rect QtDesktop::workArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return {0, 0, 1024, 768};
    }
    const QRect area = screen->availableGeometry();
    return {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

void QtDesktop::placeWindow(k7check::Dialog& dialog, const k7check::Rect& where) {
    if (QtDialogView* view = viewOf(dialog); view != nullptr) {
        // The rectangle is the whole window, frame included, as the tiling computes it.
        view->placeFrame(QRect(where.left, where.top, where.width(), where.height()));
    }
}

void QtDesktop::beginLiveWork(const std::string& caption) {
    if (liveDepth_++ > 0) {
        return;
    }
    // A small window with a stop button; Escape presses it. Being modal it also keeps every
    // other action from starting in the middle of the run.
    live_ = new QProgressDialog(QString::fromStdString(caption + " läuft..."),
                                QStringLiteral("Stopp"), 0, 0, parentWindow());
    live_->setWindowTitle(QString::fromStdString(caption));
    // Wide enough that a window manager's title bar shows the whole run name beside its icon and
    // buttons (title bars usually use a bold face of the program's font).
    QFont titleFont = live_->font();
    titleFont.setBold(true);
    live_->setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(live_->windowTitle()) +
                           kTitleBarDecorationPx);
    live_->setWindowModality(Qt::ApplicationModal);
    live_->setMinimumDuration(0);
    live_->setAutoClose(false);
    live_->setAutoReset(false);
    live_->show();
    QCoreApplication::processEvents();
}

bool QtDesktop::stopRequested() {
    QCoreApplication::processEvents();
    return live_ != nullptr && live_->wasCanceled();
}

void QtDesktop::endLiveWork() {
    if (liveDepth_ == 0 || --liveDepth_ > 0) {
        return;
    }
    delete live_.data();
}

void QtDesktop::runLong(const std::string& caption, const std::string& text, uint32_t expectedMs,
                        const std::function<void()>& work) {
    if (QCoreApplication::instance() == nullptr) {
        work();
        return;
    }
    // The call runs on a worker thread while this thread keeps the windows painted. The
    // progress window comes up after a moment and stays until the work is done: it is modal,
    // has no button and takes neither Escape nor its close box, so nothing else can start
    // meanwhile (calls on one card handle stay serialised) and the program cannot end in the
    // middle of the work. Until it is up, no input is taken.
    QProgressDialog progress(QString::fromStdString(text), QString(), 0, expectedMs > 0 ? 1000 : 0,
                             parentWindow());
    progress.setWindowTitle(QString::fromStdString(caption));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setCancelButton(nullptr);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    KeepOpen keepOpen;
    progress.installEventFilter(&keepOpen);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done) {
        if (!progress.isVisible() && elapsed.elapsed() >= kProgressDelayMs) {
            progress.show();
        }
        if (expectedMs > 0) {
            const auto share = std::min<qint64>(999, elapsed.elapsed() * 1000 / expectedMs);
            progress.setValue(static_cast<int>(share));
        }
        QCoreApplication::processEvents(
            progress.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    worker.join();
    QApplication::restoreOverrideCursor();
}

uint32_t QtDesktop::tickCount() {
    return K7OsGetTickCount();
}

void QtDesktop::sleep(uint32_t milliseconds) {
    K7OsSleep(milliseconds);
    // A run blocks the window while it paces itself; keep its windows drawn meanwhile, but
    // take no input, so no other action can start in the middle of the run.
    // During live work the stop window takes input (it is modal, nothing else can start).
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents(liveDepth_ > 0 ? QEventLoop::AllEvents
                                                       : QEventLoop::ExcludeUserInputEvents);
    }
}

std::string QtDesktop::executablePath() {
    if (QCoreApplication::instance() != nullptr) {
        return QCoreApplication::applicationFilePath().toStdString();
    }
    return k7base::runningExecutable();
}

std::string QtDesktop::profileString(const std::string& file, const std::string& section,
                                     const std::string& key, const std::string& fallback) {
    return k7check::readProfileString(k7base::resolveProfilePath(file, executablePath()), section,
                                      key, fallback);
}

int32_t QtDesktop::profileInt(const std::string& file, const std::string& section,
                              const std::string& key, int32_t fallback) {
    return k7check::readProfileInt(k7base::resolveProfilePath(file, executablePath()), section, key,
                                   fallback);
}

bool QtDesktop::writeProfileString(const std::string& file, const std::string& section,
                                   const std::string& key, const std::string& value) {
    return k7check::writeProfileString(k7base::resolveProfilePath(file, executablePath()), section,
                                       key, value);
}

}  // namespace k7qt
