// Every window of the program opened once, laid out with the dialog font of this desktop: no
// control lies outside its window or over another one (a group box holds what lies in it), and
// every text fits its control. Measured on the windows Win32 made, not assumed from the forms.
#include <gtest/gtest.h>

#include "MainWindowView.h"
#include "SimulatedProgram.h"
#include "TableFormView.h"
#include "forms/Forms.h"
#include "windows/pci/PCIconfigEEPROMDlg.h"
#include "windows/pci/PCIconfigRegisterDlg.h"
#include "windows/pci/PCIconfigVorgabenDlg.h"
#include "windows/pci/PCIeepromRegisterDlg.h"
#include "windows/pci/PCIeepromVorgabenDlg.h"
#include "windows/pci/PCIoperationRegisterDlg.h"
#include "windows/registers/DataLCADlg.h"
#include "windows/registers/LCADlg.h"

namespace k7w32test {

namespace {

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += "\n  " + line;
    }
    return text;
}

class EveryWindow : public SimulatedProgram {
  protected:
    // Opens `view` hidden and returns what is wrong with its layout.
    static std::vector<std::string> opened(k7w32::Win32DialogView& view) {
        view.create(nullptr);
        return layoutFaults(view);
    }
};

TEST_F(EveryWindow, FormsLayOutWithoutOverlapsOrClippedTexts) {
    int checked = 0;
    for (const k7w32::FormTable* table : k7w32::forms::kAllForms) {
        k7check::Dialog window(table->formClass, table->formClass);
        k7w32::Win32DialogView view(window, k7w32::FormTree(*table), desktop.metrics());
        const std::vector<std::string> faults = opened(view);
        EXPECT_TRUE(faults.empty()) << table->formClass << joined(faults);
        ++checked;
    }
    EXPECT_EQ(checked, 27);
}

TEST_F(EveryWindow, TheMainWindowWithItsCheckRows) {
    k7check::KARVO7CheckDlg window(desktop);
    std::unique_ptr<k7w32::Win32DialogView> view =
        k7w32::makeMainWindowView(window, desktop.metrics(), desktop);
    k7w32::Win32DialogView& shown = *view;
    const std::vector<std::string> faults = opened(shown);
    EXPECT_TRUE(faults.empty()) << joined(faults);
    // Twelve check rows in one column below "Hot Plug", in the order of their tab stops.
    RECT previous{};
    GetWindowRect(shown.control("hotPlugButton"), &previous);
    for (const k7check::CheckButton& check : k7check::checkButtons()) {
        RECT r{};
        GetWindowRect(shown.control(k7check::KARVO7CheckDlg::checkButtonControl(check.id)), &r);
        EXPECT_EQ(r.left, previous.left) << check.caption;
        EXPECT_GT(r.top, previous.top) << check.caption;
        previous = r;
    }
}

TEST_F(EveryWindow, WindowsBuiltFromTheirTables) {
    KARVO7HANDLE card = session().card(1);
    std::vector<std::unique_ptr<k7check::Dialog>> windows;
    windows.push_back(std::make_unique<k7check::LCADlg>(desktop, card));
    windows.push_back(std::make_unique<k7check::DataLCADlg>(desktop, card));
    windows.push_back(std::make_unique<k7check::PCIconfigRegisterDlg>(desktop, card, profile()));
    windows.push_back(std::make_unique<k7check::PCIconfigVorgabenDlg>(desktop, profile()));
    windows.push_back(std::make_unique<k7check::PCIconfigEEPROMDlg>(card));
    windows.push_back(std::make_unique<k7check::PCIeepromRegisterDlg>(desktop, card, profile()));
    windows.push_back(std::make_unique<k7check::PCIeepromVorgabenDlg>(desktop, profile()));
    windows.push_back(std::make_unique<k7check::PCIoperationRegisterDlg>(desktop, card));
    for (const auto& window : windows) {
        ASSERT_TRUE(desktop.views().has(window->windowClass())) << window->windowClass();
        const auto& source = dynamic_cast<const k7check::FormSource&>(*window);
        k7w32::Win32DialogView view(
            *window, k7w32::tableForm(window->title(), source.formLayout(), desktop.metrics()),
            desktop.metrics());
        const std::vector<std::string> faults = opened(view);
        EXPECT_TRUE(faults.empty()) << window->windowClass() << joined(faults);
    }
}

}  // namespace

}  // namespace k7w32test
