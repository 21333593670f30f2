// A register view: a window whose controls are the fields of a register table. Opening it and
// "Read" read every register of the table and show the fields; "Write" asks, composes the
// written registers from the fields and writes them in the table's order, then reads
// everything back, so the window shows what the card holds.
//
// Where a plain copy of the controls would write wrong values, the window does not:
//  - a number is masked (or clamped, by its rule) to its field's bits before composing;
//  - a field of an edit group (the data LCA's gate edits, which reading never fills) is
//    written only when one field of its group was edited since the window was opened or last
//    written;
//  - a register with a field whose text does not parse is not written, and the window names
//    that field.
#pragma once

#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "app/CheckButtons.h"
#include "desktop/Desktop.h"
#include "fields/FormLayout.h"
#include "windows/registers/RegisterEngine.h"

namespace k7check {

class RegisterWindow : public CheckDialog, public FormSource {
  public:
    // Caption of the write question and of the window's messages.
    static constexpr const char* kCaption = "LCA-Register";

    RegisterWindow(std::string windowClass, std::string title, const RegisterTable& table,
                   Desktop& desktop, KARVO7HANDLE card);

    RegisterEngine& engine() { return engine_; }

    bool onInit() override;
    void onCommand(const std::string& control) override;
    void onEditChanged(const std::string& control) override;
    void bindFields(FieldBinder& binder) override;
    FormLayout formLayout() const override;

    // "Read": reads every register of the table and shows the fields.
    void onRead();
    // "Write" as described above; returns the registers written, in order.
    std::vector<std::pair<uint32_t, uint32_t>> onWrite();

  protected:
    // The buttons below the groups.
    virtual std::vector<FormControl> buttons() const;
    KARVO7HANDLE card() const { return card_; }
    Desktop& desktop() { return desktop_; }

  private:
    void readCard();
    void show();

    RegisterEngine engine_;
    Desktop& desktop_;
    KARVO7HANDLE card_;
    std::vector<bool> edited_;          // per edit group: edited since opened or written
    std::vector<int64_t> shownNumber_;  // the numbers the window last showed
};

}  // namespace k7check
