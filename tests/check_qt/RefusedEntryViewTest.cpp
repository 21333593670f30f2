// A refused entry as a technician sees it, one window of each family on simulated cards: the
// entry typed into the form, the button pressed through the view, the message naming the field
// by its label, nothing written. Each picture (the window beside its message) is kept as a test
// artifact.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "KARVO7Sim.h"
#include "QtTestSupport.h"
#include "ViewRegistry.h"
#include "app/KARVO7CheckDlg.h"
#include "app/Session.h"
#include "windows/card/CommandParameterDlgs.h"
#include "windows/card/KennungDlg.h"
#include "windows/editors/AnzeigeVorgabenDlg.h"
#include "windows/pci/PCIeepromRegisterDlg.h"
#include "windows/registers/LCADlg.h"

using namespace k7check;
using namespace k7qttest;

namespace {

class RefusedEntryView : public ::testing::Test {
  protected:
    RefusedEntryView() {
        k7sim::Config config = k7sim::Config::defaults(1);
        config.persist = false;
        config.worker = false;
        config.lockDir = QDir::tempPath().toStdString();
        config.instance = "check_qt_refused_" + std::to_string(QCoreApplication::applicationPid());
        simulator = std::make_unique<k7sim::Simulator>(config);
        EXPECT_TRUE(simulator->install());
        writeFile(profile(), "[Bus]\nKanal1=Bus 1 Slot 12\n");
        k7qt::registerProgramViews();
        session = std::make_unique<Session>(desktop);
        EXPECT_TRUE(session->startUp());
    }
    ~RefusedEntryView() override {
        session.reset();
        simulator->uninstall();
    }
    std::string profile() const { return dir.path().toStdString() + "/KARVO7Check.INI"; }

    // Types `typed` into `edit` of the shown `view`, presses `button` and returns the message
    // the window showed; saves the window beside that message as Abgelehnt-`name`.png.
    std::string refuse(QWidget& view, const char* edit, const QString& typed,
                       QAbstractButton* button, const char* name) {
        auto* field = view.findChild<QLineEdit*>(QString::fromLatin1(edit));
        EXPECT_NE(field, nullptr) << edit;
        EXPECT_NE(button, nullptr) << name;
        if (field == nullptr || button == nullptr) {
            return {};
        }
        field->setText(typed);
        const std::size_t before = desktop.messages.size();
        QTest::mouseClick(button, Qt::LeftButton);
        QApplication::processEvents();
        EXPECT_GT(desktop.messages.size(), before) << name;
        const std::string message = desktop.messages.empty() ? "" : desktop.messages.back();
        EXPECT_EQ(field->text(), typed) << "the entry stays as typed";
        save(view, message, name);
        return message;
    }

    static void save(QWidget& view, const std::string& message, const char* name) {
        const std::size_t colon = message.find(": ");
        QMessageBox box(QMessageBox::Warning, QString::fromStdString(message.substr(0, colon)),
                        QString::fromStdString(
                            colon == std::string::npos ? message : message.substr(colon + 2)));
        box.resize(box.sizeHint());
        const QPixmap window = view.grab();
        const QPixmap text = box.grab();
        QPixmap picture(window.width() + text.width() + 16,
                        std::max(window.height(), text.height()));
        picture.fill(Qt::darkGray);
        QPainter painter(&picture);
        painter.drawPixmap(0, 0, window);
        painter.drawPixmap(window.width() + 16, 0, text);
        painter.end();
        const QString path =
            QStringLiteral(K7_ARTIFACT_DIR "/Abgelehnt-") + QString::fromLatin1(name) + ".png";
        EXPECT_TRUE(picture.save(path, "PNG")) << path.toStdString();
    }

    static QAbstractButton* button(QWidget& view, const char* name) {
        return view.findChild<QAbstractButton*>(QString::fromLatin1(name));
    }

    std::unique_ptr<k7qt::QtDialogView> open(Dialog& window) {
        std::unique_ptr<k7qt::QtDialogView> view = desktop.openView(window);
        EXPECT_NE(view, nullptr) << window.windowClass();
        if (view != nullptr) {
            view->resize(view->sizeHint());
            view->show();
        }
        return view;
    }

    VirtualClock clock;
    std::unique_ptr<k7sim::Simulator> simulator;
    QTemporaryDir dir;
    TestDesktop desktop{dir.path().toStdString() + "/KARVO7Check"};
    std::unique_ptr<Session> session;
};

TEST_F(RefusedEntryView, ParameterEditorFilter) {
    ParameterSet set;
    set.filter = 3;
    AnzeigeVorgabenDlg window(desktop, session->card(1), set);
    auto view = open(window);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(refuse(*view, "filterEdit", "-1", button(*view, "okButton"), "Parametereditor"),
              "Anzeige Meßparameter: Ungültiger Wert in \"Filter\": erlaubt sind ganze Zahlen "
              "von 0 bis 7.");
    EXPECT_EQ(set.filter, 3);
    EXPECT_FALSE(window.ended());
}

TEST_F(RefusedEntryView, KennungDynamikAndTheStartOfALongList) {
    KonfigRecord before{};
    uint32_t error = 0;
    ASSERT_EQ(KARVO7GetKonfig(session->card(1), &before, &error), 1);
    KennungDlg window(*session, session->card(1));
    auto view = open(window);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(refuse(*view, "dynamikEdit", "300", button(*view, "writeButton"), "Kennung"),
              "Kennung: Ungültiger Wert in \"Dynamik\": erlaubt sind ganze Zahlen von 0 bis 255.");
    KonfigRecord after{};
    ASSERT_EQ(KARVO7GetKonfig(session->card(1), &after, &error), 1);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);

    // Sixteen band limits: the edit shows where the list begins.
    std::string limits;
    for (int i = 0; i < 16; ++i) {
        limits += (i > 0 ? "," : "") + std::to_string(100000 + i) + ".25";
    }
    window.fields.edits.filterBandgrenze = limits;
    window.writeFieldsToControls();
    auto* edit = view->findChild<QLineEdit*>("filterBandgrenzeEdit");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text().toStdString(), limits);
    EXPECT_EQ(edit->cursorPosition(), 0);
}

TEST_F(RefusedEntryView, CommandParameterTriggerblende) {
    CmdTriggerDlg window(desktop,
                         [this](uint32_t r) { return KARVO7ReadRegister(session->card(1), r); });
    auto view = open(window);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(refuse(*view, "triggerblendeEdit", "17", button(*view, "okButton"), "Kommando"),
              "Parameter Trigger: Ungültiger Wert in \"Triggerblende\": erlaubt sind ganze "
              "Zahlen von 0 bis 15.");
    EXPECT_FALSE(window.ended());
}

TEST_F(RefusedEntryView, PciEepromMaxLatency) {
    PCIeepromRegisterDlg window(desktop, session->card(1), profile());
    auto view = open(window);
    ASSERT_NE(view, nullptr);
    const uint32_t before = KARVO7ReadPCIEEPROMbyte(session->card(1), 0x7F);
    EXPECT_EQ(refuse(*view, "maxLatencyEdit", "1,5", button(*view, "writeButton"), "PCI"),
              "PCI EEPROM: Ungültiger Wert in \"Max Latency\": erlaubt sind Hexadezimalzahlen "
              "von 00 bis FF.");
    EXPECT_EQ(KARVO7ReadPCIEEPROMbyte(session->card(1), 0x7F), before);
}

TEST_F(RefusedEntryView, RegisterViewLevel) {
    LCADlg window(desktop, session->card(1));
    auto view = open(window);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(refuse(*view, "esbLevelEdit", "300", button(*view, "writeButton"), "Register"),
              "LCA-Register: Ungültiger Wert in \"Level\": erlaubt sind ganze Zahlen von 0 bis "
              "255.");
}

TEST_F(RefusedEntryView, MainWindowZyklen) {
    session.reset();
    KARVO7CheckDlg window(desktop);
    auto view = open(window);
    ASSERT_NE(view, nullptr);
    const bool voltage = window.session().operatingVoltage();
    EXPECT_EQ(refuse(*view, "zyklenEdit", "abc", buttonWithText(*view, "VIRMA4"), "Hauptfenster"),
              "VIRMA4: Ungültiger Wert in \"Zyklen\": erlaubt sind ganze Zahlen von 0 bis "
              "4294967295.");
    EXPECT_EQ(window.session().operatingVoltage(), voltage);
    EXPECT_EQ(window.fields().zyklen, 200u);
}

}  // namespace
