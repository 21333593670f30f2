// The window "Steuer-LCA-Register": the control LCA's registers 1024 to 1078 decoded into named
// bits and fields, and the automatic check of the "Steuer-LCA" button.
//  - "SAP-Delay" is read as the low 16 bits of 1078, the bits it is written to (reading only 8
//    would cut every delay above 255 on the next write);
//  - "Time" is 1036 plus the low four bits of 1038 × 65536, as the record time is read
//    everywhere else;
//  - every number is masked to its field's bits before composing, so a large value never
//    spills into neighbouring flag bits;
//  - the input selection of 1030 is read from bits 5-7 and written to bits 9-11; the view
//    shows what the card reports.
#pragma once

#include "windows/registers/RegisterWindow.h"

namespace k7check {

class Session;

// The control LCA's table.
const RegisterTable& controlLcaTable();

class LCADlg : public RegisterWindow {
  public:
    static constexpr const char* kWindowClass = "LCADlg";
    static constexpr const char* kTitle = "Steuer-LCA-Register";

    LCADlg(Desktop& desktop, KARVO7HANDLE card);

    // The "Steuer-LCA" automatic check: the control LCA's identification (1024) and the data
    // LCA's (1536) must read neither 0 nor 0xFFFF (an LCA that is not loaded, or a card that
    // does not answer): "OK", or "LCA ID %04X" with the first bad value. Only reads.
    bool automaticCheck(std::string& resultText) override;
    // The registers, and "Vorgaben" disabled: the control LCA has no reference values.
    void bindFields(FieldBinder& binder) override;

  protected:
    std::vector<FormControl> buttons() const override;
};

// Registers the "Steuer-LCA" and "Daten-LCA" windows (CheckWindows.cpp).
void registerRegisterWindows(CheckRegistry& registry);

}  // namespace k7check
