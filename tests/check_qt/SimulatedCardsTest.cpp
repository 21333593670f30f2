// The main window on two simulated cards: start-up through the whole stack, a check on the
// card that the channel table puts first, and a screenshot as a test artifact.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <QDir>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "KARVO7CheckDlgView.h"
#include "KARVO7Sim.h"
#include "QtTestSupport.h"
#include "ViewRegistry.h"
#include "app/KARVO7CheckDlg.h"

using k7check::CheckId;
using k7check::KARVO7CheckDlg;
using namespace k7qttest;

namespace {

TEST(SimulatedCards, MainWindowStartsOnTwoCardsOrderedByChannel) {
    VirtualClock clock;
    k7sim::Config config = k7sim::Config::defaults(2);
    config.persist = false;
    config.lockDir = QDir::tempPath().toStdString();
    config.instance = "check_qt_main_window_" + std::to_string(QCoreApplication::applicationPid());
    config.worker = false;
    k7sim::Simulator simulator(config);
    ASSERT_TRUE(simulator.install());
    // The marker in the title follows the variable that selects simulated cards.
    setenv("KARVO7_SIM", "2", 1);

    QTemporaryDir dir;
    // The default cards sit on bus 1, slots 12 and 13; channel 1 takes the second one.
    writeFile(dir.path().toStdString() + "/KARVO7Check.INI",
              "[Bus]\nKanal1=Bus 1 Slot 13\nKanal2=Bus 1 Slot 12\n"
              "[Init]\nKarte=1\nParametersatz=0\n[Check]\nPCIconfig=yes\n");
    TestDesktop desktop(dir.path().toStdString() + "/KARVO7Check");
    k7check::CheckRegistry registry;
    registry.registerWindow(CheckId::PciConfiguration, [](k7check::Session& main) {
        return std::make_unique<PositionCheck>(main.card(main.fields().karte));
    });
    k7qt::registerProgramViews();
    {
        KARVO7CheckDlg window(desktop, registry);
        std::unique_ptr<k7qt::QtDialogView> view = desktop.openView(window);
        unsetenv("KARVO7_SIM");
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(desktop.messages.empty()) << desktop.messages.front();
        EXPECT_EQ(view->windowTitle(), "KARVO7 Check (simulierte Karten)");
        EXPECT_EQ(view->findChild<QLabel*>("karteCountLabel")->text(), "von 2 Karten");

        view->show();
        QAbstractButton* check = buttonWithText(*view, "PCI Configuration");
        ASSERT_NE(check, nullptr);
        QTest::mouseClick(check, Qt::LeftButton);
        auto* results = view->findChild<QListWidget*>("resultList");
        ASSERT_EQ(results->count(), 1);
        EXPECT_EQ(results->item(0)->text(), "PCI Configuration: OK Bus 1 Slot 13");

        view->resize(view->sizeHint());
        const QString path = QStringLiteral(K7_ARTIFACT_DIR "/KARVO7Check-simulierte-Karten.png");
        EXPECT_TRUE(view->grab().save(path, "PNG")) << path.toStdString();
    }
    simulator.uninstall();
}

}  // namespace
