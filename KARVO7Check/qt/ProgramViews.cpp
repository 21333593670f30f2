// The Qt views of the check program's windows. A window with a .ui form adds one line here,
// `addForm<Ui::Name>(k7check::Name::kWindowClass);`; its controls are bound by their names. A
// window whose controls are declared in a table (FormSource) adds its class to the list of
// table-built forms instead.
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
#include "windows/measurement/MeasuredDataViews.h"

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

template <typename Form>
void addForm(const char* windowClass) {
    registerView(windowClass, [](k7check::Dialog& dialog, QWidget* parent) {
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
    addForm<Ui::VIRMA4Dlg>("VIRMA4Dlg");
    // Windows whose fields are tables: their forms are built from the tables.
    for (const char* windowClass :
         {"LCADlg", "DataLCADlg", "PCIconfigRegisterDlg", "PCIconfigVorgabenDlg",
          "PCIconfigEEPROMDlg", "PCIeepromRegisterDlg", "PCIeepromVorgabenDlg",
          "PCIoperationRegisterDlg"}) {
        addTableForm(windowClass);
    }
    // set editors
    addForm<Ui::AnzeigeVorgabenDlg>("AnzeigeVorgabenDlg");
    addForm<Ui::BlendenDlg>("BlendenDlg");
    addForm<Ui::DataBlendenDlg>("DataBlendenDlg");
    addForm<Ui::BlendenDataList>("BlendenDataList");
    addForm<Ui::TAlist>("TAlist");
    addForm<Ui::RandomLimitsDlg>("RandomLimitsDlg");
    addForm<Ui::BusbelegungDlg>("BusbelegungDlg");
    addForm<Ui::BlockmessungDlg>("BlockmessungDlg");
    // measured data
    addView<AnzeigeDlgView, k7check::AnzeigeDlg>();
    addView<DataListDlgView, k7check::DataListDlg>();
    // the card itself
    addForm<Ui::KennungDlg>("KennungDlg");
    addForm<Ui::KennungVorgabenDlg>("KennungVorgabenDlg");
    addForm<Ui::DSPDlg>("DSPDlg");
    addForm<Ui::SelbsttestDlg>("SelbsttestDlg");
    addForm<Ui::CommandDlg>("CommandDlg");
    addForm<Ui::CmdShotDlg>("CmdShotDlg");
    addForm<Ui::CmdSenderDlg>("CmdSenderDlg");
    addForm<Ui::CmdInputDlg>("CmdInputDlg");
    addForm<Ui::CmdGainDlg>("CmdGainDlg");
    addForm<Ui::CmdHWconfigDlg>("CmdHWconfigDlg");
    addForm<Ui::CmdAverageDlg>("CmdAverageDlg");
    addForm<Ui::CmdSWconfigDlg>("CmdSWconfigDlg");
    addForm<Ui::CmdAScanDlg>("CmdAScanDlg");
    addForm<Ui::CmdCountDlg>("CmdCountDlg");
    addForm<Ui::CmdTriggerDlg>("CmdTriggerDlg");
    addForm<Ui::CmdSAPdelayDlg>("CmdSAPdelayDlg");
}

}  // namespace k7qt
