// The main window on the screen: the form KARVO7CheckDlg.ui and the check-button rows built
// from the check registry; controls are bound to the session's fields by the window itself.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <array>
#include <functional>
#include <memory>

#include "QtDialogView.h"
#include "app/KARVO7CheckDlg.h"

namespace Ui {
class KARVO7CheckDlg;
}

namespace k7qt {

class KARVO7CheckDlgView : public QtDialogView {
    Q_OBJECT
  public:
    KARVO7CheckDlgView(k7check::KARVO7CheckDlg& window, QWidget* parent);
    ~KARVO7CheckDlgView() override;

    // The window title: "KARVO7 Check", marked when the cards are simulated.
    static QString titleFor(const std::string& title, bool simulatedCards);

    // The widgets of one check-button row.
    struct CheckRow {
        QCheckBox* automatic = nullptr;
        QPushButton* button = nullptr;
        QLabel* label = nullptr;
    };
    const CheckRow& checkRow(k7check::CheckId id) const { return rows_[k7check::index(id)]; }

  public slots:
    // Opens "Info über KARVO7Check".
    void showAbout();

  private:
    void buildCheckRows();

    k7check::KARVO7CheckDlg& window_;
    std::unique_ptr<Ui::KARVO7CheckDlg> ui_;
    std::array<CheckRow, k7check::kCheckCount> rows_{};
};

}  // namespace k7qt
