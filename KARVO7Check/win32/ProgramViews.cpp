// The Win32 views of the check program's windows, registered under each window's kWindowClass.
// A window with a .ui form adds one line here, `addForm<Name>(registry, forms::kName);` with
// the form's generated table; its controls are bound by their names. A window whose controls
// are declared in a table (FormSource) joins the list of table-built forms instead.
#include "MainWindowView.h"
#include "MeasuredDataViews.h"
#include "TableFormView.h"
#include "ViewRegistry.h"
#include "Win32Desktop.h"
#include "forms/Forms.h"
#include "windows/card/CommandDlg.h"
#include "windows/card/CommandParameterDlgs.h"
#include "windows/card/DSPDlg.h"
#include "windows/card/KennungDlg.h"
#include "windows/card/KennungVorgabenDlg.h"
#include "windows/card/SelbsttestDlg.h"
#include "windows/editors/AnzeigeVorgabenDlg.h"
#include "windows/editors/BlendenDlg.h"
#include "windows/editors/BlockmessungDlg.h"
#include "windows/editors/BusbelegungDlg.h"
#include "windows/editors/DataBlendenDlg.h"
#include "windows/editors/RandomLimitsDlg.h"
#include "windows/editors/TAlist.h"
#include "windows/main/VIRMA4Dlg.h"
#include "windows/pci/PCIconfigEEPROMDlg.h"
#include "windows/pci/PCIconfigRegisterDlg.h"
#include "windows/pci/PCIconfigVorgabenDlg.h"
#include "windows/pci/PCIeepromRegisterDlg.h"
#include "windows/pci/PCIeepromVorgabenDlg.h"
#include "windows/pci/PCIoperationRegisterDlg.h"
#include "windows/registers/DataLCADlg.h"
#include "windows/registers/LCADlg.h"

namespace k7w32 {

namespace {

// A view built from the form `table`, for the one window class `Window`.
template <typename Window>
void addForm(ViewRegistry& registry, const FormTable& table) {
    registry.add(Window::kWindowClass, [&table](k7check::Dialog& dialog, const Metrics& metrics) {
        return std::make_unique<Win32DialogView>(dialog, FormTree(table), metrics);
    });
}

// A view that builds itself, for the one window class `Window`.
template <typename Window, typename Make>
void addView(ViewRegistry& registry, Make make) {
    registry.add(Window::kWindowClass, [make](k7check::Dialog& dialog, const Metrics& metrics) {
        // Registered for Window's class only, which is this class.
        return make(static_cast<Window&>(dialog), metrics);
    });
}

}  // namespace

void registerProgramViews(ViewRegistry& registry, Win32Desktop& desktop) {
    addView<k7check::KARVO7CheckDlg>(registry,
                                     [&desktop](k7check::KARVO7CheckDlg& window, const Metrics& m) {
                                         return makeMainWindowView(window, m, desktop);
                                     });
    registry.add("AboutBox", [](k7check::Dialog& dialog, const Metrics& metrics) {
        return std::make_unique<Win32DialogView>(dialog, FormTree(forms::kAboutBox), metrics);
    });
    addForm<k7check::VIRMA4Dlg>(registry, forms::kVIRMA4Dlg);
    // Windows whose fields are tables: their forms are built from the tables.
    for (const char* windowClass :
         {k7check::LCADlg::kWindowClass, k7check::DataLCADlg::kWindowClass,
          k7check::PCIconfigRegisterDlg::kWindowClass, k7check::PCIconfigVorgabenDlg::kWindowClass,
          k7check::PCIconfigEEPROMDlg::kWindowClass, k7check::PCIeepromRegisterDlg::kWindowClass,
          k7check::PCIeepromVorgabenDlg::kWindowClass,
          k7check::PCIoperationRegisterDlg::kWindowClass}) {
        addTableForm(registry, windowClass);
    }
    // set editors
    addForm<k7check::AnzeigeVorgabenDlg>(registry, forms::kAnzeigeVorgabenDlg);
    addForm<k7check::BlendenDlg>(registry, forms::kBlendenDlg);
    addForm<k7check::DataBlendenDlg>(registry, forms::kDataBlendenDlg);
    addForm<k7check::BlendenDataList>(registry, forms::kBlendenDataList);
    addForm<k7check::TAlist>(registry, forms::kTAlist);
    addForm<k7check::RandomLimitsDlg>(registry, forms::kRandomLimitsDlg);
    addForm<k7check::BusbelegungDlg>(registry, forms::kBusbelegungDlg);
    addForm<k7check::BlockmessungDlg>(registry, forms::kBlockmessungDlg);
    // measured data
    addView<k7check::AnzeigeDlg>(registry, makeAnzeigeView);
    addView<k7check::DataListDlg>(registry, makeDataListView);
    // the card itself
    addForm<k7check::KennungDlg>(registry, forms::kKennungDlg);
    addForm<k7check::KennungVorgabenDlg>(registry, forms::kKennungVorgabenDlg);
    addForm<k7check::DSPDlg>(registry, forms::kDSPDlg);
    addForm<k7check::SelbsttestDlg>(registry, forms::kSelbsttestDlg);
    addForm<k7check::CommandDlg>(registry, forms::kCommandDlg);
    addForm<k7check::CmdShotDlg>(registry, forms::kCmdShotDlg);
    addForm<k7check::CmdSenderDlg>(registry, forms::kCmdSenderDlg);
    addForm<k7check::CmdInputDlg>(registry, forms::kCmdInputDlg);
    addForm<k7check::CmdGainDlg>(registry, forms::kCmdGainDlg);
    addForm<k7check::CmdHWconfigDlg>(registry, forms::kCmdHWconfigDlg);
    addForm<k7check::CmdAverageDlg>(registry, forms::kCmdAverageDlg);
    addForm<k7check::CmdSWconfigDlg>(registry, forms::kCmdSWconfigDlg);
    addForm<k7check::CmdAScanDlg>(registry, forms::kCmdAScanDlg);
    addForm<k7check::CmdCountDlg>(registry, forms::kCmdCountDlg);
    addForm<k7check::CmdTriggerDlg>(registry, forms::kCmdTriggerDlg);
    addForm<k7check::CmdSAPdelayDlg>(registry, forms::kCmdSAPdelayDlg);
}

}  // namespace k7w32
