// The one engine behind the LCA register views: a window declares its registers as a table of
// fields (kind, control, the register bits it is read from and written to, the write rule), and
// the engine decomposes read registers into the fields, binds the fields to the controls,
// composes the written registers from the fields and describes the window's form. No field of
// the views is handled by hand.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fields/FieldBinder.h"
#include "fields/FormLayout.h"

namespace k7check {

// A run of bits of one register that carries part of a field: `bits` bits from bit `shift` of
// register `reg` are the field's bits from bit `at` upwards.
struct RegisterSlice {
    uint32_t reg = 0;
    unsigned shift = 0;
    unsigned bits = 16;
    unsigned at = 0;
};

// The low 16 bits of a register as the low bits of a field.
inline RegisterSlice low16(uint32_t reg) {
    return {reg, 0, 16, 0};
}

// One button of a radio row: the value it writes into the field, and the field values that
// select it when read (bit v of `reads` set: value v selects it).
struct RegisterChoice {
    std::string control;
    std::string text;
    int id = 0;
    uint32_t value = 0;
    uint32_t reads = 0;
    bool enabled = true;
};

enum class RegisterKind {
    Check,   // a check box: one bit
    AnyBit,  // a check box checked when any bit of the field is 1 (read only)
    Radio,   // a radio row: one button per value
    Number,  // a decimal edit
    Hex,     // an edit with four upper-case hexadecimal digits
};

enum class WriteRule {
    Mask,   // the number's bits beyond the field are dropped before composing
    Clamp,  // a number beyond the field's range is set to the largest (smallest) value
};

struct RegisterField {
    RegisterKind kind = RegisterKind::Number;
    std::string control;  // check box or edit; radio rows name their buttons in `choices`
    std::string text;
    int id = 0;                        // the control's id in the card family's forms
    std::vector<RegisterSlice> read;   // where reading takes it from; empty: not filled by reading
    std::vector<RegisterSlice> write;  // where writing puts it; empty: never written
    WriteRule rule = WriteRule::Mask;
    std::vector<RegisterChoice> choices;
    // Fields of one edit group (> 0) are written only when one of them was edited since the
    // window was opened or last written.
    int editGroup = 0;
    int chars = 6;    // edit width
    int columns = 0;  // radio rows: buttons per line

    bool readOnly() const { return write.empty() && !read.empty(); }
    // Number of bits the field holds: the highest bit its slices reach.
    unsigned width() const;
};

struct RegisterGroup {
    std::string title;
    int column = 0;
    int columns = 1;
    std::vector<RegisterField> fields;
};

struct RegisterTable {
    std::vector<RegisterGroup> groups;
    // Registers in the order "Write" writes them.
    std::vector<uint32_t> writeOrder;
};

// What a field holds while the window is open.
struct RegisterValue {
    int64_t number = 0;  // numbers and hex fields
    bool on = false;     // check boxes
    int selected = -1;   // radio rows: index of the selected choice, -1 none
};

class RegisterEngine {
  public:
    explicit RegisterEngine(const RegisterTable& table);

    const RegisterTable& table() const { return table_; }
    const std::vector<const RegisterField*>& fields() const { return fields_; }
    std::vector<RegisterValue>& values() { return values_; }
    const std::vector<RegisterValue>& values() const { return values_; }
    // The field named by `control` (its edit or check box, or one of its radio buttons).
    std::optional<size_t> fieldOf(const std::string& control) const;
    RegisterValue& value(const std::string& control);
    // The field as messages name it: its group's title and its label ("Record: Delay").
    std::string fieldName(size_t field) const;
    // The field as a refusal names it: its label ("Ende 1"), with its group's title where
    // another field of the window has the same label ("Record: Delay").
    std::string fieldLabel(size_t field) const;

    // Every register a field is read from, ascending, each once.
    std::vector<uint32_t> readRegisters() const;
    // Sets every field that is read from the registers' values (low 16 bits each); a register
    // missing from `registers` reads as 0.
    void decompose(const std::map<uint32_t, uint32_t>& registers);
    // The field's value as it is written: a check's bit, the selected button's value (0 with
    // none), a number masked or clamped to the field's bits.
    uint32_t writtenValue(size_t field) const;
    // The registers "Write" writes, in the table's order, each composed from 0 and the bits of
    // its fields. A register that takes bits of a field for which `skip` says true is left out.
    std::vector<std::pair<uint32_t, uint32_t>> compose(
        const std::function<bool(size_t field)>& skip) const;

    // Selects the radio button `control`; false when it is no radio button of the table.
    bool selectRadio(const std::string& control);

    // Binds every field to its controls; read-only fields are disabled.
    void bind(FieldBinder& binder);
    // Binds one field only.
    void bindField(FieldBinder& binder, size_t field);
    // The window's groups as a form; `buttons` go below them.
    FormLayout layout(std::vector<FormControl> buttons) const;

  private:
    const RegisterTable& table_;
    std::vector<const RegisterField*> fields_;
    std::vector<const RegisterGroup*> groupOf_;
    std::vector<RegisterValue> values_;
};

}  // namespace k7check
