#include "KARVO7CheckDlgView.h"

#include <QAction>
#include <QFocusEvent>
#include <QGridLayout>
#include <QListWidget>
#include <cstdlib>

#include "AboutBox.h"
#include "AppIcon.h"
#include "FieldText.h"
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

    acceptUnsigned(*ui_->karteEdit);
    acceptUnsigned(*ui_->parametersatzEdit);
    acceptUnsigned(*ui_->zyklenEdit);
    acceptSigned(*ui_->anzeigefaktorEdit);
    acceptSigned(*ui_->timeOutEdit);

    // The parameter-file list shows one entry: one row high.
    QListWidget& files = *ui_->parameterFileList;
    files.setFixedHeight(files.fontMetrics().height() + 2 * files.frameWidth() + 6);
    files.setTextElideMode(Qt::ElideMiddle);

    // Enter finishes an edit; it never presses a button (OK would close every card). Each
    // button keeps some air around its caption whatever the style measures.
    const int air = 2 * fontMetrics().averageCharWidth();
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setMinimumWidth(button->sizeHint().width() + air);
    }

    // The window menu entry: the window's context menu (right click or the menu key).
    auto* about = new QAction(QStringLiteral("Inf&o über KARVO7Check..."), this);
    connect(about, &QAction::triggered, this, &KARVO7CheckDlgView::showAbout);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    connectActions();
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
    for (const k7check::CheckButton& check : k7check::checkButtons()) {
        CheckRow& r = rows_[k7check::index(check.id)];
        r.automatic = new QCheckBox(this);
        r.automatic->setObjectName(QStringLiteral("automatic%1").arg(k7check::index(check.id)));
        r.button = new QPushButton(QString::fromUtf8(check.caption), this);
        r.button->setObjectName(QStringLiteral("check%1").arg(k7check::index(check.id)));
        r.label = new QLabel(QString::fromUtf8(check.label), this);
        // A button whose window has not been built yet stays visible but cannot be pressed.
        const bool available = window_.registry().available(check.id);
        r.button->setEnabled(available);
        r.label->setEnabled(available);
        grid.addWidget(r.automatic, row, 0);
        grid.addWidget(r.button, row, 1);
        grid.addWidget(r.label, row, 2);
        const CheckId id = check.id;
        connect(r.button, &QPushButton::clicked, this,
                [this, id] { act([this, id] { window_.onCheckButton(id); }); });
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

void KARVO7CheckDlgView::connectActions() {
    connect(ui_->okButton, &QPushButton::clicked, this, &QtDialogView::accept);
    connect(ui_->hotPlugButton, &QPushButton::clicked, this,
            [this] { act([this] { window_.onHotPlug(); }); });
    connect(ui_->virma4Button, &QPushButton::clicked, this,
            [this] { act([this] { window_.onVirma4(); }); });
    connect(ui_->checkAllButton, &QPushButton::clicked, this,
            [this] { act([this] { window_.onCheckAll(); }); });
    connect(ui_->clearListButton, &QPushButton::clicked, this,
            [this] { act([this] { window_.onClearList(); }); });
    connect(ui_->saveButton, &QPushButton::clicked, this,
            [this] { act([this] { window_.onSave(); }); });
    connect(ui_->parameterFileList, &QListWidget::itemDoubleClicked, this,
            [this] { act([this] { window_.onChooseParameterFile(); }); });
    connect(ui_->timeOutEdit, &QLineEdit::textEdited, this,
            [this] { act([this] { window_.onTimeOutChange(); }); });
    // "Karte" is checked when it is left (focus moves on) or confirmed with Enter.
    ui_->karteEdit->installEventFilter(this);
    connect(ui_->karteEdit, &QLineEdit::returnPressed, this,
            [this] { act([this] { window_.onKarteKillFocus(); }); });

    // The windows of these buttons come with the measurement runs; until then they are shown
    // but cannot be pressed.
    for (QPushButton* later :
         {ui_->tiefenausgleichButton, ui_->busbelegungButton, ui_->karteSatzButton,
          ui_->karteSaetzeButton, ui_->kartenSatzButton, ui_->randomLimitsButton}) {
        later->setEnabled(false);
    }
    ui_->tiefenausgleichLabel->setEnabled(false);
}

bool KARVO7CheckDlgView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->karteEdit && event->type() == QEvent::FocusOut) {
        // Only when the technician moves on inside the window: a message box or another
        // window taking the focus while an action runs does not count as leaving the field.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (!acting_ && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            act([this] { window_.onKarteKillFocus(); });
        }
    }
    return QtDialogView::eventFilter(watched, event);
}

void KARVO7CheckDlgView::act(const std::function<void()>& action) {
    if (acting_) {
        return;
    }
    acting_ = true;
    action();
    acting_ = false;
    if (!window_.ended()) {
        writeWindowTexts();
    }
}

void KARVO7CheckDlgView::showAbout() {
    AboutBox about(this);
    about.exec();
}

void KARVO7CheckDlgView::readFields(k7check::Dialog& /*dialog*/) {
    k7check::MainWindowFields& f = window_.fields;
    readNumber(*ui_->karteEdit, f.karte);
    readNumber(*ui_->parametersatzEdit, f.parametersatz);
    readNumber(*ui_->anzeigefaktorEdit, f.anzeigefaktor);
    readNumber(*ui_->zyklenEdit, f.zyklen);
    readNumber(*ui_->timeOutEdit, f.timeOut);
    f.dma = ui_->dmaCheck->isChecked();
    f.prepAll = ui_->prepAllCheck->isChecked();
    f.random = ui_->randomCheck->isChecked();
    f.kontinuierlich = ui_->kontinuierlichCheck->isChecked();
    f.anzeige = ui_->anzeigeCheck->isChecked();
    f.hotPlugAutomatic = ui_->hotPlugAutomatic->isChecked();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        f.automatic[i] = rows_[i].automatic->isChecked();
    }
    const QListWidget& files = *ui_->parameterFileList;
    f.parameterFiles.clear();
    for (int i = 0; i < files.count(); ++i) {
        f.parameterFiles.push_back(files.item(i)->text().toStdString());
    }
    f.parameterFileSelection = files.currentRow();
}

void KARVO7CheckDlgView::writeFields(k7check::Dialog& /*dialog*/) {
    const k7check::MainWindowFields& f = window_.fields;
    writeNumber(*ui_->karteEdit, f.karte);
    writeNumber(*ui_->parametersatzEdit, f.parametersatz);
    writeNumber(*ui_->anzeigefaktorEdit, f.anzeigefaktor);
    writeNumber(*ui_->zyklenEdit, f.zyklen);
    writeNumber(*ui_->timeOutEdit, f.timeOut);
    ui_->dmaCheck->setChecked(f.dma);
    ui_->prepAllCheck->setChecked(f.prepAll);
    ui_->randomCheck->setChecked(f.random);
    ui_->kontinuierlichCheck->setChecked(f.kontinuierlich);
    ui_->anzeigeCheck->setChecked(f.anzeige);
    ui_->hotPlugAutomatic->setChecked(f.hotPlugAutomatic);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        rows_[i].automatic->setChecked(f.automatic[i]);
    }
    writeWindowTexts();
}

void KARVO7CheckDlgView::writeWindowTexts() {
    const k7check::MainWindowFields& f = window_.fields;
    ui_->hotPlugLabel->setText(qs(f.hotPlugLabel));
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (!f.checkLabels[i].empty()) {
            rows_[i].label->setText(qs(f.checkLabels[i]));
        }
    }
    ui_->karteCountLabel->setText(qs(f.karteLabel));

    QListWidget& files = *ui_->parameterFileList;
    files.clear();
    for (const std::string& file : f.parameterFiles) {
        files.addItem(qs(file));
    }
    files.setCurrentRow(f.parameterFileSelection);
    if (files.count() > 0) {
        files.item(0)->setToolTip(files.item(0)->text());
    }
    writeResultList();
}

void KARVO7CheckDlgView::writeResultList() {
    const std::vector<std::string>& lines = window_.fields.resultLines;
    QListWidget& list = *ui_->resultList;
    // Lines are only ever appended or all removed: keep what is shown, add the new ones.
    int shown = list.count();
    bool same = static_cast<std::size_t>(shown) <= lines.size();
    for (int i = 0; same && i < shown; ++i) {
        same = list.item(i)->text() == qs(lines[static_cast<std::size_t>(i)]);
    }
    if (!same) {
        list.clear();
        shown = 0;
    }
    for (std::size_t i = static_cast<std::size_t>(shown); i < lines.size(); ++i) {
        list.addItem(qs(lines[i]));
    }
    const int selection = window_.fields.resultSelection;
    if (selection >= 0 && selection < list.count()) {
        list.setCurrentRow(selection);
        list.scrollToItem(list.item(selection));
    } else {
        list.setCurrentRow(-1);
    }
}

}  // namespace k7qt
