// The set editors on the screen, on a simulated card: each window opens with its form, its
// controls are bound (a click into a radio row keeps the row exclusive, units convert in the
// edits), the lists of columns line up, and a screenshot of each is saved as a test artifact.
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
#include "ViewRegistry.h"
#include "paramfile/ParameterKeys.h"
#include "windows/editors/AnzeigeVorgabenDlg.h"
#include "windows/editors/BlendenDlg.h"
#include "windows/editors/BlockmessungDlg.h"
#include "windows/editors/BusbelegungDlg.h"
#include "windows/editors/DataBlendenDlg.h"
#include "windows/editors/RandomLimitsDlg.h"
#include "windows/editors/TAlist.h"

using namespace k7check;
using namespace k7qttest;

namespace {

class SetEditorsView : public ::testing::Test {
  protected:
    SetEditorsView() : desktop(dir.path().toStdString() + "/KARVO7Check") {
        k7sim::Config config = k7sim::Config::defaults(1);
        config.persist = false;
        config.lockDir = QDir::tempPath().toStdString();
        config.instance = "check_qt_editors_" + std::to_string(QCoreApplication::applicationPid());
        config.worker = false;
        simulator = std::make_unique<k7sim::Simulator>(config);
        EXPECT_TRUE(simulator->install());
        card = KARVO7Open(1);
        uint32_t error = 0;
        EXPECT_EQ(KARVO7WarmUp(card, &error), 1);
        k7qt::registerProgramViews();
    }
    ~SetEditorsView() override {
        KARVO7Close(card);
        simulator->uninstall();
    }

    // Shows `dialog`, lets `check` look at it and saves its picture as `name`.png.
    void shoot(
        Dialog& dialog, const char* name,
        const std::function<void(QWidget&)>& check = [](QWidget&) {}) {
        std::unique_ptr<k7qt::QtDialogView> view = desktop.openView(dialog);
        ASSERT_NE(view, nullptr) << name;
        // Sized before it is shown: under a window manager a shown window's resize arrives later.
        view->resize(view->sizeHint());
        view->show();
        QApplication::processEvents();
        check(*view);
        const QString path = QStringLiteral(K7_ARTIFACT_DIR "/") + QString::fromUtf8(name) + ".png";
        EXPECT_TRUE(view->grab().save(path, "PNG")) << path.toStdString();
        // Nothing of the form may be cut off: the window is at least as large as it asks.
        EXPECT_GE(view->width(), view->minimumSizeHint().width()) << name;
        EXPECT_GE(view->height(), view->minimumSizeHint().height()) << name;
    }

    VirtualClock clock;
    QTemporaryDir dir;
    TestDesktop desktop;
    std::unique_ptr<k7sim::Simulator> simulator;
    KARVO7HANDLE card = nullptr;
};

TEST_F(SetEditorsView, ParameterEditor) {
    ParameterSet set;
    set.samplerate = 0;
    set.aufnahmelaenge = 100;
    AnzeigeVorgabenDlg window(desktop, card, set);
    shoot(window, "Anzeige-Messparameter", [](QWidget& view) {
        auto* mm = view.findChild<QRadioButton*>("mmRadio");
        auto* samples = view.findChild<QRadioButton*>("samplesRadio");
        ASSERT_NE(mm, nullptr);
        EXPECT_TRUE(samples->isChecked());
        QTest::mouseClick(mm, Qt::LeftButton);
        EXPECT_TRUE(mm->isChecked());
        EXPECT_FALSE(samples->isChecked());
        EXPECT_EQ(view.findChild<QLineEdit*>("aufnahmeEdit")->text(), "3.7");
        // Rows are kept apart: an energy does not clear the pulse width.
        QTest::mouseClick(view.findChild<QRadioButton*>("energie2Radio"), Qt::LeftButton);
        EXPECT_TRUE(view.findChild<QRadioButton*>("pulse65Radio")->isChecked());
        EXPECT_TRUE(view.findChild<QRadioButton*>("energie2Radio")->isChecked());
    });
}

TEST_F(SetEditorsView, GatesAndGateValues) {
    ParameterSet set;
    std::array<bool, kSetsPerCard> active{false, true, false, true};
    std::vector<uint8_t> data(131072);
    BlendenDlg window(desktop,
                      {card, &set, &active, true, std::span<const uint8_t>(data).first(0)});
    shoot(window, "Blenden", [](QWidget& view) {
        EXPECT_EQ(view.findChild<QLabel*>("statusText")->text(), "");
        EXPECT_EQ(view.findChild<QLineEdit*>("anfang1Edit")->text(), "300");
    });

    std::vector<uint8_t> results(48);
    results[4] = 250;
    results[6] = 0x20;
    results[7] = 0x19;
    DataBlendenDlg list(results, 48, active, false);
    shoot(list, "Blendenwerte", [](QWidget& view) {
        const auto* values = view.findChild<QListWidget*>("valueList");
        EXPECT_EQ(values->count(), 5);
        EXPECT_EQ(unevenColumns(values->font(), linesOf(*values)), "");
    });

    DataListInputs inputs;
    inputs.data = results.data();
    inputs.length = 48;
    inputs.samplingRate = 0;
    BlendenDataList dataList(inputs);
    shoot(dataList, "Data", [](QWidget& view) {
        const auto* lines = view.findChild<QListWidget*>("dataList");
        EXPECT_EQ(lines->count(), 25);
        EXPECT_EQ(unevenColumns(lines->font(), linesOf(*lines)), "");
    });
}

TEST_F(SetEditorsView, DepthCompensationList) {
    const std::string file = dir.path().toStdString() + "/kurve.ta";
    writeFile(file, "1.0 12.5 13 13.04 -0.25");
    ParameterSet set;
    set.samplerate = 0;
    set.taDatei = file;
    TAlist window(desktop, set);
    shoot(window, "Tiefenausgleich", [](QWidget& view) {
        auto* list = view.findChild<QListWidget*>("taList");
        ASSERT_EQ(list->count(), 4);
        EXPECT_EQ(list->item(3)->text(), "  4: 6553.4");
        EXPECT_EQ(unevenColumns(list->font(), linesOf(*list)), "");
        EXPECT_EQ(view.findChild<QLineEdit*>("stuetzstellenEdit")->text(), "4");
    });
}

TEST_F(SetEditorsView, RandomLimitsBusbelegungAutomatischeMessung) {
    RandomLimits limits = defaultRandomLimits();
    RandomLimitsDlg random(desktop, limits);
    shoot(random, "Random-Limits", [](QWidget& view) {
        EXPECT_EQ(view.findChild<QLineEdit*>("aufnahmeMaxEdit")->text(), "16000");
    });

    std::array<Channel, kMaxCards> channels{};
    channels[0] = {1, 1, 12, "KARVO7F"};
    channels[1] = {0, 1, 13, ""};
    BusbelegungDlg bus(channels);
    shoot(bus, "Busbelegung", [](QWidget& view) {
        const auto* list = view.findChild<QListWidget*>("busList");
        EXPECT_EQ(list->count(), 2);
        EXPECT_EQ(unevenColumns(list->font(), linesOf(*list)), "");
    });

    std::array<bool, kSetsPerCard> active{false, false, false, true};
    BlockmessungDlg block(active);
    shoot(block, "automatische-Messung");
}

}  // namespace
