#include "MainWindowView.h"

#include <cstdlib>

#include "Text.h"
#include "Win32Desktop.h"
#include "forms/Forms.h"

namespace k7w32 {

namespace {

bool simulatedCards() {
    const char* sim = std::getenv("KARVO7_SIM");
    return sim != nullptr && *sim != '\0';
}

FormNode rowControl(TableKind kind, int parent, int row, int column, const std::string& name,
                    const std::string& text) {
    FormNode n;
    n.kind = kind;
    n.parent = parent;
    n.row = row;
    n.column = column;
    n.name = name;
    n.text = k7base::wideOf(text);
    return n;
}

// The About box: the form AboutBox.ui, ended by its OK button.
class AboutBox : public k7check::Dialog {
  public:
    AboutBox() : Dialog("AboutBox", "Info über KARVO7Check") {}
};

class MainWindowView : public Win32DialogView {
  public:
    MainWindowView(k7check::KARVO7CheckDlg& window, const Metrics& metrics, Win32Desktop& desktop)
        : Win32DialogView(window, FormTree(forms::kKARVO7CheckDlg), metrics) {
        buildCheckRows(window);
        FormTree& form = tree();
        // The parameter-file list shows one entry: one line high.
        if (FormNode* files = node("parameterFileList")) {
            files->minimum.height = files->maximum.height = metrics.textHeight() + 10;
        }
        // Each button keeps some air around its caption.
        const int air = 2 * metrics.averageCharWidth();
        for (FormNode& n : form.nodes()) {
            if (n.kind == TableKind::Button) {
                n.minimum.width =
                    std::max(75, static_cast<int>(metrics.text(n.text).cx) + 16) + air;
            }
        }
        // Buttons whose windows are not built yet are shown but cannot be pressed.
        for (const char* button : {"tiefenausgleichButton", "busbelegungButton", "karteSatzButton",
                                   "karteSaetzeButton", "kartenSatzButton", "randomLimitsButton"}) {
            if (window.registry().windowButton(button) == nullptr) {
                unavailable_.push_back(button);
            }
        }
        setDoubleClickCommand("parameterFileList");
        addMenuEntry(L"Inf&o über KARVO7Check...", [&desktop] {
            AboutBox about;
            desktop.runModal(about);
        });
    }

  protected:
    void onCreated() override {
        SetWindowTextW(
            hwnd(), k7base::wideOf(mainWindowTitle(dialog()->title(), simulatedCards())).c_str());
        for (const std::string& name : unavailable_) {
            controls().setEnabled(name, false);
            if (name == "tiefenausgleichButton") {
                controls().setEnabled("tiefenausgleichLabel", false);
            }
        }
    }

  private:
    void buildCheckRows(k7check::KARVO7CheckDlg& window) {
        FormTree& form = tree();
        const int grid = form.find("checkGrid");
        // Row 0 is "Hot Plug"; the check buttons follow it, in the order of the registry.
        form.openRows(grid, 1, static_cast<int>(k7check::kCheckCount));
        int row = 1;
        int previous = form.find("hotPlugButton");
        using k7check::KARVO7CheckDlg;
        for (const k7check::CheckButton& check : k7check::checkButtons()) {
            const int box = form.add(rowControl(TableKind::Check, grid, row, 0,
                                                KARVO7CheckDlg::automaticControl(check.id), ""));
            const int button =
                form.add(rowControl(TableKind::Button, grid, row, 1,
                                    KARVO7CheckDlg::checkButtonControl(check.id), check.caption));
            form.add(rowControl(TableKind::Label, grid, row, 2,
                                KARVO7CheckDlg::checkLabelControl(check.id), check.label));
            // A button whose window has not been built yet stays visible but cannot be pressed.
            if (!window.registry().available(check.id)) {
                unavailable_.push_back(KARVO7CheckDlg::checkButtonControl(check.id));
                unavailable_.push_back(KARVO7CheckDlg::checkLabelControl(check.id));
            }
            // The tab order follows the column: each row's box, then its button.
            form.setTabOrder(previous, box);
            form.setTabOrder(box, button);
            previous = button;
            ++row;
        }
        form.setTabOrder(previous, form.find("tiefenausgleichButton"));
    }

    std::vector<std::string> unavailable_;
};

}  // namespace

std::string mainWindowTitle(const std::string& title, bool simulated) {
    return simulated ? title + " (simulierte Karten)" : title;
}

std::unique_ptr<Win32DialogView> makeMainWindowView(k7check::KARVO7CheckDlg& window,
                                                    const Metrics& metrics, Win32Desktop& desktop) {
    return std::make_unique<MainWindowView>(window, metrics, desktop);
}

}  // namespace k7w32
