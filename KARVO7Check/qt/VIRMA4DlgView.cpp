#include "VIRMA4DlgView.h"

#include <QPushButton>

#include "FieldText.h"
#include "ui_VIRMA4Dlg.h"

namespace k7qt {

VIRMA4DlgView::VIRMA4DlgView(k7check::VIRMA4Dlg& window, QWidget* parent)
    : QtDialogView(window, parent), window_(window), ui_(std::make_unique<Ui::VIRMA4Dlg>()) {
    ui_->setupUi(this);
    setWindowTitle(QString::fromUtf8(k7check::VIRMA4Dlg::kTitle));
    acceptSigned(*ui_->kennungEdit);
    connect(ui_->okButton, &QPushButton::clicked, this, &QtDialogView::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QtDialogView::reject);
}

VIRMA4DlgView::~VIRMA4DlgView() = default;

void VIRMA4DlgView::readFields(k7check::Dialog& /*dialog*/) {
    readNumber(*ui_->kennungEdit, window_.kennung);
}

void VIRMA4DlgView::writeFields(k7check::Dialog& /*dialog*/) {
    writeNumber(*ui_->kennungEdit, window_.kennung);
    ui_->kennungEdit->selectAll();
}

}  // namespace k7qt
