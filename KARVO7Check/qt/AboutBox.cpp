#include "AboutBox.h"

#include "AppIcon.h"
#include "ui_AboutBox.h"

namespace k7qt {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::AboutBox>()) {
    ui_->setupUi(this);
    ui_->iconLabel->setPixmap(appIcon().pixmap(32, 32));
}

AboutBox::~AboutBox() = default;

}  // namespace k7qt
