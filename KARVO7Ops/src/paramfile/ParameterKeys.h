// Every field of a parameter set, declared once: its key in the parameter file, its kind (the
// width and signedness the set's member has, checked when the table is compiled), the control
// the parameter editor shows it in, its row in "Random Limits" with the way a random set draws
// it, and its start-up random limits. The parameter file, the editor's plain fields, "Random
// Limits", the random limits' start-up values and the random draw walk this one table, so that
// adding a field is one line here plus whatever the editor derives from it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "card/ParameterSet.h"
#include "numbers/IntegerRef.h"

namespace k7check {

enum class FieldKind {
    Int32,      // signed 32-bit, written signed
    UInt32,     // unsigned 32-bit
    UInt16,     // unsigned 16-bit, truncated on read
    UInt8,      // unsigned 8-bit, truncated on read
    Bool,       // "yes" / "no"
    Threshold,  // unsigned 16-bit held as 16 x the file value
};

// The member type a kind is held in.
template <FieldKind Kind>
struct FieldType;
template <>
struct FieldType<FieldKind::Int32> {
    using type = int32_t;
};
template <>
struct FieldType<FieldKind::UInt32> {
    using type = uint32_t;
};
template <>
struct FieldType<FieldKind::UInt16> {
    using type = uint16_t;
};
template <>
struct FieldType<FieldKind::UInt8> {
    using type = uint8_t;
};
template <>
struct FieldType<FieldKind::Bool> {
    using type = bool;
};
template <>
struct FieldType<FieldKind::Threshold> {
    using type = uint16_t;
};

// One member of a set, typed.
using FieldRef = std::variant<int32_t*, uint32_t*, uint16_t*, uint8_t*, bool*>;

// How the parameter editor shows a field. A plain field is bound as it is: a number edit with
// `label` and every value of the member's type, or a check box for a boolean. A derived field
// has a control too, but the editor converts it in a function of its own (coded radio rows,
// scaled values, times in the shown unit). No control: the editor does not show the field.
struct EditorControl {
    const char* control = nullptr;
    const char* label = nullptr;
    bool derived = false;
};

// How a random set draws a field from its limits lo..hi, r being the generator's next number
// (every field takes one number).
enum class DrawRule {
    Range,   // lo + r mod (hi - lo + 1); an empty range (hi below lo) gives lo
    OnGrid,  // Range, on the grid of the sampling rate drawn before (see alignmentMask)
    Word,    // Range, cut to 16 bits
    Switch,  // r mod 2, raised to lo, then lowered to hi (so hi wins when the limits cross)
    UpTo,    // r mod (hi + 1), raised to lo
};

// A field's row in "Random Limits": edits `key` + "MinEdit" / "MaxEdit", named by `label`, in
// window position `row`; and its place in a random set's draw (`draw`, from 0: the sampling
// rate comes before the fields on its grid, and every draw takes the generator's numbers in
// this order) with its rule. No key: the field has no random limits and is never drawn.
struct RandomLimitRow {
    const char* key = nullptr;
    const char* label = nullptr;
    int row = -1;
    int draw = -1;
    DrawRule rule = DrawRule::Range;
};

// A field's values in the random limits pair at start-up. Not given: both hold the set's own
// default.
struct StartLimits {
    bool given = false;
    int64_t lower = 0;
    int64_t upper = 0;
};

struct ParameterField {
    const char* key;  // in the parameter file
    FieldKind kind;
    FieldRef (*ref)(ParameterSet& set);
    EditorControl editor;
    RandomLimitRow random;
    StartLimits limits;

    constexpr bool plainInEditor() const { return editor.control != nullptr && !editor.derived; }
};

// The fields in file order.
std::span<const ParameterField> parameterFields();

// The fields that have random limits, in window order.
std::span<const ParameterField* const> randomLimitFields();

// The fields that have random limits, in the order a random set draws them.
std::span<const ParameterField* const> randomDrawFields();

// The random limits pair at start-up.
RandomLimits defaultRandomLimits();

// An integer field seen through 64 bits; a boolean field is not one (programming error).
IntegerRef integerRef(const ParameterField& field, ParameterSet& set);
// The values of an integer field that the card takes: narrower than its type where the library
// refuses more ("Average" 0 to 7, "Filter" 0 to 7, "Aufnahmelaenge" from 1 ...), else the type's.
IntegerRange cardRange(const ParameterField& field, ParameterSet& set);

// The file text of a field and the field from a file value (booleans: first character 'n' or
// 'N' is false, anything else true; an empty value keeps `fallback`).
std::string fieldText(const ParameterField& field, ParameterSet& set);
void setField(const ParameterField& field, ParameterSet& set, const std::string& value,
              ParameterSet& fallback);

// A field's value (a boolean is 0 or 1), and storing one (a boolean takes value != 0; an integer
// field its low bits).
int64_t fieldValue(const ParameterField& field, const ParameterSet& set);
void setFieldValue(const ParameterField& field, ParameterSet& set, int64_t value);

// Copies one field from `from` into `to`.
void copyField(const ParameterField& field, ParameterSet& to, ParameterSet& from);

// Booleans of the parameter file.
bool profileBool(const std::string& value, bool fallback);
const char* yesNo(bool value);

}  // namespace k7check
