// An integer field of any width and signedness seen through 64 bits: how the parameter keys
// and the windows' binder read, store and bound a field whatever its type.
#pragma once

#include <cstdint>
#include <type_traits>

#include "numbers/NumberText.h"

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
    // Stores the low bits the field holds; callers store only values of `range()`.
    void set(int64_t value) const;
    unsigned bits() const { return 8u * size_; }
    // Every value the field's type holds.
    IntegerRange range() const;

  private:
    IntegerRef(void* field, unsigned size, bool isSigned)
        : field_(field), size_(size), signed_(isSigned) {}
    void* field_;
    unsigned size_;
    bool signed_;
};

}  // namespace k7check
