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

namespace k7check {

// An integer field of any width and signedness, seen through 64 bits.
class IntegerRef {
  public:
    template <typename T>
    static IntegerRef of(T& field) {
        static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);
        return IntegerRef(&field, sizeof(T), std::is_signed_v<T>);
    }
    int64_t get() const;
    // Stores the low bits the field holds: truncation, never clamping.
    void set(int64_t value) const;
    unsigned bits() const { return 8u * size_; }

  private:
    IntegerRef(void* field, unsigned size, bool isSigned)
        : field_(field), size_(size), signed_(isSigned) {}
    void* field_;
    unsigned size_;
    bool signed_;
};

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
};

// The visitor a window's bindFields walks its pairs with.
class FieldBinder {
  public:
    virtual ~FieldBinder() = default;

    // An edit with an integer: decimal, or hexadecimal with `hexDigits` > 0 digits shown.
    virtual void integer(const std::string& control, IntegerRef field, int hexDigits) = 0;
    // An edit with a decimal number shown with `decimals` places.
    virtual void decimal(const std::string& control, double& field, int decimals) = 0;
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

    template <typename T>
    void number(const std::string& control, T& field) {
        integer(control, IntegerRef::of(field), 0);
    }
    template <typename T>
    void hex(const std::string& control, T& field, int digits) {
        integer(control, IntegerRef::of(field), digits);
    }
};

// Controls into fields. A control whose text holds no number keeps its field and is listed in
// `invalid()`, so that a window can refuse to go on.
class ReadBinder : public FieldBinder {
  public:
    explicit ReadBinder(Controls& controls) : controls_(controls) {}
    void integer(const std::string& control, IntegerRef field, int hexDigits) override;
    void decimal(const std::string& control, double& field, int decimals) override;
    void text(const std::string& control, std::string& field, std::size_t width) override;
    void check(const std::string& control, bool& field) override;
    void radio(const std::vector<std::string>& controls, int& selected) override;
    void label(const std::string&, const std::string&) override {}
    void list(const std::string& control, const std::vector<std::string>& lines,
              int& selection) override;
    void enabled(const std::string&, bool) override {}
    const std::vector<std::string>& invalid() const { return invalid_; }

  private:
    Controls& controls_;
    std::vector<std::string> invalid_;
};

// Fields into controls.
class WriteBinder : public FieldBinder {
  public:
    explicit WriteBinder(Controls& controls) : controls_(controls) {}
    void integer(const std::string& control, IntegerRef field, int hexDigits) override;
    void decimal(const std::string& control, double& field, int decimals) override;
    void text(const std::string& control, std::string& field, std::size_t width) override;
    void check(const std::string& control, bool& field) override;
    void radio(const std::vector<std::string>& controls, int& selected) override;
    void label(const std::string& control, const std::string& text) override;
    void list(const std::string& control, const std::vector<std::string>& lines,
              int& selection) override;
    void enabled(const std::string& control, bool enabled) override;

  private:
    Controls& controls_;
};

}  // namespace k7check
