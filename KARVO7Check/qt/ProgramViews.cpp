// The Qt views of the check program's windows, registered under each window's kWindowClass. A
// window with a .ui form adds one line here, `addForm<Ui::Name, k7check::Name>();`; its controls
// are bound by their names. A window whose controls are declared in a table (FormSource) adds its
// class to the list of table-built forms instead.
#include "KARVO7CheckDlgView.h"
#include "TableFormView.h"
#include "ViewRegistry.h"
#include "ui_AnzeigeVorgabenDlg.h"
#include "ui_BlendenDataList.h"
#include "ui_BlendenDlg.h"
#include "ui_BlockmessungDlg.h"
#include "ui_BusbelegungDlg.h"
#include "ui_CmdAScanDlg.h"
#include "ui_CmdAverageDlg.h"
#include "ui_CmdCountDlg.h"
#include "ui_CmdGainDlg.h"
#include "ui_CmdHWconfigDlg.h"
#include "ui_CmdInputDlg.h"
#include "ui_CmdSAPdelayDlg.h"
#include "ui_CmdSWconfigDlg.h"
#include "ui_CmdSenderDlg.h"
#include "ui_CmdShotDlg.h"
#include "ui_CmdTriggerDlg.h"
#include "ui_CommandDlg.h"
#include "ui_DSPDlg.h"
#include "ui_DataBlendenDlg.h"
#include "ui_KennungDlg.h"
#include "ui_KennungVorgabenDlg.h"
#include "ui_RandomLimitsDlg.h"
#include "ui_SelbsttestDlg.h"
#include "ui_TAlist.h"
#include "ui_VIRMA4Dlg.h"
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
#include "windows/measurement/MeasuredDataViews.h"
#include "windows/pci/PCIconfigEEPROMDlg.h"
#include "windows/pci/PCIconfigRegisterDlg.h"
#include "windows/pci/PCIconfigVorgabenDlg.h"
#include "windows/pci/PCIeepromRegisterDlg.h"
#include "windows/pci/PCIeepromVorgabenDlg.h"
#include "windows/pci/PCIoperationRegisterDlg.h"
#include "windows/registers/DataLCADlg.h"
#include "windows/registers/LCADlg.h"

namespace k7qt {

namespace {

// A view that builds its widgets itself, for the one window class `Window`.
template <typename View, typename Window>
void addView() {
    registerView(Window::kWindowClass,
                 [](k7check::Dialog& dialog, QWidget* parent) -> std::unique_ptr<QtDialogView> {
                     // Registered for Window's class only, which is this class.
                     return std::make_unique<View>(static_cast<Window&>(dialog), parent);
                 });
}

// A view built from the .ui form `Form`, for the one window class `Window`.
template <typename Form, typename Window>
void addForm() {
    registerView(Window::kWindowClass, [](k7check::Dialog& dialog, QWidget* parent) {
        return std::unique_ptr<QtDialogView>(std::make_unique<FormView<Form>>(dialog, parent));
    });
}

}  // namespace

void registerProgramViews() {
    registerView(k7check::KARVO7CheckDlg::kWindowClass,
                 [](k7check::Dialog& dialog, QWidget* parent) -> std::unique_ptr<QtDialogView> {
                     // Registered for the main window's class only, which is this class.
                     auto& window = static_cast<k7check::KARVO7CheckDlg&>(dialog);
                     return std::make_unique<KARVO7CheckDlgView>(window, parent);
                 });
    addForm<Ui::VIRMA4Dlg, k7check::VIRMA4Dlg>();
    // Windows whose fields are tables: their forms are built from the tables.
    for (const char* windowClass :
         {k7check::LCADlg::kWindowClass, k7check::DataLCADlg::kWindowClass,
          k7check::PCIconfigRegisterDlg::kWindowClass, k7check::PCIconfigVorgabenDlg::kWindowClass,
          k7check::PCIconfigEEPROMDlg::kWindowClass, k7check::PCIeepromRegisterDlg::kWindowClass,
          k7check::PCIeepromVorgabenDlg::kWindowClass,
          k7check::PCIoperationRegisterDlg::kWindowClass}) {
        addTableForm(windowClass);
    }
    // set editors
    addForm<Ui::AnzeigeVorgabenDlg, k7check::AnzeigeVorgabenDlg>();
    addForm<Ui::BlendenDlg, k7check::BlendenDlg>();
    addForm<Ui::DataBlendenDlg, k7check::DataBlendenDlg>();
    addForm<Ui::BlendenDataList, k7check::BlendenDataList>();
    addForm<Ui::TAlist, k7check::TAlist>();
    addForm<Ui::RandomLimitsDlg, k7check::RandomLimitsDlg>();
    addForm<Ui::BusbelegungDlg, k7check::BusbelegungDlg>();
    addForm<Ui::BlockmessungDlg, k7check::BlockmessungDlg>();
    // measured data
    addView<AnzeigeDlgView, k7check::AnzeigeDlg>();
    addView<DataListDlgView, k7check::DataListDlg>();
    // the card itself
    addForm<Ui::KennungDlg, k7check::KennungDlg>();
    addForm<Ui::KennungVorgabenDlg, k7check::KennungVorgabenDlg>();
    addForm<Ui::DSPDlg, k7check::DSPDlg>();
    addForm<Ui::SelbsttestDlg, k7check::SelbsttestDlg>();
    addForm<Ui::CommandDlg, k7check::CommandDlg>();
    addForm<Ui::CmdShotDlg, k7check::CmdShotDlg>();
    addForm<Ui::CmdSenderDlg, k7check::CmdSenderDlg>();
    addForm<Ui::CmdInputDlg, k7check::CmdInputDlg>();
    addForm<Ui::CmdGainDlg, k7check::CmdGainDlg>();
    addForm<Ui::CmdHWconfigDlg, k7check::CmdHWconfigDlg>();
    addForm<Ui::CmdAverageDlg, k7check::CmdAverageDlg>();
    addForm<Ui::CmdSWconfigDlg, k7check::CmdSWconfigDlg>();
    addForm<Ui::CmdAScanDlg, k7check::CmdAScanDlg>();
    addForm<Ui::CmdCountDlg, k7check::CmdCountDlg>();
    addForm<Ui::CmdTriggerDlg, k7check::CmdTriggerDlg>();
    addForm<Ui::CmdSAPdelayDlg, k7check::CmdSAPdelayDlg>();
}

}  // namespace k7qt
