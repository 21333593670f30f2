// The card's own windows in Qt on simulated cards: every control a window binds exists in its
// form, buttons and radio buttons reach the window, and a screenshot of each window.
#include <gtest/gtest.h>

#include <filesystem>

#include <QCoreApplication>

#include <QDir>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "KARVO7Sim.h"
#include "QtTestSupport.h"
#include "ViewRegistry.h"
#include "app/Session.h"
#include "card/CommandWords.h"
#include "windows/card/CommandDlg.h"
#include "windows/card/CommandParameterDlgs.h"
#include "windows/card/DSPDlg.h"
#include "windows/card/KennungDlg.h"
#include "windows/card/KennungVorgabenDlg.h"
#include "windows/card/SelbsttestDlg.h"

using namespace k7check;
using namespace k7qttest;

namespace {

// By absolute path: the parameter file takes relative names from its own folder.
std::string exampleFile(const std::string& name) {
    const std::string here = __FILE__;
    return std::filesystem::absolute(here.substr(0, here.rfind('/')) + "/../../examples/" + name)
        .lexically_normal()
        .generic_string();
}

// Every control name a window's bindFields lists.
class ControlNames : public FieldBinder {
  public:
    void integer(const std::string& c, const std::string&, IntegerRef,
                 const IntegerRule&) override {
        names.push_back(c);
    }
    void decimal(const std::string& c, const std::string&, double&, int, double, double) override {
        names.push_back(c);
    }
    void text(const std::string& c, std::string&, std::size_t) override { names.push_back(c); }
    void check(const std::string& c, bool&) override { names.push_back(c); }
    void radio(const std::vector<std::string>& controls, int&) override {
        names.insert(names.end(), controls.begin(), controls.end());
    }
    void label(const std::string& c, const std::string&) override { names.push_back(c); }
    void list(const std::string& c, const std::vector<std::string>&, int&) override {
        names.push_back(c);
    }
    void enabled(const std::string& c, bool) override { names.push_back(c); }
    void unavailable(const std::string& c, const std::string&) override { names.push_back(c); }
    std::vector<std::string> names;
};

class CardWindowsView : public ::testing::Test {
  protected:
    CardWindowsView() {
        k7sim::Config config = k7sim::Config::defaults(2);
        config.persist = false;
        config.lockDir = QDir::tempPath().toStdString();
        config.instance =
            "check_qt_card_windows_" + std::to_string(QCoreApplication::applicationPid());
        config.worker = false;
        simulator = std::make_unique<k7sim::Simulator>(config);
        EXPECT_TRUE(simulator->install());
        writeFile(dir.path().toStdString() + "/KARVO7Check.INI",
                  "[Bus]\nKanal1=Bus 1 Slot 12\nKanal2=Bus 1 Slot 13\n[Kennung]\nFilename=" +
                      exampleFile("KARVO7Kennung.txt") +
                      "\n[DSP]\nFilename=" + exampleFile("KARVO7DSP.hex") + "\n");
        k7qt::registerProgramViews();
        session = std::make_unique<Session>(desktop);
        EXPECT_TRUE(session->startUp());
    }
    ~CardWindowsView() override {
        session.reset();
        simulator->uninstall();
    }

    // Opens `window`, checks its controls, lets `act` work on the view, saves a screenshot.
    void shoot(Dialog& window, const std::function<void(QWidget&)>& act = {}) {
        std::unique_ptr<k7qt::QtDialogView> view = desktop.openView(window);
        ASSERT_NE(view, nullptr) << window.windowClass();
        EXPECT_EQ(view->windowTitle().toStdString(), window.title());
        ControlNames bound;
        window.bindFields(bound);
        for (const std::string& name : bound.names) {
            EXPECT_NE(view->findChild<QWidget*>(QString::fromStdString(name)), nullptr)
                << window.windowClass() << ": " << name;
        }
        view->show();
        if (act) {
            act(*view);
        }
        view->resize(view->sizeHint());
        const QPixmap shot = view->grab();
        const QString path = QStringLiteral(K7_ARTIFACT_DIR "/Karte-") +
                             QString::fromStdString(window.windowClass()) + QStringLiteral(".png");
        EXPECT_TRUE(shot.save(path, "PNG")) << path.toStdString();
        // Nothing of the form is cut off: the window is at least as large as its layout asks.
        EXPECT_GE(shot.width(), view->minimumSizeHint().width());
        EXPECT_GE(shot.height(), view->minimumSizeHint().height());
    }
    static void click(QWidget& view, const char* name) {
        auto* button = view.findChild<QAbstractButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    VirtualClock clock;
    std::unique_ptr<k7sim::Simulator> simulator;
    QTemporaryDir dir;
    TestDesktop desktop{dir.path().toStdString() + "/KARVO7Check"};
    std::unique_ptr<Session> session;
};

TEST_F(CardWindowsView, KennungWindowsShowTheRecordAndTheReferenceFile) {
    KennungDlg kennung(*session, session->card(1));
    shoot(kennung, [](QWidget& view) {
        EXPECT_EQ(view.findChild<QLineEdit*>("karteEdit")->text(), "KARVO7F");
    });
    KennungVorgabenDlg vorgaben(*session);
    shoot(vorgaben, [](QWidget& view) {
        EXPECT_EQ(view.findChild<QLabel*>("dateinameLabel")->text().toStdString(),
                  exampleFile("KARVO7Kennung.txt"));
        EXPECT_EQ(view.findChild<QLineEdit*>("dateinameLabel"), nullptr) << "not editable";
    });
}

TEST_F(CardWindowsView, DspAndSelfTestWindowsRunFromTheirButtons) {
    DSPDlg dsp(*session);
    shoot(dsp, [](QWidget& view) {
        click(view, "writeButton");
        EXPECT_EQ(view.findChild<QLabel*>("ergebnisLabel")->text(),
                  "Karte 1 OK (Reset nach 50 ms)");
    });
    SelbsttestDlg selbsttest(*session, session->card(1));
    shoot(selbsttest, [](QWidget& view) {
        click(view, "test4Button");
        EXPECT_EQ(view.findChild<QLabel*>("ergebnisLabel")->text(), "Datensammler-FIFO: OK");
    });
}

TEST_F(CardWindowsView, CommandWindowAndItsParameterWindows) {
    CommandDlg command(*session, 1, 0);
    shoot(command, [](QWidget& view) {
        click(view, "offsetButton");
        click(view, "startButton");
        auto* list = view.findChild<QListWidget*>("resultList");
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->item(0)->text(), "Start Messung: OK");
    });
    const RegisterReader read = [this](uint32_t r) {
        return KARVO7ReadRegister(session->card(1), r);
    };
    CmdShotDlg shot(desktop, read);
    shoot(shot, [](QWidget& view) {
        click(view, "automatischRadio");
        click(view, "einzelmessungRadio");
        EXPECT_TRUE(view.findChild<QRadioButton*>("einzelmessungRadio")->isChecked());
        EXPECT_FALSE(view.findChild<QRadioButton*>("automatischRadio")->isChecked());
    });
    EXPECT_EQ(shot.measurement, 1);
    CmdSenderDlg sender(desktop, read);
    shoot(sender);
    CmdInputDlg input(desktop, read);
    shoot(input);
    CmdGainDlg gain(desktop);
    shoot(gain);
    CmdHWconfigDlg hwConfig(desktop, read);
    shoot(hwConfig);
    CmdAverageDlg average(desktop);
    shoot(average);
    CmdSWconfigDlg swConfig(desktop);
    shoot(swConfig);
    CmdAScanDlg aScan(desktop);
    shoot(aScan);
    CmdCountDlg count(desktop, read);
    shoot(count);
    CmdTriggerDlg trigger(desktop, read);
    shoot(trigger);
    CmdSAPdelayDlg sapDelay(desktop, 70000);
    shoot(sapDelay, [](QWidget& view) {
        EXPECT_EQ(view.findChild<QLineEdit*>("sapDelayEdit")->text(), "70000");
    });
}

TEST_F(CardWindowsView, EnterPressesOkInTheParameterWindowsEscapeCancels) {
    const RegisterReader read = [this](uint32_t r) {
        return KARVO7ReadRegister(session->card(1), r);
    };
    // Opens `window`, types `text` into `edit` (none: the focus stays where the window puts
    // it), presses `key` there and returns how the window ended.
    const auto typeAndPress = [this](CmdParameterDlg& window, const char* edit, const char* text,
                                     Qt::Key key) {
        std::unique_ptr<k7qt::QtDialogView> view = desktop.openView(window);
        EXPECT_NE(view, nullptr);
        if (view == nullptr) {
            return -1;
        }
        view->show();
        QWidget* target = view.get();
        if (edit != nullptr) {
            auto* field = view->findChild<QLineEdit*>(QString::fromLatin1(edit));
            EXPECT_NE(field, nullptr) << edit;
            field->setFocus();
            field->selectAll();
            QTest::keyClicks(field, QString::fromLatin1(text));
            target = field;
        }
        QTest::keyClick(target, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        return window.ended() ? window.result() : -1;
    };

    CmdAverageDlg average(desktop);
    EXPECT_EQ(typeAndPress(average, "anzahlEdit", "12", Qt::Key_Return), kIdOk);
    EXPECT_EQ(average.words()[0], 12u);
    CmdGainDlg gain(desktop);
    EXPECT_EQ(typeAndPress(gain, "verstaerkungEdit", "12", Qt::Key_Enter), kIdOk);
    EXPECT_EQ(gain.words()[0], 120u);
    CmdCountDlg count(desktop, read);
    EXPECT_EQ(typeAndPress(count, "delayEdit", "77", Qt::Key_Return), kIdOk);
    EXPECT_EQ(count.words()[1], 77u);
    CmdSAPdelayDlg sapDelay(desktop, 5);
    EXPECT_EQ(typeAndPress(sapDelay, "sapDelayEdit", "300", Qt::Key_Return), kIdOk);
    EXPECT_EQ(sapDelay.sapDelay, 300u);
    // Windows without edits: Enter wherever the focus is.
    CmdSWconfigDlg swConfig(desktop);
    EXPECT_EQ(typeAndPress(swConfig, nullptr, nullptr, Qt::Key_Return), kIdOk);
    CmdShotDlg shot(desktop, read);
    EXPECT_EQ(typeAndPress(shot, nullptr, nullptr, Qt::Key_Return), kIdOk);
    // Escape is Cancel, after typing too.
    CmdHWconfigDlg hwConfig(desktop, read);
    EXPECT_EQ(typeAndPress(hwConfig, "filterEdit", "5", Qt::Key_Escape), kIdCancel);
}

TEST_F(CardWindowsView, EnterFromTheCommandWindowSendsTheParameterCommand) {
    CommandDlg command(*session, 1, 0);
    std::unique_ptr<k7qt::QtDialogView> view = desktop.openView(command);
    ASSERT_NE(view, nullptr);
    view->show();
    whenModalOpens([](QWidget* modal) {
        auto* anzahl = modal->findChild<QLineEdit*>(QStringLiteral("anzahlEdit"));
        ASSERT_NE(anzahl, nullptr);
        anzahl->setFocus();
        anzahl->selectAll();
        QTest::keyClicks(anzahl, QStringLiteral("4"));
        QTest::keyClick(anzahl, Qt::Key_Return);
    });
    click(*view, "averageButton");
    auto* list = view->findChild<QListWidget*>(QStringLiteral("resultList"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "Average: OK");
    EXPECT_EQ(command.lastWords(k7proto::cmd::kAverage)[0], 4u);
    // "OK" is the window's default button; a button with the focus takes Enter instead.
    auto* ok = view->findChild<QPushButton*>(QStringLiteral("okButton"));
    ASSERT_NE(ok, nullptr);
    auto* start = view->findChild<QPushButton*>(QStringLiteral("startButton"));
    ASSERT_NE(start, nullptr);
    start->setFocus();
    QTest::keyClick(start, Qt::Key_Return);
    ASSERT_EQ(list->count(), 1);  // "Start" leaves its line alone in the list
    EXPECT_EQ(list->item(0)->text(), "Start Messung: OK");
    EXPECT_FALSE(command.ended());
    // Away from the buttons "OK" is the default again (under a window manager a button that had
    // the focus was the default meanwhile).
    list->setFocus();
    QCoreApplication::processEvents();
    EXPECT_TRUE(ok->isDefault());
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(command.ended());
    EXPECT_EQ(command.result(), kIdOk);
}

}  // namespace
