// The one binder between a window's fields and its controls. A window lists its pairs of
// control and field once, in `Dialog::bindFields`; reading all fields from the controls and
// writing all fields into them is the same generic walk over that list, for every window and
// every desktop. Controls are named as in the window's form ("karteEdit", "dmaCheck").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "numbers/IntegerRef.h"
#include "numbers/NumberText.h"

namespace k7check {

// What a desktop's view offers the binder: the controls of one window, by name. A control the
// view does not have is ignored (reads give nothing, writes do nothing).
class Controls {
  public:
    virtual ~Controls() = default;
    virtual std::optional<std::string> editText(const std::string& control) = 0;
    virtual void setEditText(const std::string& control, const std::string& text) = 0;
    virtual std::optional<bool> checked(const std::string& control) = 0;
    virtual void setChecked(const std::string& control, bool on) = 0;
    virtual void setLabel(const std::string& control, const std::string& text) = 0;
    // A list box's lines and selected line (-1 none); only the selection is read back.
    virtual void setList(const std::string& control, const std::vector<std::string>& lines,
                         int selection) = 0;
    virtual std::optional<int> listSelection(const std::string& control) = 0;
    virtual void setEnabled(const std::string& control, bool enabled) = 0;
    // The text shown while the pointer rests on the control.
    virtual void setToolTip(const std::string& control, const std::string& text) = 0;
};

// An entry a window did not take: the control, and the message naming the field by its label.
struct FieldRefusal {
    std::string control;
    std::string message;
};

// How an integer edit is read. A decimal edit (`range.hexDigits` 0) and a hex edit take values
// of `range` only. A masked hex edit (a register value whose bits the window shows) takes any
// hex number and keeps the bits of the field's width.
struct IntegerRule {
    IntegerRange range;
    bool masked = false;
};

// The visitor a window's bindFields walks its pairs with. A number edit is declared with the
// label the window shows next to it ("Ende 1") and its range, so that a refused entry is named
// as the technician sees it.
class FieldBinder {
  public:
    virtual ~FieldBinder() = default;

    virtual void integer(const std::string& control, const std::string& label, IntegerRef field,
                         const IntegerRule& rule) = 0;
    // An edit with a number with a fraction, shown with `decimals` places, in [min, max].
    virtual void decimal(const std::string& control, const std::string& label, double& field,
                         int decimals, double min, double max) = 0;
    // An edit with a text of at most `width` bytes.
    virtual void text(const std::string& control, std::string& field, std::size_t width) = 0;
    virtual void check(const std::string& control, bool& field) = 0;
    // A row of radio buttons the window keeps exclusive itself; `selected` is the index of the
    // checked one, -1 when none is.
    virtual void radio(const std::vector<std::string>& controls, int& selected) = 0;
    // Written only.
    virtual void label(const std::string& control, const std::string& text) = 0;
    virtual void list(const std::string& control, const std::vector<std::string>& lines,
                      int& selection) = 0;
    virtual void enabled(const std::string& control, bool enabled) = 0;
    // A button the window has no action for: disabled, and its tool tip says why.
    virtual void unavailable(const std::string& control, const std::string& reason) = 0;

    // A decimal whole number of every value the field's type holds.
    template <typename T>
    void number(const std::string& control, const std::string& label, T& field) {
        integer(control, label, IntegerRef::of(field), {IntegerRef::of(field).range()});
    }
    // A decimal whole number in [min, max] (within the field's type).
    template <typename T>
    void number(const std::string& control, const std::string& label, T& field, int64_t min,
                int64_t max) {
        integer(control, label, IntegerRef::of(field), {{min, max}});
    }
    // A hex register value of `digits` digits, masked to the field's width.
    template <typename T>
    void maskedHex(const std::string& control, const std::string& label, T& field, int digits) {
        IntegerRange range = IntegerRef::of(field).range();
        range.hexDigits = digits;
        integer(control, label, IntegerRef::of(field), {range, true});
    }
};

// Controls into fields. An entry that is refused keeps its field and is listed in
// `refused()`; a checking binder (`Mode::Check`) only lists them and changes no field.
class ReadBinder : public FieldBinder {
  public:
    enum class Mode { Take, Check };
    explicit ReadBinder(Controls& controls, Mode mode = Mode::Take)
        : controls_(controls), mode_(mode) {}
    void integer(const std::string& control, const std::string& label, IntegerRef field,
                 const IntegerRule& rule) override;
    void decimal(const std::string& control, const std::string& label, double& field, int decimals,
                 double min, double max) override;
    void text(const std::string& control, std::string& field, std::size_t width) override;
    void check(const std::string& control, bool& field) override;
    void radio(const std::vector<std::string>& controls, int& selected) override;
    void label(const std::string&, const std::string&) override {}
    void list(const std::string& control, const std::vector<std::string>& lines,
              int& selection) override;
    void enabled(const std::string&, bool) override {}
    void unavailable(const std::string&, const std::string&) override {}
    const std::vector<FieldRefusal>& refused() const { return refused_; }

  private:
    bool taking() const { return mode_ == Mode::Take; }
    Controls& controls_;
    Mode mode_;
    std::vector<FieldRefusal> refused_;
};

// Fields into controls.
class WriteBinder : public FieldBinder {
  public:
    explicit WriteBinder(Controls& controls) : controls_(controls) {}
    void integer(const std::string& control, const std::string& label, IntegerRef field,
                 const IntegerRule& rule) override;
    void decimal(const std::string& control, const std::string& label, double& field, int decimals,
                 double min, double max) override;
    void text(const std::string& control, std::string& field, std::size_t width) override;
    void check(const std::string& control, bool& field) override;
    void radio(const std::vector<std::string>& controls, int& selected) override;
    void label(const std::string& control, const std::string& text) override;
    void list(const std::string& control, const std::vector<std::string>& lines,
              int& selection) override;
    void enabled(const std::string& control, bool enabled) override;
    void unavailable(const std::string& control, const std::string& reason) override;

  private:
    Controls& controls_;
};

}  // namespace k7check
