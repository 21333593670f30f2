#include "MeasuredDataViews.h"

#include <QBuffer>
#include <QByteArray>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

#include "MonospaceFont.h"
#include "QtCanvas.h"
#include "k7base/Files.h"

namespace k7qt {

// ---- "Anzeige Meßdaten"
// --------------------------------------------------------------------------

AnzeigeDlgView::AnzeigeDlgView(k7check::AnzeigeDlg& window, QWidget* parent)
    : QtDialogView(window, parent),
      window_(window),
      savePictureAction_(new QAction(QStringLiteral("Bild speichern..."), this)) {
    // The window places its texts at fixed pixel positions made for digits 8 pixels wide and
    // lines at most 16 pixels high (tick labels centred by 4 pixels a digit, the gate values
    // 135 pixels apart, the last line 17 pixels above the bottom): a font of that size,
    // whatever the desktop's default.
    QFont texts = font();
    texts.setPixelSize(kTextPixelSize);
    setFont(texts);
    resize(kClientWidth, kClientHeight);
    setSizeGripEnabled(true);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    addAction(savePictureAction_);
    connect(savePictureAction_, &QAction::triggered, this, [this] {
        act([this] {
            window_.savePicture([this](const std::string& path, std::string& error) {
                return savePicture(path, error);
            });
        });
    });
}

QImage AnzeigeDlgView::picture() const {
    QImage image(size(), QImage::Format_RGB32);
    // A window without data paints nothing: the picture shows the window's ground then.
    image.fill(palette().color(QPalette::Window));
    if (dialog() != nullptr) {
        QPainter painter(&image);
        painter.setFont(font());
        QtCanvas canvas(painter);
        dialog()->onPaint(canvas, k7check::Size{width(), height()});
    }
    return image;
}

bool AnzeigeDlgView::savePicture(const std::string& path, std::string& error) const {
    // Qt encodes the picture; the file is written whole or not at all like every file the
    // program writes.
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !picture().save(&buffer, "PNG")) {
        error = "PNG nicht geschrieben";
        return false;
    }
    return k7base::writeFileAtomically(
        path, std::string_view(png.constData(), static_cast<std::size_t>(png.size())), &error);
}

// ---- "Data"
// --------------------------------------------------------------------------------------

DataListModel::DataListModel(const k7check::DataList& list, QObject* parent)
    : QAbstractListModel(parent), list_(list) {}

int DataListModel::rowCount(const QModelIndex& parent) const {
    // At most 65536 samples and a few head lines: always within an int.
    return parent.isValid() ? 0 : static_cast<int>(list_.lineCount());
}

QVariant DataListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() < 0) {
        return {};
    }
    return QString::fromStdString(list_.line(static_cast<std::size_t>(index.row())));
}

namespace {

// Wide enough for the widest of the head lines and of the first and last sample lines.
int listTextWidth(const k7check::DataList& list, const QFont& font) {
    const QFontMetrics metrics(font);
    const std::size_t count = list.lineCount();
    int widest = 0;
    const auto measure = [&](std::size_t i) {
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(list.line(i))));
    };
    for (std::size_t i = 0; i < std::min<std::size_t>(count, 16); ++i) {
        measure(i);
    }
    if (count > 0) {
        measure(count - 1);
    }
    return widest;
}

}  // namespace

DataListDlgView::DataListDlgView(k7check::DataListDlg& window, QWidget* parent)
    : QtDialogView(window, parent),
      window_(window),
      listView_(new QListView(this)),
      copyAction_(new QAction(QStringLiteral("Kopieren"), this)),
      saveAction_(new QAction(QStringLiteral("Speichern unter..."), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(listView_);
    listView_->setObjectName(QStringLiteral("dataList"));
    listView_->setFont(monospaceFont(listView_->font()));
    // Every line is one text line: the list never measures its lines one by one.
    listView_->setUniformItemSizes(true);
    listView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView_->setModel(new DataListModel(window.list(), listView_));

    copyAction_->setShortcut(QKeySequence::Copy);
    copyAction_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    listView_->setContextMenuPolicy(Qt::ActionsContextMenu);
    listView_->addAction(copyAction_);
    listView_->addAction(saveAction_);
    connect(copyAction_, &QAction::triggered, this, [this] {
        const std::string text = selectedText();
        if (!text.empty()) {
            QGuiApplication::clipboard()->setText(QString::fromStdString(text));
        }
    });
    connect(saveAction_, &QAction::triggered, this, [this] { act([this] { window_.saveCsv(); }); });

    const int frame = 2 * listView_->frameWidth();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QMargins margins = layout->contentsMargins();
    const int width = listTextWidth(window.list(), listView_->font()) + frame + scrollBar +
                      margins.left() + margins.right() + 16;
    resize(width, 600);
    setSizeGripEnabled(true);
}

std::string DataListDlgView::selectedText() const {
    if (dialog() == nullptr) {
        return {};
    }
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : listView_->selectionModel()->selectedIndexes()) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    return window_.copyText(rows);
}

}  // namespace k7qt
