// Pictures of the measured-data window and the data list on what simulated cards deliver, in every
// layout, saved as test artifacts: a native 16-bit shot with its gate values and bars, a native
// 8-bit shot, the record types the cards send and an externally triggered record with its time.
#include <gtest/gtest.h>

#include <QItemSelection>
#include <QListView>
#include <map>

#include "Format.h"
#include "QtTestSupport.h"
#include "SimFixture.h"
#include "ViewRegistry.h"
#include "windows/measurement/AnzeigeDlg.h"
#include "windows/measurement/DataListDlg.h"
#include "windows/measurement/MeasuredDataViews.h"

using simtest::Bytes;
using simtest::SetRecord;

namespace {

class MeasuredDataPictures : public simtest::SimTest {
  protected:
    void SetUp() override {
        simtest::SimTest::SetUp();
        k7qt::registerProgramViews();
    }

    Bytes shot(KARVO7HANDLE h) { return simtest::shot(h); }

    static k7check::MeasuredDataInputs inputs(const Bytes& b, const SetRecord& r,
                                              bool recordLayout) {
        k7check::MeasuredDataInputs in;
        in.recordLayout = recordLayout;
        in.eightBit = r.measure.Bit8 != 0;
        in.data = b.data();
        in.length = static_cast<uint32_t>(b.size());
        in.number = 1;
        in.samplingRate = static_cast<uint8_t>(r.measure.Samplerate);
        in.gateParams = r.gates;
        in.offset = r.measure.Aufnahmedelay;
        return in;
    }

    // Shows the window on `in` and saves its picture as Anzeige-`name`.png; the window paints
    // every pixel of its client area and the curve in blue.
    void picture(const k7check::MeasuredDataInputs& in, const std::string& name) {
        k7qttest::TestDesktop desktop("/opt/karvo7/bin/KARVO7Check");
        k7check::AnzeigeDlg window(desktop);
        window.setInputs(in);
        EXPECT_TRUE(desktop.messages.empty()) << desktop.messages.front();
        std::unique_ptr<k7qt::QtDialogView> opened = desktop.openView(window);
        auto* view = dynamic_cast<k7qt::AnzeigeDlgView*>(opened.get());
        ASSERT_NE(view, nullptr);
        view->show();
        const QImage image = view->grab().toImage();
        ASSERT_EQ(image.size(), QSize(800, 600));
        int blue = 0;
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 0; y < image.height(); ++y) {
                blue += image.pixel(x, y) == qRgb(0, 0, 255);
            }
        }
        EXPECT_GT(blue, 740) << name;
        const QString path = QStringLiteral(K7_ARTIFACT_DIR "/Anzeige-") +
                             QString::fromStdString(name) + QStringLiteral(".png");
        EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
    }

    // Shows the data list of `in` with the lines `from` to `to` selected and in view, and saves
    // its picture as Data-`name`.png.
    void listPicture(const k7check::DataListInputs& in, int from, int to, const std::string& name) {
        k7qttest::TestDesktop desktop("/opt/karvo7/bin/KARVO7Check");
        k7check::DataListDlg list(desktop, in);
        std::unique_ptr<k7qt::QtDialogView> opened = desktop.openView(list);
        auto* view = dynamic_cast<k7qt::DataListDlgView*>(opened.get());
        ASSERT_NE(view, nullptr);
        view->show();
        QListView* lines = view->listView();
        const QAbstractItemModel* model = lines->model();
        lines->scrollTo(model->index((from + to) / 2, 0), QAbstractItemView::PositionAtCenter);
        lines->selectionModel()->select(QItemSelection(model->index(from, 0), model->index(to, 0)),
                                        QItemSelectionModel::Select);
        const QString path = QStringLiteral(K7_ARTIFACT_DIR "/Data-") +
                             QString::fromStdString(name) + QStringLiteral(".png");
        EXPECT_TRUE(view->grab().save(path, "PNG")) << path.toStdString();
    }
};

TEST_F(MeasuredDataPictures, NativeShotsWithGatesAndTheDataList) {
    KARVO7HANDLE h = warm();
    SetRecord r = simtest::defaultSet();
    r.gates.Enables.Enable[0] = 1;
    ASSERT_TRUE(simtest::prepare(h, 0, r));
    const Bytes sixteen = shot(h);
    ASSERT_EQ(sixteen.size(), 3200u);
    GateResults gates{};
    uint32_t error = 0;
    ASSERT_EQ(KARVO7GetGates(h, &gates, &error), 1);
    k7check::MeasuredDataInputs in = inputs(sixteen, r, false);
    in.gateResults = gates;
    picture(in, "nativ-16Bit");

    SetRecord eight = r;
    eight.measure.Bit8 = 1;
    ASSERT_TRUE(simtest::prepare(h, 0, eight));
    const Bytes eightBit = shot(h);
    ASSERT_EQ(eightBit.size(), 1600u);
    picture(inputs(eightBit, eight, false), "nativ-8Bit");

    // The data list of the 16-bit shot, some lines around the first echo selected.
    const std::size_t peak = simtest::peakIndex(simtest::samples16(sixteen, 3200), 300, 400);
    listPicture({false, false, sixteen.data(), 3200, 1}, static_cast<int>(peak) - 1,
                static_cast<int>(peak) + 3, "nativ-16Bit");
}

TEST_F(MeasuredDataPictures, EveryRecordType) {
    KARVO7HANDLE h = warm();
    uint32_t error = 0;
    ASSERT_EQ(KARVO7SetVIRMA4(h, 0, -10, &error), 1);
    std::map<int, std::string> shown;
    for (const bool ascan : {false, true}) {
        for (const bool eightBit : {false, true}) {
            SetRecord r = simtest::defaultSet();
            r.measure.ASCAN = ascan ? 1 : 0;
            r.measure.Bit8 = eightBit ? 1 : 0;
            ASSERT_TRUE(simtest::prepare(h, 0, r));
            const Bytes data = shot(h);
            ASSERT_GE(data.size(), 6u);
            const int type = simtest::header(data, 0).type;
            if (shown.count(type) != 0) {
                continue;
            }
            const std::string name = k7check::formatText("Typ-0x%X", static_cast<unsigned>(type));
            shown[type] = name;
            SetRecord display = r;
            display.measure.Bit8 = 0;  // the set's "8Bit" counts in the native layout only
            picture(inputs(data, display, true), name);
        }
    }
    EXPECT_EQ(shown.count(0x10), 1u);
    EXPECT_EQ(shown.count(0x14), 1u);
}

TEST_F(MeasuredDataPictures, ExternallyTriggeredRecordWithItsTime) {
    k7sim::Config config = simtest::testConfig();
    config.cards[0].externalTriggerHz = 1000.0;
    sim.reset();
    start(config);
    KARVO7HANDLE h = warm();
    SetRecord r = simtest::defaultSet();
    r.measure.ExternerTrigger = 1;
    ASSERT_TRUE(simtest::prepare(h, 0, r));
    uint32_t error = 0;
    ASSERT_EQ(KARVO7SetVIRMA4(h, 0, -10, &error), 1);
    clock.advance(250);
    const Bytes data = shot(h);
    ASSERT_FALSE(data.empty());
    ASSERT_EQ(data[0], 0xFF);
    picture(inputs(data, r, true), "ext-Trigger");
    // Its list opens with the time and the header lines.
    listPicture({false, true, data.data(), static_cast<uint32_t>(data.size()), 1}, 0, 0,
                "ext-Trigger");
}

}  // namespace
