// The window "VIRMA4" on the screen: the edit "Kennung" with OK and Cancel.
#pragma once

#include <memory>

#include "QtDialogView.h"
#include "VIRMA4Dlg.h"

namespace Ui {
class VIRMA4Dlg;
}

namespace k7qt {

class VIRMA4DlgView : public QtDialogView {
    Q_OBJECT
  public:
    VIRMA4DlgView(k7check::VIRMA4Dlg& window, QWidget* parent);
    ~VIRMA4DlgView() override;

    void readFields(k7check::Dialog& dialog) override;
    void writeFields(k7check::Dialog& dialog) override;

  private:
    k7check::VIRMA4Dlg& window_;
    std::unique_ptr<Ui::VIRMA4Dlg> ui_;
};

}  // namespace k7qt
