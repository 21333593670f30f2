// The "Info über KARVO7Check" box, opened from the main window's window menu entry.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class AboutBox;
}

namespace k7qt {

class AboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit AboutBox(QWidget* parent = nullptr);
    ~AboutBox() override;

  private:
    std::unique_ptr<Ui::AboutBox> ui_;
};

}  // namespace k7qt
