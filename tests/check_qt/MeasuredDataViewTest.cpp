// The measured-data window and the data list in Qt: the per-column curve draws the same pixels as
// the full polyline when Qt rasterises both, for every layout; the window's picture is what the
// screen shows and is saved whole; the data list's model serves 65536 samples line by line, and
// its context menu copies and saves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QListView>
#include <QPainter>
#include <QSizeGrip>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <algorithm>
#include <cmath>
#include <random>

#include "QtCanvas.h"
#include "QtTestSupport.h"
#include "ViewRegistry.h"
#include "windows/measurement/AnzeigeDlg.h"
#include "windows/measurement/DataListDlg.h"
#include "windows/measurement/MeasuredDataDisplay.h"
#include "windows/measurement/MeasuredDataViews.h"

using k7check::CurveDrawing;
using k7check::MeasuredDataDisplay;
using k7check::MeasuredDataInputs;
using namespace k7qttest;

namespace {

using Buffer = std::vector<uint8_t>;

Buffer native16(const std::vector<int16_t>& s) {
    Buffer b;
    for (int16_t v : s) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
    }
    return b;
}

Buffer native8(const std::vector<int16_t>& s) {
    Buffer b;
    for (int16_t v : s) {
        b.push_back(static_cast<uint8_t>(v >> 8));
    }
    return b;
}

// A record of `type` whose payload is the words `s` (for type 0x10 packed 12-bit samples: any bit
// pattern unpacks to samples).
Buffer record(uint8_t type, const std::vector<int16_t>& s) {
    const auto length = static_cast<uint32_t>(6 + 2 * s.size());
    Buffer b = {type,
                static_cast<uint8_t>(length),
                static_cast<uint8_t>(length >> 8),
                static_cast<uint8_t>(length >> 16),
                0xF5,
                0xFF};
    const Buffer payload = native16(s);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

Buffer prefixed(uint32_t zeit, const Buffer& rec) {
    Buffer b = {0xFF,
                0,
                0,
                0,
                static_cast<uint8_t>(zeit),
                static_cast<uint8_t>(zeit >> 8),
                static_cast<uint8_t>(zeit >> 16),
                static_cast<uint8_t>(zeit >> 24)};
    b.insert(b.end(), rec.begin(), rec.end());
    return b;
}

// An echo train with noise, so that columns hold rising and falling runs.
std::vector<int16_t> noisy(std::size_t n, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<int16_t> s(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double echo = 20000.0 * std::sin(static_cast<double>(i) / 40.0);
        s[i] = static_cast<int16_t>(
            std::clamp(echo + static_cast<double>(random() % 4001) - 2000.0, -32768.0, 32767.0));
    }
    return s;
}

MeasuredDataInputs inputsFor(const Buffer& b, bool recordLayout, bool eightBit = false) {
    MeasuredDataInputs in;
    in.recordLayout = recordLayout;
    in.eightBit = eightBit;
    in.data = b.data();
    in.length = static_cast<uint32_t>(b.size());
    in.number = 1;
    return in;
}

QImage render(const MeasuredDataDisplay& display, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QPainter painter(&image);
    k7qt::QtCanvas canvas(painter);
    display.paint(canvas, {size.width(), size.height()});
    return image;
}

// Pixels that differ, outside `skipped`.
std::size_t differingPixels(const QImage& a, const QImage& b, const QRect& skipped = {}) {
    std::size_t count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            count += a.pixel(x, y) != b.pixel(x, y) && !skipped.contains(x, y);
        }
    }
    return count;
}

std::size_t pixelsOf(const QImage& image, QRgb colour) {
    std::size_t count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixel(x, y) == colour;
        }
    }
    return count;
}

TEST(CurveInQt, EnvelopeGivesTheFullPolylinesPixelsForEveryLayout) {
    struct Layout {
        const char* name;
        bool recordLayout;
        bool eightBit;
        Buffer (*make)(const std::vector<int16_t>&);
        std::size_t maxSamples;  // records stay within the 131072 bytes the display takes
    };
    const Layout layouts[] = {
        {"native 16-bit", false, false, native16, 65536},
        {"native 8-bit", false, true, native8, 65536},
        {"0x10", true, false, [](const std::vector<int16_t>& s) { return record(0x10, s); }, 40000},
        {"0x14", true, false, [](const std::vector<int16_t>& s) { return record(0x14, s); }, 65000},
        {"prefixed 0x14", true, false,
         [](const std::vector<int16_t>& s) { return prefixed(4711, record(0x14, s)); }, 65000},
    };
    for (const Layout& layout : layouts) {
        for (const QSize size : {QSize(800, 600), QSize(97, 80), QSize(1200, 300)}) {
            for (const std::size_t n : {std::size_t{2}, std::size_t{500}, std::size_t{741},
                                        std::size_t{1600}, std::size_t{65536}}) {
                const std::size_t count = std::min(n, layout.maxSamples);
                SCOPED_TRACE(std::string(layout.name) + ", " + std::to_string(count) + " in " +
                             std::to_string(size.width()) + "x" + std::to_string(size.height()));
                const Buffer b = layout.make(noisy(count, static_cast<uint32_t>(count)));
                MeasuredDataDisplay display;
                ASSERT_FALSE(display.setInputs(inputsFor(b, layout.recordLayout, layout.eightBit)));
                display.setCurveDrawing(CurveDrawing::FullPolyline);
                const QImage naive = render(display, size);
                display.setCurveDrawing(CurveDrawing::Envelope);
                const QImage ours = render(display, size);
                EXPECT_EQ(differingPixels(naive, ours), 0u);
                // The curve is there at all (blue), and every pixel was painted.
                EXPECT_GT(pixelsOf(ours, qRgb(0, 0, 255)),
                          static_cast<std::size_t>(size.width()) / 4);
                EXPECT_EQ(pixelsOf(ours, QColor(Qt::gray).rgb()), 0u);
            }
        }
    }
}

struct Windows : ::testing::Test {
    void SetUp() override { k7qt::registerProgramViews(); }
    QTemporaryDir dir;
    TestDesktop desktop{"/opt/karvo7/bin/KARVO7Check"};
};

TEST_F(Windows, MeasuredDataViewShowsAndSavesTheWindowsPicture) {
    const Buffer b = native16(noisy(1600, 3));
    k7check::AnzeigeDlg window(desktop);
    window.setInputs(inputsFor(b, false));
    std::unique_ptr<k7qt::QtDialogView> opened = desktop.openView(window);
    auto* view = dynamic_cast<k7qt::AnzeigeDlgView*>(opened.get());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->windowTitle(), "Anzeige Meßdaten");
    view->show();
    EXPECT_EQ(view->size(), QSize(800, 600));
    EXPECT_EQ(view->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(view->actions(), QList<QAction*>{view->savePictureAction()});
    EXPECT_EQ(view->savePictureAction()->text(), "Bild speichern...");
    // Texts fit the window's fixed places: digits about 8 pixels wide, lines at most 16 high,
    // and the widest gate values end before the next ones start, 210 and 135 pixels on.
    const QFontMetrics metrics(view->font());
    EXPECT_GE(metrics.horizontalAdvance(QStringLiteral("1000")), 26);
    EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("1000")), 36);
    EXPECT_LE(metrics.height(), 16);
    EXPECT_LT(metrics.horizontalAdvance(QStringLiteral("ES: d =1000 | B0: t =1000 v =255^")), 210);
    EXPECT_LT(metrics.horizontalAdvance(QStringLiteral("B4: t =1000 v =255^")), 135);

    // The picture is what the screen shows (but the size grip), at the window's size, after a
    // resize too.
    view->resize(640, 420);
    const QImage shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage picture = view->picture();
    ASSERT_EQ(picture.size(), QSize(640, 420));
    const auto* grip = view->findChild<QSizeGrip*>();
    ASSERT_NE(grip, nullptr);
    EXPECT_EQ(differingPixels(shown, picture, grip->geometry()), 0u);
    EXPECT_EQ(picture.pixel(320, 0), qRgb(255, 255, 255));

    // Cancelled, saved, and a folder that does not exist.
    view->savePictureAction()->trigger();
    const QString saved = dir.filePath("bild.png");
    desktop.files.push_back(saved.toStdString());
    view->savePictureAction()->trigger();
    const std::string missing = dir.filePath("fehlt/bild.png").toStdString();
    desktop.files.push_back(missing);
    view->savePictureAction()->trigger();
    EXPECT_EQ(desktop.fileDialogs,
              std::vector<std::string>(3, "save: Anzeige.png|PNG-Bild (*.png)|*.png||"));
    QImage loaded;
    ASSERT_TRUE(loaded.load(saved, "PNG"));
    EXPECT_EQ(differingPixels(loaded.convertToFormat(QImage::Format_RGB32), picture), 0u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"bild.png"});
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(
        desktop.messages[0].rfind("Anzeige: " + missing + " konnte nicht gespeichert werden: ", 0),
        0u)
        << desktop.messages[0];

    // A read-only file keeps its contents, and the message says why; a link to a picture is
    // followed, its target replaced and the link kept.
    QFile fixed(dir.filePath("fest.png"));
    ASSERT_TRUE(fixed.open(QIODevice::WriteOnly));
    fixed.write("fest");
    fixed.close();
    ASSERT_TRUE(fixed.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    desktop.files.push_back(fixed.fileName().toStdString());
    view->savePictureAction()->trigger();
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1], "Anzeige: " + fixed.fileName().toStdString() +
                                       " konnte nicht gespeichert werden: " +
                                       fixed.fileName().toStdString() + ": schreibgeschützt");
    ASSERT_TRUE(fixed.open(QIODevice::ReadOnly));
    EXPECT_EQ(fixed.readAll(), QByteArray("fest"));
    fixed.close();

    const QString link = dir.filePath("link.png");
    ASSERT_TRUE(QFile::link(saved, link));
    desktop.files.push_back(link.toStdString());
    view->resize(320, 200);
    view->savePictureAction()->trigger();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    ASSERT_TRUE(loaded.load(saved, "PNG"));
    EXPECT_EQ(loaded.size(), QSize(320, 200));
    EXPECT_EQ(desktop.messages.size(), 2u);
}

TEST_F(Windows, WithoutDataTheWindowShowsItsOwnGround) {
    k7check::AnzeigeDlg window(desktop);
    std::unique_ptr<k7qt::QtDialogView> opened = desktop.openView(window);
    auto* view = dynamic_cast<k7qt::AnzeigeDlgView*>(opened.get());
    ASSERT_NE(view, nullptr);
    QPalette palette = view->palette();
    const QColor ground(40, 90, 160);
    palette.setColor(QPalette::Window, ground);
    view->setPalette(palette);
    view->show();
    const auto* grip = view->findChild<QSizeGrip*>();
    ASSERT_NE(grip, nullptr);
    const auto groundOnly = [&] {
        const QImage shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QImage expected(shown.size(), QImage::Format_RGB32);
        expected.fill(ground);
        return differingPixels(shown, expected, grip->geometry()) == 0 &&
               differingPixels(view->picture(), expected) == 0;
    };
    // No data handed over yet.
    EXPECT_TRUE(groundOnly());
    // A record whose header check fails: its message once, and still the ground.
    Buffer bad = record(0x14, {1, 2, 3});
    bad[1] = 14;
    window.setInputs(inputsFor(bad, true));
    EXPECT_EQ(desktop.messages, std::vector<std::string>{"Anzeige: Datenlänge soll: 12 - ist: 14"});
    view->repaint();
    EXPECT_TRUE(groundOnly());
    // Data again: the white plot.
    const Buffer good = native16(noisy(100, 1));
    window.setInputs(inputsFor(good, false));
    view->repaint();
    EXPECT_FALSE(groundOnly());
    EXPECT_EQ(view->picture().pixel(320, 0), qRgb(255, 255, 255));
}

TEST_F(Windows, DoubleClickOpensTheDataListOnTheSameBuffer) {
    const Buffer b = native16(noisy(1600, 4));
    k7check::AnzeigeDlg window(desktop);
    window.setInputs(inputsFor(b, false));
    std::unique_ptr<k7qt::QtDialogView> view = desktop.openView(window);
    ASSERT_NE(view, nullptr);
    view->show();
    int rows = -1;
    QString title;
    whenModalOpens([&](QWidget* modal) {
        title = modal->windowTitle();
        if (auto* list = modal->findChild<QListView*>("dataList")) {
            rows = list->model()->rowCount();
        }
        static_cast<QDialog*>(modal)->reject();
    });
    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, QPoint(400, 300));
    EXPECT_EQ(title, "Data");
    EXPECT_EQ(rows, 1601);
}

TEST_F(Windows, DataListServesSixtyFiveThousandSamplesAndCopiesAndSaves) {
    Buffer b;
    for (int i = 0; i < 65536; ++i) {
        const auto s = static_cast<uint16_t>(i * 7);
        b.push_back(static_cast<uint8_t>(s));
        b.push_back(static_cast<uint8_t>(s >> 8));
    }
    k7check::DataListDlg window(desktop, {false, false, b.data(), 131072, 1});
    std::unique_ptr<k7qt::QtDialogView> opened = desktop.openView(window);
    auto* view = dynamic_cast<k7qt::DataListDlgView*>(opened.get());
    ASSERT_NE(view, nullptr);
    view->show();
    EXPECT_EQ(view->windowTitle(), "Data");
    QListView* list = view->listView();
    const QAbstractItemModel* model = list->model();
    ASSERT_EQ(model->rowCount(), 65537);
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), "131072 Bytes");
    // Sample 65535 is 65535 * 7 = 0xFFF9 as a word, -7 as a sample.
    const QString last = QString::fromUtf8("1638.375µs    -0.0% | 65535     -7 (  -2) 0xFFF9");
    EXPECT_EQ(model->data(model->index(65536, 0)).toString(), last);
    EXPECT_EQ(model->data(model->index(65537, 0)), QVariant());
    // The columns line up: every character of the lines takes the same advance, whatever fonts
    // the machine has beside the program's own.
    QStringList shown;
    for (const int row : {0, 1, 2, 1000, 65536}) {
        shown << model->data(model->index(row, 0)).toString();
    }
    EXPECT_EQ(unevenColumns(list->font(), shown), "");
    EXPECT_TRUE(list->uniformItemSizes());
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(list->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(list->actions(), (QList<QAction*>{view->copyAction(), view->saveAction()}));
    EXPECT_EQ(view->copyAction()->text(), "Kopieren");
    EXPECT_EQ(view->saveAction()->text(), "Speichern unter...");
    // The widest line fits without scrolling sideways.
    EXPECT_LE(QFontMetrics(list->font()).horizontalAdvance(last), list->viewport()->width());

    // "Kopieren": the selected lines in list order, whatever order they were picked in.
    QItemSelectionModel* selection = list->selectionModel();
    selection->select(model->index(65536, 0), QItemSelectionModel::Select);
    selection->select(model->index(0, 0), QItemSelectionModel::Select);
    selection->select(model->index(2, 0), QItemSelectionModel::Select);
    QApplication::clipboard()->clear();
    view->copyAction()->trigger();
    EXPECT_EQ(
        QApplication::clipboard()->text(),
        "131072 Bytes\n" + QString::fromStdString(window.list().line(2)) + "\n" + last + "\n");

    // "Speichern unter...": the whole list as CSV.
    const QString path = dir.filePath("data.csv");
    desktop.files.push_back(path.toStdString());
    view->saveAction()->trigger();
    EXPECT_EQ(desktop.fileDialogs,
              std::vector<std::string>{"save: Data.csv|CSV-Datei (*.csv)|*.csv||"});
    EXPECT_EQ(readFile(path.toStdString()), window.list().csv());
    EXPECT_TRUE(desktop.messages.empty());
}

}  // namespace
