#include "QtTestSupport.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "KARVO7Os.h"
#include "ViewRegistry.h"

namespace k7qttest {

k7check::Answer TestDesktop::messageBox(const std::string& caption, const std::string& text,
                                        k7check::Buttons buttons) {
    messages.push_back(caption + ": " + text);
    if (!answers.empty()) {
        const k7check::Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == k7check::Buttons::Ok ? k7check::Answer::Ok : k7check::Answer::Yes;
}

std::optional<std::string> TestDesktop::openFileDialog(const std::string& fileName,
                                                       const std::string& filter) {
    fileDialogs.push_back(fileName + "|" + filter);
    if (files.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> chosen = files.front();
    files.pop_front();
    return chosen;
}

std::optional<std::string> TestDesktop::saveFileDialog(const std::string& fileName,
                                                       const std::string& filter) {
    const std::optional<std::string> chosen = openFileDialog(fileName, filter);
    fileDialogs.back().insert(0, "save: ");
    return chosen;
}

PositionCheck::PositionCheck(KARVO7HANDLE card)
    : CheckDialog("PositionCheckDlg", "Position"), card_(card) {}

bool PositionCheck::automaticCheck(std::string& resultText) {
    uint32_t bus = 0;
    uint32_t slot = 0;
    uint32_t error = 0;
    if (KARVO7GetCardPosition(card_, &bus, &slot, &error) == 0) {
        resultText = "keine Position";
        return false;
    }
    resultText = "OK Bus " + std::to_string(bus) + " Slot " + std::to_string(slot);
    return true;
}

FailingCheck::FailingCheck() : CheckDialog("FailingCheckDlg", "Fehler") {}

bool FailingCheck::automaticCheck(std::string& resultText) {
    resultText = "Fehler 3";
    return false;
}

int ProbeWindow::shown = 0;

ProbeWindow::ProbeWindow() : CheckDialog(kWindowClass, "Probe") {}

namespace {

class ProbeView : public k7qt::QtDialogView {
  public:
    ProbeView(k7check::Dialog& dialog, QWidget* parent) : QtDialogView(dialog, parent) {}

  protected:
    void showEvent(QShowEvent* event) override {
        ++ProbeWindow::shown;
        QtDialogView::showEvent(event);
        QTimer::singleShot(0, this, [this] { reject(); });
    }
};

}  // namespace

void registerProbeView() {
    k7qt::registerView(ProbeWindow::kWindowClass, [](k7check::Dialog& dialog, QWidget* parent) {
        return std::make_unique<ProbeView>(dialog, parent);
    });
}

void whenModalOpens(std::function<void(QWidget*)> handler) {
    // Looks on every pass of the event loop until the modal loop has shown the window.
    auto* timer = new QTimer(QApplication::instance());
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, handler, attempts = 0]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        const bool found = modal != nullptr && modal->isVisible();
        if (found || ++attempts >= 1000) {
            timer->stop();
            timer->deleteLater();
        }
        if (found) {
            handler(modal);
        }
    });
    timer->start();
}

QAbstractButton* buttonWithText(const QWidget& root, const QString& text) {
    for (QAbstractButton* button : root.findChildren<QAbstractButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

std::string unevenColumns(const QFont& font, const QStringList& lines) {
    const QFontMetricsF metrics(font);
    const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (const QString& line : lines) {
        for (const QChar c : line) {
            const qreal advance = metrics.horizontalAdvance(c);
            if (advance != zero) {
                return QStringLiteral("'%1' %2 wide, '0' %3 in \"%4\"")
                    .arg(c)
                    .arg(advance)
                    .arg(zero)
                    .arg(line)
                    .toStdString();
            }
        }
    }
    return {};
}

QStringList linesOf(const QListWidget& list) {
    QStringList lines;
    for (int i = 0; i < list.count(); ++i) {
        lines << list.item(i)->text();
    }
    return lines;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace k7qttest
