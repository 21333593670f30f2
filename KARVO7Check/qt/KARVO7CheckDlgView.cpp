#include "KARVO7CheckDlgView.h"

#include <QAction>
#include <QGridLayout>
#include <QListWidget>
#include <cstdlib>

#include "AboutBox.h"
#include "AppIcon.h"
#include "ui_KARVO7CheckDlg.h"

namespace k7qt {

using k7check::CheckId;

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Moves every item of the grid at or below `fromRow` down by `rows`.
void openRows(QGridLayout& grid, int fromRow, int rows) {
    struct Placed {
        QLayoutItem* item;
        int row, column, rowSpan, columnSpan;
    };
    std::vector<Placed> moved;
    for (int i = grid.count() - 1; i >= 0; --i) {
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid.getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        if (row >= fromRow) {
            moved.push_back({grid.takeAt(i), row, column, rowSpan, columnSpan});
        }
    }
    for (const Placed& p : moved) {
        grid.addItem(p.item, p.row + rows, p.column, p.rowSpan, p.columnSpan);
    }
}

bool simulatedCards() {
    const char* sim = std::getenv("KARVO7_SIM");
    return sim != nullptr && *sim != '\0';
}

}  // namespace

KARVO7CheckDlgView::KARVO7CheckDlgView(k7check::KARVO7CheckDlg& window, QWidget* parent)
    : QtDialogView(window, parent), window_(window), ui_(std::make_unique<Ui::KARVO7CheckDlg>()) {
    ui_->setupUi(this);
    setWindowTitle(titleFor(window.title(), simulatedCards()));
    setWindowIcon(appIcon());
    setWindowFlag(Qt::WindowMinimizeButtonHint);

    buildCheckRows();

    // The parameter-file list shows one entry: one row high.
    QListWidget& files = *ui_->parameterFileList;
    files.setFixedHeight(files.fontMetrics().height() + 2 * files.frameWidth() + 6);
    files.setTextElideMode(Qt::ElideMiddle);

    // Each button keeps some air around its caption whatever the style measures.
    const int air = 2 * fontMetrics().averageCharWidth();
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setMinimumWidth(button->sizeHint().width() + air);
    }

    // The window menu entry: the window's context menu (right click or the menu key).
    auto* about = new QAction(QStringLiteral("Inf&o über KARVO7Check..."), this);
    connect(about, &QAction::triggered, this, &KARVO7CheckDlgView::showAbout);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    // The window keeps Escape and Enter from ending it (KARVO7CheckDlg::keysEndWindow).
    connectControls();
    connect(ui_->parameterFileList, &QListWidget::itemDoubleClicked, this,
            [this] { input().clicked("parameterFileList"); });

    // Buttons whose windows are not built yet are shown but cannot be pressed.
    for (QPushButton* other :
         {ui_->tiefenausgleichButton, ui_->busbelegungButton, ui_->karteSatzButton,
          ui_->karteSaetzeButton, ui_->kartenSatzButton, ui_->randomLimitsButton}) {
        other->setEnabled(window_.registry().windowButton(other->objectName().toStdString()) !=
                          nullptr);
    }
    ui_->tiefenausgleichLabel->setEnabled(ui_->tiefenausgleichButton->isEnabled());
}

KARVO7CheckDlgView::~KARVO7CheckDlgView() = default;

QString KARVO7CheckDlgView::titleFor(const std::string& title, bool simulated) {
    return simulated ? qs(title) + QStringLiteral(" (simulierte Karten)") : qs(title);
}

void KARVO7CheckDlgView::buildCheckRows() {
    QGridLayout& grid = *ui_->checkGrid;
    // Row 0 is "Hot Plug"; the check buttons follow it, in the order of the registry.
    openRows(grid, 1, static_cast<int>(k7check::kCheckCount));
    int row = 1;
    using k7check::KARVO7CheckDlg;
    for (const k7check::CheckButton& check : k7check::checkButtons()) {
        CheckRow& r = rows_[k7check::index(check.id)];
        r.automatic = new QCheckBox(this);
        r.automatic->setObjectName(qs(KARVO7CheckDlg::automaticControl(check.id)));
        r.button = new QPushButton(QString::fromUtf8(check.caption), this);
        r.button->setObjectName(qs(KARVO7CheckDlg::checkButtonControl(check.id)));
        r.label = new QLabel(QString::fromUtf8(check.label), this);
        r.label->setObjectName(qs(KARVO7CheckDlg::checkLabelControl(check.id)));
        // A button whose window has not been built yet stays visible but cannot be pressed.
        const bool available = window_.registry().available(check.id);
        r.button->setEnabled(available);
        r.label->setEnabled(available);
        grid.addWidget(r.automatic, row, 0);
        grid.addWidget(r.button, row, 1);
        grid.addWidget(r.label, row, 2);
        ++row;
    }
    // The tab order follows the column: each row's box, then its button.
    QWidget* previous = ui_->hotPlugButton;
    for (const CheckRow& r : rows_) {
        setTabOrder(previous, r.automatic);
        setTabOrder(r.automatic, r.button);
        previous = r.button;
    }
    setTabOrder(previous, ui_->tiefenausgleichButton);
}

void KARVO7CheckDlgView::showAbout() {
    AboutBox about(this);
    about.exec();
}

}  // namespace k7qt
