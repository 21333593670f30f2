// The register and PCI windows as a technician sees them: forms built from the windows' tables
// on a simulated card, radio rows that stay exclusive under real clicks, a write through the
// buttons, and a screenshot of every window as a test artifact.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "KARVO7Protocol.h"
#include "KARVO7Sim.h"
#include "QtTestSupport.h"
#include "ViewRegistry.h"
#include "windows/pci/PCIconfigEEPROMDlg.h"
#include "windows/pci/PCIconfigRegisterDlg.h"
#include "windows/pci/PCIconfigVorgabenDlg.h"
#include "windows/pci/PCIeepromRegisterDlg.h"
#include "windows/pci/PCIeepromVorgabenDlg.h"
#include "windows/pci/PCIoperationRegisterDlg.h"
#include "windows/registers/DataLCADlg.h"
#include "windows/registers/LCADlg.h"

using namespace k7qttest;

namespace {

class RegisterWindowsView : public ::testing::Test {
  protected:
    RegisterWindowsView() : desktop(dir.path().toStdString() + "/KARVO7Check") {
        k7sim::Config config = k7sim::Config::defaults(1);
        config.persist = false;
        config.worker = false;
        config.lockDir = dir.path().toStdString();
        config.instance =
            "check_qt_registers_" + std::to_string(QCoreApplication::applicationPid());
        simulator = std::make_unique<k7sim::Simulator>(config);
        EXPECT_TRUE(simulator->install());
        card = KARVO7Open(1);
        writeFile(profile(), "[PCIconfiguration]\nVendorID=10E8\n[PCIEEPROM]\nVendorID=10E8\n");
        k7qt::registerProgramViews();
    }
    ~RegisterWindowsView() override {
        KARVO7Close(card);
        simulator->uninstall();
    }
    std::string profile() const { return dir.path().toStdString() + "/KARVO7Check.INI"; }

    // Opens `window`, checks that its form holds every control its fields bind, and saves a
    // screenshot named after the window.
    std::unique_ptr<k7qt::QtDialogView> openAndShoot(k7check::Dialog& window) {
        std::unique_ptr<k7qt::QtDialogView> view = desktop.openView(window);
        EXPECT_NE(view, nullptr) << window.windowClass();
        if (view == nullptr) {
            return view;
        }
        view->resize(view->sizeHint());
        view->show();
        const QString path = QStringLiteral(K7_ARTIFACT_DIR "/") +
                             QString::fromStdString(window.windowClass()) + QStringLiteral(".png");
        EXPECT_TRUE(view->grab().save(path, "PNG")) << path.toStdString();
        return view;
    }
    template <typename W>
    W* find(QWidget& view, const char* name) {
        W* widget = view.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    VirtualClock clock;
    QTemporaryDir dir;
    TestDesktop desktop;
    std::unique_ptr<k7sim::Simulator> simulator;
    KARVO7HANDLE card = nullptr;
};

TEST_F(RegisterWindowsView, ControlLcaRadioRowsStayExclusiveAndWriteThroughTheButtons) {
    k7check::LCADlg window(desktop, card);
    auto view = openAndShoot(window);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->windowTitle(), "Steuer-LCA-Register");
    EXPECT_EQ(find<QLineEdit>(*view, "lcaIdEdit")->text(), "7C31");
    EXPECT_FALSE(find<QLineEdit>(*view, "lcaIdEdit")->isEnabled());

    auto* mhz10 = find<QRadioButton>(*view, "clock10Radio");
    auto* mhz40 = find<QRadioButton>(*view, "clock40Radio");
    QTest::mouseClick(mhz10, Qt::LeftButton);
    QTest::mouseClick(mhz40, Qt::LeftButton);
    QTest::mouseClick(mhz40, Qt::LeftButton);  // a second click keeps it selected
    EXPECT_TRUE(mhz40->isChecked());
    EXPECT_FALSE(mhz10->isChecked());
    EXPECT_FALSE(find<QRadioButton>(*view, "clock80Radio")->isChecked());

    QTest::mouseClick(find<QAbstractButton>(*view, "writeButton"), Qt::LeftButton);
    EXPECT_EQ(desktop.messages.back(), "LCA-Register: Wollen Sie wirklich schreiben?");
    EXPECT_EQ(KARVO7ReadRegister(card, k7proto::reg::kCommand) >> 4 & 7u, 1u);
    EXPECT_TRUE(mhz40->isChecked());
}

TEST_F(RegisterWindowsView, DataLcaAndPciWindowsShowTheCard) {
    k7check::DataLCADlg data(desktop, card);
    auto dataView = openAndShoot(data);
    ASSERT_NE(dataView, nullptr);
    EXPECT_EQ(find<QLineEdit>(*dataView, "lcaIdEdit")->text(), "7D31");
    EXPECT_TRUE(find<QLineEdit>(*dataView, "anfang1Edit")->isEnabled());
    EXPECT_FALSE(find<QLineEdit>(*dataView, "maximum1Edit")->isEnabled());

    k7check::PCIconfigRegisterDlg config(desktop, card, profile());
    auto configView = openAndShoot(config);
    ASSERT_NE(configView, nullptr);
    EXPECT_EQ(find<QLabel>(*configView, "positionLabel")->text(), "Bus 1, Slot 12, KARVO7F");
    EXPECT_EQ(find<QLineEdit>(*configView, "vendorIdEdit")->text(), "10E8");

    k7check::PCIconfigVorgabenDlg configDefaults(desktop, profile());
    auto configDefaultsView = openAndShoot(configDefaults);
    ASSERT_NE(configDefaultsView, nullptr);
    EXPECT_EQ(find<QLineEdit>(*configDefaultsView, "VendorIDEdit")->text(), "10E8");
    // A reference the file does not hold shows empty, not as "0".
    EXPECT_EQ(find<QLineEdit>(*configDefaultsView, "DeviceIDEdit")->text(), "");

    k7check::PCIconfigEEPROMDlg configEeprom(card);
    auto configEepromView = openAndShoot(configEeprom);
    ASSERT_NE(configEepromView, nullptr);
    EXPECT_EQ(find<QLineEdit>(*configEepromView, "baseAddress0Edit")->text(), "FFFFFFC1");

    k7check::PCIeepromRegisterDlg eeprom(desktop, card, profile());
    auto eepromView = openAndShoot(eeprom);
    ASSERT_NE(eepromView, nullptr);
    EXPECT_EQ(find<QLabel>(*eepromView, "romSignatureText")->text(), "AA55");
    EXPECT_TRUE(find<QAbstractButton>(*eepromView, "pciCheck")->isChecked());

    k7check::PCIeepromVorgabenDlg eepromDefaults(desktop, profile());
    EXPECT_NE(openAndShoot(eepromDefaults), nullptr);

    k7check::PCIoperationRegisterDlg operation(desktop, card);
    auto operationView = openAndShoot(operation);
    ASSERT_NE(operationView, nullptr);
    EXPECT_FALSE(find<QLineEdit>(*operationView, "mailboxStatusEdit")->isEnabled());
    find<QLineEdit>(*operationView, "outMailbox2Edit")->setText("CAFE0001");
    QTest::mouseClick(find<QAbstractButton>(*operationView, "writeButton"), Qt::LeftButton);
    EXPECT_EQ(KARVO7ReadRegister(card, k7proto::reg::kOutMailbox2), 0xCAFE0001u);
}

}  // namespace
