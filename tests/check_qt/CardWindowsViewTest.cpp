// The card's own windows in Qt on simulated cards: every control a window binds exists in its
// form, buttons and radio buttons reach the window, and a screenshot of each window.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <QDir>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "KARVO7Sim.h"
#include "QtTestSupport.h"
#include "Session.h"
#include "ViewRegistry.h"
#include "windows/card/CommandDlg.h"
#include "windows/card/CommandParameterDlgs.h"
#include "windows/card/DSPDlg.h"
#include "windows/card/KennungDlg.h"
#include "windows/card/SelbsttestDlg.h"

using namespace k7check;
using namespace k7qttest;

namespace {

std::string exampleFile(const std::string& name) {
    const std::string here = __FILE__;
    return here.substr(0, here.rfind('/')) + "/../../examples/" + name;
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

}  // namespace
